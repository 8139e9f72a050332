#include "app/ConsoleItemDialogs.h"

#include "users/CAddLoginPathDialog.h"
#include "users/CUpdateDatabasePathDialog.h"
#include "users/CUserPropertiesDlg.h"

namespace custodia {

ConsoleItemDialogs::ConsoleItemDialogs(const WordTable& words, UiServices& ui)
    : m_words(words)
    , m_ui(ui)
{
}

// Users, database slots and login paths

bool ConsoleItemDialogs::EditUser(QWidget* parent, UserEntry& user, const std::vector<GroupEntry>& groups,
    const DatabaseList& databases, const UserNameCheck& isNameTaken)
{
    CUserPropertiesDlg dialog(m_words, m_ui, user, groups, databases, parent);
    dialog.SetNameCheck(isNameTaken);
    return dialog.exec() == QDialog::Accepted;
}

bool ConsoleItemDialogs::EditDatabasePath(QWidget* parent, DatabaseList& databases, int slot)
{
    CUpdateDatabasePathDialog dialog(m_words, m_ui, databases, slot, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::string> ConsoleItemDialogs::AskLoginPath(QWidget* parent)
{
    CAddLoginPathDialog dialog(m_words, m_ui, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetResultPath();
}

// Groups

std::unique_ptr<NewGroupPrompt> ConsoleItemDialogs::MakeNewGroupPrompt(QWidget*, const std::string&)
{
    return nullptr;
}

bool ConsoleItemDialogs::EditGroup(QWidget*, const std::string&, const GroupEntry&)
{
    return false;
}

} // namespace custodia
