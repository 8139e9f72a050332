#include "app/ItemCommands.h"

#include "app/CCustodiaDoc.h"
#include "app/CCustodiaView.h"
#include "app/CLeftView.h"
#include "app/ItemDialogs.h"
#include "app/ItemListController.h"
#include "app/LoginPathLabels.h"
#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/PasswordFile.h"
#include "store/ProgramIndex.h"
#include "ui/BackgroundCall.h"
#include "ui/FailureReport.h"
#include "ui/FileErrorReport.h"
#include "ui/NumberText.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"
#include "users/UserEdits.h"

#include <algorithm>

namespace custodia {

namespace {

bool HasGroup(const std::vector<GroupEntry>& groups, int groupNumber)
{
    return std::any_of(
        groups.begin(), groups.end(), [&](const GroupEntry& group) { return group.groupNumber == groupNumber; });
}

constexpr int kListedNamesAtMost = 10;
constexpr int kListedMembersAtMost = 5;

// A long list is cut, with the number of the rest in its place.
QString ListedNames(const QStringList& names, const WordTable& words, int atMost = kListedNamesAtMost)
{
    QString text;
    const int shown = std::min(static_cast<int>(names.size()), atMost);
    for (int i = 0; i < shown; ++i)
        text += QStringLiteral("  ") + names[i] + QLatin1Char('\n');
    if (names.size() > shown)
        text
            += QStringLiteral("  ") + WordText(words, Word::MoreRowsLine).arg(names.size() - shown) + QLatin1Char('\n');
    return text;
}

} // namespace

bool IsUserNameStored(const NativePath& loginPath, const std::string& userName, const FileEnvironment& environment)
{
    const Result<std::optional<UserEntry>> found = AccountService(loginPath, environment).FindUser(userName);
    // A file that cannot be read is no proof of a free name; the save itself then says why.
    return found && found->has_value();
}

std::vector<ConsoleMember> StoredConsoleMembers(const std::string& loginPath, const FileEnvironment& environment)
{
    std::vector<ConsoleMember> members;
    // Without the records nobody can be shown as locked out; the change itself then says why.
    const Status read = AccountService(NativePath(loginPath), environment).ForEachUser([&](const UserRecord& user) {
        members.push_back({ user.userName, user.groupNumber });
    });
    if (!read)
        members.clear();
    return members;
}

// Users left in a deleted group show an unknown group afterwards; the supervisor is told who.
QString CItemCommands::MembersWarning(
    const std::vector<ConsoleMember>& users, const std::vector<GroupEntry>& groups) const
{
    QStringList members;
    for (const ConsoleMember& user : users) {
        if (HasGroup(groups, user.groupNumber))
            members.append(StoredText(user.userName));
    }
    if (members.isEmpty())
        return {};
    return QLatin1Char('\n') + Text(Word::GroupMembersWarning).arg(members.size()) + QLatin1Char('\n')
        + ListedNames(members, m_words, kListedMembersAtMost);
}

CItemCommands::CItemCommands(const WordTable& words, CCustodiaDoc& doc, ItemListController& itemList, CLeftView& tree,
    ItemDialogs& dialogs, UiServices& ui)
    : m_words(words)
    , m_doc(doc)
    , m_itemList(itemList)
    , m_view(itemList.View())
    , m_tree(tree)
    , m_dialogs(&dialogs)
    , m_ui(ui)
{
}

QString CItemCommands::Text(Word word) const
{
    return WordText(m_words, word);
}

bool CItemCommands::Confirm(const QString& text, Word caption)
{
    return m_ui.ShowMessage(
               &m_view, text, Text(caption), UiServices::Icon::Warning, UiServices::Buttons::OkCancelDefaultCancel)
        == UiServices::Answer::Ok;
}

bool CItemCommands::IsFolderThere()
{
    const NativePath loginPath = m_view.CurrentLoginPath();
    Word reason = Word::LoginPathMissing;
    switch (CheckLoginPathFolder(loginPath)) {
    case LoginPathProblem::Missing:
        break;
    case LoginPathProblem::NotAFolder:
        reason = Word::LoginPathNotAFolder;
        break;
    // A folder that cannot be listed may still be entered: the files themselves then say.
    case LoginPathProblem::Unreadable:
    case LoginPathProblem::None:
        return true;
    }
    m_ui.ShowMessage(&m_view,
        Text(Word::LoginPathUnavailable) + QStringLiteral("\n\n  ") + PathText(loginPath) + QStringLiteral("\n\n")
            + Text(reason),
        Text(Word::LoginPathUnavailableCaption), UiServices::Icon::Critical, UiServices::Buttons::Ok);
    return false;
}

void CItemCommands::CreateItem()
{
    RunReportingFileErrors(&m_view, m_words, m_ui, [this] {
        switch (m_view.Mode()) {
        case ListMode::Users:
            // Said before the dialog, not after the supervisor has filled it in.
            if (IsFolderThere())
                CreateUser();
            break;
        case ListMode::Groups:
            if (IsFolderThere())
                CreateGroup();
            break;
        case ListMode::LoginPaths:
        case ListMode::Categories:
            CreateLoginPath();
            break;
        case ListMode::DatabasePaths:
        case ListMode::None:
            break;
        }
    });
}

void CItemCommands::EditItem()
{
    const std::optional<int> row = m_view.SelectedRow();
    if (!row)
        return;
    RunReportingFileErrors(&m_view, m_words, m_ui, [this, row = *row] {
        switch (m_view.Mode()) {
        case ListMode::LoginPaths:
        case ListMode::Categories:
            EditLoginPath(row);
            break;
        case ListMode::Users:
            if (IsFolderThere())
                EditUser(row);
            break;
        case ListMode::Groups:
            if (IsFolderThere())
                EditGroup(row);
            break;
        case ListMode::DatabasePaths:
            if (IsFolderThere())
                EditDatabasePath(row);
            break;
        case ListMode::None:
            break;
        }
    });
}

void CItemCommands::DeleteItem()
{
    const std::vector<int> rows = m_view.SelectedRows();
    if (rows.empty())
        return;
    // The focus may have gone far from the selection (Ctrl+End moves it alone): what is deleted is
    // shown before the question.
    if (m_view.Mode() != ListMode::DatabasePaths && m_view.Mode() != ListMode::None)
        m_view.ShowSelection();
    RunReportingFileErrors(&m_view, m_words, m_ui, [this, &rows] {
        switch (m_view.Mode()) {
        case ListMode::Users:
            DeleteUsers(rows);
            break;
        case ListMode::Groups:
            DeleteGroups(rows);
            break;
        case ListMode::LoginPaths:
        case ListMode::Categories:
            // Every category row stands for the same login path; the first selected one is enough.
            DeleteLoginPath(rows.front());
            break;
        case ListMode::DatabasePaths:
        case ListMode::None:
            break;
        }
    });
}

ConsoleLockoutCheck CItemCommands::LockoutCheck(const std::string& loginPath, const FileEnvironment& environment) const
{
    return ConsoleLockoutCheck(m_supervisor, ConsoleLockoutCheck::StoredGroupRights(loginPath, environment));
}

BackgroundCall& CItemCommands::Calls() const
{
    return m_itemList.Calls();
}

bool CItemCommands::IsNameTaken(const NativePath& loginPath, const std::string& userName) const
{
    return Calls().Run(
        [&](const FileEnvironment& environment) { return IsUserNameStored(loginPath, userName, environment); });
}

bool CItemCommands::ConfirmLockOut(LockOut lockOut, QWidget* parent)
{
    if (lockOut == LockOut::None)
        return true;
    const Word warning = lockOut == LockOut::Self ? Word::SelfLockOutWarning : Word::LockOutWarning;
    return m_ui.ShowMessage(parent != nullptr ? parent : &m_view, Text(warning), Text(Word::LockOutCaption),
               UiServices::Icon::Warning, UiServices::Buttons::OkCancelDefaultCancel)
        == UiServices::Answer::Ok;
}

void CItemCommands::CreateUser()
{
    UserEntry entry;
    const NativePath loginPath = m_view.CurrentLoginPath();
    // A new user never replaces one of the same name.
    const auto isNameTaken = [&](const std::string& name) { return IsNameTaken(loginPath, name); };
    // Made whole as the dialog left it; a name stored meanwhile by another program is refused.
    const auto save = [&](QWidget* parent, const UserEntry& edited) {
        const Status saved = Calls().Run([&](const FileEnvironment& environment) {
            return AccountService(loginPath, m_trail, environment)
                .SaveUser(edited.user.userName, SaveMode::CreateOnly, [&](UserEntry& stored) { stored = edited; });
        });
        if (!saved)
            ReportFailure(parent, m_words, m_ui, saved.Error());
        return static_cast<bool>(saved);
    };
    if (RunUserDialog(entry, isNameTaken, save))
        ReloadShowing(StoredText(entry.user.userName));
}

void CItemCommands::ReloadShowing(const QString& rowKey)
{
    m_itemList.Reload();
    m_view.SelectAndShowRowWithKey(rowKey);
}

bool CItemCommands::RunUserDialog(UserEntry& entry, const std::function<bool(const std::string&)>& isNameTaken,
    const std::function<bool(QWidget*, const UserEntry&)>& save)
{
    // The dialog saves on OK and stays open when the save failed, the supervisor's edits with it.
    bool done = false;
    m_dialogs->SetUserSaver([&](QWidget* dialog, const UserEntry& edited) { return done = save(dialog, edited); });
    const bool accepted = m_dialogs->EditUser(&m_view, entry, m_itemList.Groups(), m_itemList.Databases(), isNameTaken);
    m_dialogs->SetUserSaver({});
    if (accepted && !done)
        save(&m_view, entry);
    return accepted;
}

bool CItemCommands::SaveUserEdits(
    QWidget* parent, const NativePath& loginPath, const UserEntry& opened, const UserEntry& edited)
{
    // One change under one hold of the file, a rename included: the user as stored now takes only what
    // the dialog changed, so another program's change of the other fields meanwhile stays.
    Status saved = Calls().Run([&](const FileEnvironment& environment) {
        return AccountService(loginPath, m_trail, environment)
            .SaveUser(opened.user.userName, SaveMode::ReplaceOnly,
                [&](UserEntry& stored) { ApplyUserEdits(opened, edited, stored); });
    });
    if (!saved && saved.Error().refusal == Failure::Refusal::NotFound) {
        // Another program deleted the user while the dialog was open; bringing it back, password and
        // all, is for the supervisor to decide.
        if (m_ui.ShowMessage(parent, Text(Word::UserDeletedMeanwhile), Text(Word::DeletedMeanwhileCaption),
                UiServices::Icon::Warning, UiServices::Buttons::OkCancelDefaultCancel)
            != UiServices::Answer::Ok)
            return true;
        saved = Calls().Run([&](const FileEnvironment& environment) {
            return AccountService(loginPath, m_trail, environment)
                .SaveUser(edited.user.userName, SaveMode::CreateOnly, [&](UserEntry& stored) { stored = edited; });
        });
    }
    if (!saved)
        ReportFailure(parent, m_words, m_ui, saved.Error());
    return static_cast<bool>(saved);
}

std::optional<int> CItemCommands::AskForFreeGroupNumber(std::string& name)
{
    const std::unique_ptr<NewGroupPrompt> prompt = m_dialogs->MakeNewGroupPrompt(&m_view, m_view.CurrentLoginPath());
    if (!prompt)
        return std::nullopt;
    for (;;) {
        std::optional<NewGroupChoice> choice = prompt->Run();
        if (!choice)
            return std::nullopt;
        if (!HasGroup(m_itemList.Groups(), choice->groupNumber)) {
            name = std::move(choice->name);
            return choice->groupNumber;
        }
        m_ui.ShowMessage(&m_view, Text(Word::GroupNumberClash), Text(Word::CheckYourInputCaption),
            UiServices::Icon::Critical, UiServices::Buttons::Ok);
    }
}

void CItemCommands::CreateGroup()
{
    GroupEntry group;
    const std::optional<int> number = AskForFreeGroupNumber(group.name);
    if (!number)
        return;
    group.groupNumber = *number;
    const NativePath loginPath = m_view.CurrentLoginPath();
    if (EditGroupChecked(loginPath, group))
        ReloadShowing(QString::number(group.groupNumber));
}

bool CItemCommands::EditGroupChecked(const NativePath& loginPath, const GroupEntry& group)
{
    m_dialogs->SetGroupSaveCheck([this, loginPath, number = group.groupNumber](QWidget* dialog, bool keepsRight) {
        const LockOut lockOut = Calls().Run([&](const FileEnvironment& environment) {
            return LockoutCheck(loginPath, environment)
                .ChangingGroupRight(loginPath, StoredConsoleMembers(loginPath, environment), number, keepsRight);
        });
        return ConfirmLockOut(lockOut, dialog);
    });
    // The dialog saves on its own, Save As included while it stays open; the list then shows what is stored.
    m_dialogs->SetGroupsSavedHandler([this] { m_itemList.Reload(); });
    const bool saved = m_dialogs->EditGroup(&m_view, loginPath, group);
    m_dialogs->SetGroupSaveCheck({});
    m_dialogs->SetGroupsSavedHandler({});
    return saved;
}

void CItemCommands::CreateLoginPath()
{
    const std::optional<NativePath> path = m_dialogs->AskLoginPath(&m_view);
    if (!path)
        return;
    const Result<ManagedLoginPath> added = Calls().Run([&](const FileEnvironment& environment) {
        return AddManagedLoginPath(m_doc.FileName(), *path, environment, m_trail);
    });
    if (!added)
        ReportFailure(&m_view, m_words, m_ui, added.Error());
    // A folder managed already is opened where it is listed, after saying so: under another spelling
    // it is the same folder, and the supervisor must see which entry it is.
    if (added && !added->added)
        m_ui.ShowMessage(&m_view,
            Text(Word::LoginPathManagedAlready) + QStringLiteral("\n\n  ") + PathText(NativePath(added->listedAs)),
            Text(Word::AddLoginPathTitle), UiServices::Icon::Information, UiServices::Buttons::Ok);
    m_doc.LoadLoginPaths();
    m_tree.FillTree(added ? NativePath(added->listedAs) : *path);
}

void CItemCommands::EditLoginPath(int row)
{
    const NativePath* path = m_itemList.LoginPathAt(row);
    const LoginPathEntry* entry = path != nullptr ? m_doc.FindLoginPath(*path) : nullptr;
    if (entry == nullptr)
        return;
    // A login path row opens its users; a category row opens that category.
    const auto category
        = m_view.Mode() == ListMode::Categories ? static_cast<LoginPathCategory>(row) : LoginPathCategory::Users;
    m_tree.SelectCategory(*entry, category);
}

void CItemCommands::EditUser(int row)
{
    const UserEntry* listed = m_itemList.UserAt(row);
    if (listed == nullptr)
        return;
    const UserEntry opened = *listed;
    UserEntry entry = opened;
    const std::string oldName = entry.user.userName;
    const NativePath loginPath = m_view.CurrentLoginPath();
    const auto isNameTaken = [&](const std::string& name) { return name != oldName && IsNameTaken(loginPath, name); };
    const auto save
        = [&](QWidget* parent, const UserEntry& edited) { return SaveUserEdits(parent, loginPath, opened, edited); };
    if (!RunUserDialog(entry, isNameTaken, save))
        return;
    // A renamed user is a row the list has not shown before.
    if (entry.user.userName != oldName)
        ReloadShowing(StoredText(entry.user.userName));
    else
        m_itemList.Reload();
}

void CItemCommands::EditGroup(int row)
{
    const GroupEntry* listed = m_itemList.GroupAt(row);
    if (listed == nullptr)
        return;
    const GroupEntry group = *listed;
    const NativePath loginPath = m_view.CurrentLoginPath();
    if (EditGroupChecked(loginPath, group))
        m_itemList.Reload();
}

void CItemCommands::EditDatabasePath(int row)
{
    if (row >= databaselist::kShownSlotCount)
        return;
    // The dialog works on a copy, so a cancelled dialog leaves the list's image as it was.
    const DatabaseList opened = m_itemList.Databases();
    DatabaseList databases = opened;
    if (!m_dialogs->EditDatabasePath(&m_view, databases, row))
        return;
    // The slot as the file holds it inside the hold takes the fields the dialog changed; another
    // program's change of the other fields and slots stays.
    const auto change = [&](DatabaseSlot& slot) {
        if (databases.GetPath(row) != opened.GetPath(row))
            slot.path = databases.GetPath(row);
        if (databases.GetMirrorPath(row) != opened.GetMirrorPath(row))
            slot.mirrorPath = databases.GetMirrorPath(row);
        if (databases.IsMirrorOn(row) != opened.IsMirrorOn(row))
            slot.mirrorOn = databases.IsMirrorOn(row);
        if (databases.GetDescription(row) != opened.GetDescription(row))
            slot.description = databases.GetDescription(row);
    };
    const NativePath loginPath = m_view.CurrentLoginPath();
    const Status saved = Calls().Run([&](const FileEnvironment& environment) {
        return AccountService(loginPath, m_trail, environment).SetDatabaseSlot(row, AccountService::SlotChange(change));
    });
    if (!saved)
        ReportFailure(&m_view, m_words, m_ui, saved.Error());
    m_itemList.Reload();
}

void CItemCommands::DeleteUsers(const std::vector<int>& rows)
{
    std::vector<UserRecord> users;
    for (const int row : rows) {
        if (const UserEntry* listed = m_itemList.UserAt(row))
            users.push_back(listed->user);
    }
    if (users.empty())
        return;
    QString text;
    if (users.size() == 1) {
        const UserRecord& user = users.front();
        text = Text(Word::DeleteUserPrompt) + QStringLiteral("\n\n  ") + Text(Word::UserNameFieldLabel)
            + QLatin1Char(' ') + StoredText(user.userName) + QStringLiteral("\n  ") + Text(Word::UserFullNameLabel)
            + QLatin1Char(' ') + StoredText(user.fullName) + QStringLiteral("\n  ") + Text(Word::UserDescriptionLabel)
            + QLatin1Char(' ') + StoredText(user.description);
    } else {
        QStringList names;
        for (const UserRecord& user : users)
            names.append(StoredText(user.userName) + QStringLiteral(" - ") + StoredText(user.fullName));
        text = Text(Word::DeleteRowsPrompt).arg(users.size()) + QStringLiteral("\n\n") + ListedNames(names, m_words);
    }
    if (!Confirm(text, Word::DeleteUserCaption))
        return;
    const NativePath loginPath = m_view.CurrentLoginPath();
    std::set<std::string> names;
    for (const UserRecord& user : users)
        names.insert(user.userName);
    const LockOut lockOut = Calls().Run([&](const FileEnvironment& environment) {
        return LockoutCheck(loginPath, environment)
            .DeletingUsers(loginPath, StoredConsoleMembers(loginPath, environment), names);
    });
    if (!ConfirmLockOut(lockOut))
        return;
    // By name alone, in one hold of the file: a user another program renamed or re-described meanwhile
    // is still the user the supervisor chose.
    const std::vector<std::string> chosen(names.begin(), names.end());
    const Result<int> deleted = Calls().Run([&](const FileEnvironment& environment) {
        return AccountService(loginPath, m_trail, environment).DeleteUsers(chosen);
    });
    if (!deleted)
        ReportFailure(&m_view, m_words, m_ui, deleted.Error());
    m_itemList.Reload();
}

void CItemCommands::DeleteGroups(const std::vector<int>& rows)
{
    std::vector<GroupEntry> groups;
    for (const int row : rows) {
        if (const GroupEntry* listed = m_itemList.GroupAt(row))
            groups.push_back(*listed);
    }
    if (groups.empty())
        return;
    const NativePath loginPath = m_view.CurrentLoginPath();
    const std::vector<ConsoleMember> members
        = Calls().Run([&](const FileEnvironment& environment) { return StoredConsoleMembers(loginPath, environment); });
    // Many groups are counted, as many users are.
    QString text = groups.size() == 1 ? Text(Word::DeleteGroupPrompt) + QStringLiteral(":\n\n")
                                      : Text(Word::DeleteRowsPrompt).arg(groups.size()) + QStringLiteral("\n\n");
    QStringList names;
    for (const GroupEntry& group : groups)
        names.append(ZeroPadded(group.groupNumber, 3) + QLatin1Char(' ') + StoredText(group.name));
    text += ListedNames(names, m_words);
    text += MembersWarning(members, groups);
    if (!Confirm(text, Word::DeleteGroupCaption))
        return;
    std::set<int> numbers;
    for (const GroupEntry& group : groups)
        numbers.insert(group.groupNumber);
    const LockOut lockOut = Calls().Run([&](const FileEnvironment& environment) {
        return LockoutCheck(loginPath, environment).DeletingGroups(loginPath, members, numbers);
    });
    if (!ConfirmLockOut(lockOut))
        return;
    // From all twelve files at once, all or nothing.
    std::vector<uint8_t> chosen;
    for (const int number : numbers)
        chosen.push_back(static_cast<uint8_t>(number));
    const Status deleted = Calls().Run([&](const FileEnvironment& environment) {
        return AccountService(loginPath, m_trail, environment).DeleteGroups(chosen);
    });
    if (!deleted)
        ReportFailure(&m_view, m_words, m_ui, deleted.Error());
    m_itemList.Reload();
}

void CItemCommands::DeleteLoginPath(int row)
{
    const NativePath* listed = m_itemList.LoginPathAt(row);
    if (listed == nullptr)
        return;
    // Copied: the list and the document are rebuilt below.
    const NativePath path = *listed;
    if (!Confirm(
            Text(Word::RemoveLoginPathPrompt) + QStringLiteral("\n\n ") + PathText(path), Word::RemoveLoginPathCaption))
        return;
    // Only the managed list changes; the login path's folder and files stay as they are.
    // Another program may have removed it meanwhile: then it is gone as asked.
    const Status removed = Calls().Run([&](const FileEnvironment& environment) {
        return RemoveManagedLoginPath(m_doc.FileName(), path, environment, m_trail);
    });
    if (!removed && removed.Error().refusal != Failure::Refusal::NotFound)
        ReportFailure(&m_view, m_words, m_ui, removed.Error());
    m_doc.LoadLoginPaths();
    m_tree.FillTree(std::nullopt);
}

} // namespace custodia
