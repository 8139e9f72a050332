#pragma once

#include "app/ConsoleLockout.h"
#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "store/AuditTrailHold.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"
#include "words/Word.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QWidget;
class UiServices;

namespace custodia {

class BackgroundCall;
class CCustodiaDoc;
class CCustodiaView;
class CLeftView;
class ItemDialogs;
class ItemListController;
class WordTable;

// The create, edit and delete commands of the item list. Each looks at what the list shows, opens the
// dialog that belongs to it and, on OK, writes through the store or the document and fills the list
// again, so that the list always shows what is stored.
class CItemCommands final {
public:
    CItemCommands(const WordTable& words, CCustodiaDoc& doc, ItemListController& itemList, CLeftView& tree,
        ItemDialogs& dialogs, UiServices& ui);

    void SetDialogs(ItemDialogs& dialogs) { m_dialogs = &dialogs; }
    // The supervisor who logged on: changes to that login path that would leave nobody able to start
    // the console are asked about a second time.
    void SetSupervisor(std::optional<LoggedOnSupervisor> supervisor) { m_supervisor = std::move(supervisor); }
    // Who the changes' trail lines name, and where a change without its line is told.
    void SetTrailOptions(TrailOptions trail) { m_trail = std::move(trail); }
    // Reads the groups' rights as the environment says: run it inside a call.
    ConsoleLockoutCheck LockoutCheck(const std::string& loginPath, const FileEnvironment& environment) const;
    // A second, plain question before a change that would lock the console; true to go on.
    bool ConfirmLockOut(LockOut lockOut, QWidget* parent = nullptr);

    void CreateItem();
    void EditItem();
    void DeleteItem();

private:
    void CreateUser();
    void CreateGroup();
    void CreateLoginPath();
    bool EditGroupChecked(const NativePath& loginPath, const GroupEntry& group);
    // Reads the list again with the row of that key selected and in sight.
    void ReloadShowing(const QString& rowKey);
    void EditUser(int row);
    bool RunUserDialog(UserEntry& entry, const std::function<bool(const std::string&)>& isNameTaken,
        const std::function<bool(QWidget*, const UserEntry&)>& save);
    bool SaveUserEdits(QWidget* parent, const NativePath& loginPath, const UserEntry& opened, const UserEntry& edited);
    void EditGroup(int row);
    void EditDatabasePath(int row);
    void EditLoginPath(int row);
    void DeleteUsers(const std::vector<int>& rows);
    void DeleteGroups(const std::vector<int>& rows);
    void DeleteLoginPath(int row);

    // Whether the current login path's folder is there to work in; says so at once when it is not.
    bool IsFolderThere();
    std::optional<int> AskForFreeGroupNumber(std::string& name);
    bool Confirm(const QString& text, Word caption);
    QString MembersWarning(const std::vector<ConsoleMember>& users, const std::vector<GroupEntry>& groups) const;
    // Every read and change of the files runs through the list's calls, off the window's thread.
    BackgroundCall& Calls() const;
    bool IsNameTaken(const NativePath& loginPath, const std::string& userName) const;
    QString Text(Word word) const;

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    ItemListController& m_itemList;
    CCustodiaView& m_view;
    CLeftView& m_tree;
    ItemDialogs* m_dialogs;
    UiServices& m_ui;
    std::optional<LoggedOnSupervisor> m_supervisor;
    TrailOptions m_trail;
};

// The users of a login path as far as starting the console goes, read from its password file; none
// when it cannot be read.
std::vector<ConsoleMember> StoredConsoleMembers(
    const std::string& loginPath, const FileEnvironment& environment = FileEnvironment::System());

// Whether a user of that name is stored in the login path: the user dialog then refuses the name.
bool IsUserNameStored(const NativePath& loginPath, const std::string& userName,
    const FileEnvironment& environment = FileEnvironment::System());

} // namespace custodia
