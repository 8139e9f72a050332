#include "store/UserStore.h"

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
    static constexpr std::string_view kUserNamePrefix = "username=";
    static constexpr std::string_view kPasswordPrefix = "password=";
    m_userName.reset();
    m_password.reset();
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument.size() > kUserNamePrefix.size() && argument.starts_with(kUserNamePrefix))
            m_userName = std::string(argument.substr(kUserNamePrefix.size()));
        else if (argument.size() > kPasswordPrefix.size() && argument.starts_with(kPasswordPrefix))
            m_password = std::string(argument.substr(kPasswordPrefix.size()));
    }
    return LogonArguments { m_userName, m_password };
}

LogonArguments UserStore::ParseLogonArguments(int argc, const char* const argv[])
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    return ParseLogonArguments(arguments);
}

void UserStore::SetLoggedOnUser(uint8_t databaseMode, uint32_t databaseMask, const UserAccessRecord& access)
{
    m_databaseMode = databaseMode;
    m_databaseMask = databaseMask;
    m_accessRecord = access;
}

void UserStore::Clear()
{
    m_userName.reset();
    m_password.reset();
    m_fullName.reset();
    m_description.reset();
    m_groupName.reset();
}

} // namespace custodia
