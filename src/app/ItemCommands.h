#pragma once

#include "words/Word.h"

#include <QString>

#include <optional>
#include <string>

class UiServices;

namespace custodia {

class CCustodiaDoc;
class CCustodiaView;
class CLeftView;
class ItemDialogs;
class WordTable;

// The create, edit and delete commands of the item list. Each looks at what the list shows, opens the
// dialog that belongs to it and, on OK, writes through the store or the document and fills the list
// again, so that the list always shows what is stored.
class CItemCommands final {
public:
    CItemCommands(const WordTable& words, CCustodiaDoc& doc, CCustodiaView& view, CLeftView& tree, ItemDialogs& dialogs,
        UiServices& ui);

    void SetDialogs(ItemDialogs& dialogs) { m_dialogs = &dialogs; }

    void CreateItem();
    void EditItem();
    void DeleteItem();

private:
    void CreateUser();
    void CreateGroup();
    void CreateLoginPath();
    void EditUser(int row);
    void EditGroup(int row);
    void EditDatabasePath(int row);
    void EditLoginPath(int row);
    void DeleteUser(int row);
    void DeleteGroup(int row);
    void DeleteLoginPath(int row);

    std::optional<int> AskForFreeGroupNumber(std::string& name);
    void ReportNotSaved(const std::string& fileName);
    bool Confirm(const QString& text, Word caption);
    QString Text(Word word) const;

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    CCustodiaView& m_view;
    CLeftView& m_tree;
    ItemDialogs* m_dialogs;
    UiServices& m_ui;
};

} // namespace custodia
