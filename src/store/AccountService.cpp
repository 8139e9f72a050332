// The user operations of AccountService: "tessel.pwd" of the login path.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "store/TextRules.h"

namespace custodia {

namespace {

// Why a user cannot be saved as the change left it, or nothing. Texts longer than their fields are
// cut as they always were; what cannot be stored soundly at all is refused.
std::optional<std::string> RefusalOfUser(const UserEntry& entry)
{
    const UserRecord& user = entry.user;
    if (user.userName.empty())
        return "the user name is empty";
    if (user.userName.size() > userrecord::kMaxUserNameLength)
        return "the user name is longer than " + std::to_string(userrecord::kMaxUserNameLength) + " bytes";
    if (HasControlCharacter(user.userName) || HasControlCharacter(user.fullName)
        || HasControlCharacter(user.description))
        return "a text holds a control character";
    if (!IsAcceptablePassword(user.password))
        return std::string("the password must be ") + kPasswordRuleText;
    return std::nullopt;
}

} // namespace

AccountService::AccountService(NativePath loginPath, const FileEnvironment& environment)
    : m_loginPath(std::move(loginPath))
    , m_passwords(m_loginPath, environment)
    , m_profiles(m_loginPath, environment)
    , m_databases(m_loginPath, environment)
{
}

Result<std::vector<UserEntry>> AccountService::LoadUsers() const
{
    return m_passwords.LoadUsers();
}

Status AccountService::ForEachUser(const std::function<void(const UserRecord& user)>& visit) const
{
    return m_passwords.ForEachUser(visit);
}

Result<std::optional<UserEntry>> AccountService::FindUser(std::string_view userName) const
{
    return m_passwords.LookUpUser(userName);
}

Status AccountService::SaveUser(std::string_view userName, SaveMode mode, const UserChange& change) const
{
    if (userName.empty() || userName.size() > userrecord::kMaxUserNameLength)
        return Refused(Failure::Refusal::BadValue, "the user could not be saved", m_passwords.FileName(),
            "a user name has 1 to " + std::to_string(userrecord::kMaxUserNameLength) + " bytes");
    return m_passwords.SaveUser(userName, mode, change, RefusalOfUser);
}

Result<int> AccountService::DeleteUsers(std::span<const std::string> userNames) const
{
    return m_passwords.DeleteUsers(userNames);
}

} // namespace custodia
