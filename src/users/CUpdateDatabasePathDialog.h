#pragma once

#include "store/DatabaseList.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class UiServices;

namespace custodia {

class WordTable;

// Edits one slot of a database list image: the logger database folder, the mirror folder with its
// switch, and the description. The slot is written only at OK; the caller stores the list.
class CUpdateDatabasePathDialog final : public QDialog {
    Q_OBJECT

public:
    CUpdateDatabasePathDialog(
        const WordTable& words, UiServices& ui, DatabaseList& databases, int slot, QWidget* parent = nullptr);

    void accept() override;

private:
    QLineEdit* AddPathField(const char* objectName, const std::string& text, size_t maxBytes);
    void Browse(QLineEdit& field);
    void OnMirrorSwitched(bool on);

    const WordTable& m_words;
    UiServices& m_ui;
    DatabaseList& m_databases;
    int m_slot;
    QLineEdit* m_path = nullptr;
    QLineEdit* m_mirrorPath = nullptr;
    QLineEdit* m_description = nullptr;
    QCheckBox* m_mirrorSwitch = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_mirrorBrowse = nullptr;
};

} // namespace custodia
