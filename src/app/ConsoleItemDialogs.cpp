#include "app/ConsoleItemDialogs.h"

#include "app/CCustodiaDoc.h"
#include "groups/CCreateNewProfileDialog.h"
#include "groups/CGroupPropertiesDlg.h"
#include "users/CAddLoginPathDialog.h"
#include "users/CUpdateDatabasePathDialog.h"
#include "users/CUserPropertiesDlg.h"

namespace custodia {

namespace {

// The number dialog of a new group, kept between runs so that a rerun after a clash shows what was
// typed before.
class NewProfilePrompt final : public NewGroupPrompt {
public:
    NewProfilePrompt(const WordTable& words, UiServices& ui, const std::string& loginPath, QWidget* parent)
        : m_dialog(words, ui, loginPath, parent)
    {
    }

    std::optional<NewGroupChoice> Run() override
    {
        if (m_dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return NewGroupChoice { m_dialog.GetNumber(), m_dialog.GetName() };
    }

private:
    CCreateNewProfileDialog m_dialog;
};

std::vector<std::string> ManagedLoginPaths(CCustodiaDoc& doc)
{
    std::vector<std::string> paths;
    for (const LoginPathEntry& entry : doc.LoginPaths())
        paths.push_back(entry.path.Bytes());
    return paths;
}

} // namespace

ConsoleItemDialogs::ConsoleItemDialogs(const WordTable& words, UiServices& ui, CCustodiaDoc& doc, BackgroundCall* calls)
    : m_words(words)
    , m_ui(ui)
    , m_doc(doc)
    , m_calls(calls)
{
}

// Users, database slots and login paths

bool ConsoleItemDialogs::EditUser(QWidget* parent, UserEntry& user, const std::vector<GroupEntry>& groups,
    const DatabaseList& databases, const UserNameCheck& isNameTaken)
{
    CUserPropertiesDlg dialog(m_words, m_ui, user, groups, databases, parent);
    dialog.SetNameCheck(isNameTaken);
    dialog.SetSaver(m_userSaver);
    dialog.SetHistoryOpener(m_historyOpener);
    return dialog.exec() == QDialog::Accepted;
}

bool ConsoleItemDialogs::EditDatabasePath(QWidget* parent, DatabaseList& databases, int slot)
{
    CUpdateDatabasePathDialog dialog(m_words, m_ui, databases, slot, parent);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<NativePath> ConsoleItemDialogs::AskLoginPath(QWidget* parent)
{
    CAddLoginPathDialog dialog(m_words, m_ui, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetResultPath();
}

// Groups

std::unique_ptr<NewGroupPrompt> ConsoleItemDialogs::MakeNewGroupPrompt(QWidget* parent, const NativePath& loginPath)
{
    return std::make_unique<NewProfilePrompt>(m_words, m_ui, loginPath, parent);
}

bool ConsoleItemDialogs::EditGroup(QWidget* parent, const NativePath& loginPath, const GroupEntry& group)
{
    CGroupPropertiesDlg dialog(m_words, m_ui, loginPath, group, ManagedLoginPaths(m_doc), parent, m_calls);
    dialog.SetTrailOptions(m_trail);
    dialog.SetHistoryOpener(m_historyOpener);
    if (m_groupsSaved)
        dialog.SetGroupsSavedHandler(m_groupsSaved);
    if (m_groupSaveCheck)
        dialog.SetSaveCheck(
            [check = m_groupSaveCheck, &dialog](bool keepsRight) { return check(&dialog, keepsRight); });
    return dialog.exec() == QDialog::Accepted;
}

} // namespace custodia
