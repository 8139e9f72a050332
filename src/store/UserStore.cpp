#include "store/UserStore.h"

#include "store/DatabaseListStore.h"
#include "store/ProfileStore.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace custodia {

namespace {

template <typename T> Loaded<T> LoadedOf(Result<T> result)
{
    Loaded<T> loaded;
    if (result)
        loaded.value = std::move(result).Value();
    else
        static_cast<FileReadResult&>(loaded) = ReadResultOf(result.Error());
    return loaded;
}

} // namespace

UserStore::UserStore() = default;

UserStore::~UserStore() = default;

bool UserStore::CreatePasswordFile(const std::string& loginPath) const
{
    return PasswordFileStore(NativePath(loginPath)).Create().HasValue();
}

Loaded<std::vector<UserEntry>> UserStore::LoadUsers(const std::string& loginPath) const
{
    return LoadedOf(PasswordFileStore(NativePath(loginPath)).LoadUsers());
}

FileReadResult UserStore::ForEachUser(
    const std::string& loginPath, const std::function<void(const UserRecord& user)>& visit) const
{
    const Status read = PasswordFileStore(NativePath(loginPath)).ForEachUser(visit);
    return read ? FileReadResult {} : ReadResultOf(read.Error());
}

FoundUser UserStore::FindUser(const std::string& loginPath, std::string_view userName) const
{
    return PasswordFileStore(NativePath(loginPath)).FindUser(userName);
}

SaveUserResult UserStore::SaveUser(const std::string& loginPath, const UserEntry& entry) const
{
    return UpdateUser(loginPath, entry.user.userName, [&entry](UserEntry& stored) { stored = entry; });
}

SaveUserResult UserStore::UpdateUser(
    const std::string& loginPath, std::string_view userName, const std::function<void(UserEntry&)>& change) const
{
    // The name stays: the entry's name is the one asked for, as it always was here.
    const std::string name(userName);
    const Status saved
        = PasswordFileStore(NativePath(loginPath)).SaveUser(userName, SaveMode::CreateOrReplace, [&](UserEntry& entry) {
              change(entry);
              entry.user.userName = name;
          });
    return saved ? kUserSaved : kUserNotSaved;
}

int UserStore::DeleteUser(const std::string& loginPath, std::string_view userName, std::string_view fullName,
    std::string_view description) const
{
    const Result<int> freed = PasswordFileStore(NativePath(loginPath)).DeleteUser(userName, fullName, description);
    return freed ? *freed : 0;
}

Loaded<int> UserStore::DeleteUserNamed(const std::string& loginPath, std::string_view userName) const
{
    return LoadedOf(PasswordFileStore(NativePath(loginPath)).DeleteUserRecords(userName));
}

bool UserStore::IsLogonRequired()
{
    return PasswordFileStore::IsLogonRequired();
}

LogonArguments UserStore::ParseLogonArguments(const std::vector<std::string>& arguments)
{
    const LogonArguments found = custodia::ParseLogonArguments(arguments);
    m_session.SetUserName(found.userName);
    m_session.SetPassword(found.password);
    return found;
}

LogonArguments UserStore::ParseLogonArguments(int argc, const char* const argv[])
{
    const LogonArguments found = custodia::ParseLogonArguments(argc, argv);
    m_session.SetUserName(found.userName);
    m_session.SetPassword(found.password);
    return found;
}

void UserStore::SetLoggedOnUser(uint8_t databaseMode, uint32_t databaseMask, const UserAccessRecord&)
{
    m_session.SetDatabaseMode(databaseMode);
    m_databaseMask = databaseMask;
}

void UserStore::Clear()
{
    m_session.Clear();
    m_fullName.reset();
}

Loaded<std::vector<GroupEntry>> UserStore::LoadGroupList(const std::string& loginPath) const
{
    return ProfileStore(NativePath(loginPath)).LoadGroupList();
}

bool UserStore::LoadGroupRights(const std::string& loginPath, uint8_t groupNumber)
{
    return m_session.LoadGroupRights(ProfileStore(NativePath(loginPath)), groupNumber);
}

bool UserStore::SaveGroup(const std::string& loginPath, uint8_t groupNumber, std::string_view name)
{
    return SaveGroupAllOrNothing(loginPath, groupNumber, name).result == RecordChangeResult::Written;
}

RecordChangeOutcome UserStore::SaveGroupAllOrNothing(
    const std::string& loginPath, uint8_t groupNumber, std::string_view name)
{
    const RightsTable& table = GetRightsTable();
    return ChangeGroup(loginPath, groupNumber, name, [&](int program, std::span<unsigned char> rights) {
        const RightsTable::Row& row = *table.GetRow(program);
        std::copy(row.begin(), row.end(), rights.begin());
    });
}

RecordChangeOutcome UserStore::ChangeGroup(
    const std::string& loginPath, uint8_t groupNumber, std::string_view name, const RightsChange& change)
{
    return RecordChangeOutcome::Of(
        ProfileStore(NativePath(loginPath)).ChangeGroup(groupNumber, name, SaveMode::CreateOrReplace, change));
}

void UserStore::DeleteGroup(const std::string& loginPath, uint8_t groupNumber) const
{
    const uint8_t groups[] = { groupNumber };
    static_cast<void>(ProfileStore(NativePath(loginPath)).DeleteGroups(groups));
}

bool UserStore::SaveDatabaseList(const std::string& loginPath, const DatabaseList& list) const
{
    return DatabaseListStore(NativePath(loginPath)).Save(list).HasValue();
}

RecordChangeResult UserStore::ChangeDatabaseList(
    const std::string& loginPath, const std::function<void(DatabaseList& list)>& change) const
{
    const Result<bool> changed = DatabaseListStore(NativePath(loginPath))
                                     .Change(
                                         [&](DatabaseList& list) {
                                             change(list);
                                             return true;
                                         },
                                         {});
    return RecordChangeOutcome::Of(changed).result;
}

} // namespace custodia
