// The user operations of AccountService: "tessel.pwd" of the login path.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "store/AuditTrailLines.h"
#include "store/TextRules.h"

#include <algorithm>

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
    : AccountService(std::move(loginPath), ProcessTrailOptions(), environment)
{
}

AccountService::AccountService(NativePath loginPath, TrailOptions trail, const FileEnvironment& environment)
    : m_loginPath(std::move(loginPath))
    , m_trail(std::move(trail))
    , m_environment(&environment)
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
    return ChangeWithTrail(m_loginPath, m_trail, *m_environment, [&](std::vector<TrailEntry>& lines) {
        std::optional<UserEntry> before;
        UserEntry after;
        const Status saved = m_passwords.SaveUser(
            userName, mode,
            [&](UserEntry& entry) {
                // A new user starts as a blank entry of its name; an existing one never reads as that
                // blank unless it is, and then its line shows the same fields either way.
                UserEntry blank;
                blank.user.userName = entry.user.userName;
                const bool isNew = mode == SaveMode::CreateOnly || (mode != SaveMode::ReplaceOnly && entry == blank);
                if (!isNew)
                    before = entry;
                change(entry);
                after = entry;
            },
            RefusalOfUser);
        if (saved)
            lines = UserSavedLines(before, after);
        return saved;
    });
}

Result<int> AccountService::DeleteUsers(std::span<const std::string> userNames) const
{
    Result<int> deleted = 0;
    const Status logged = ChangeWithTrail(m_loginPath, m_trail, *m_environment, [&](std::vector<TrailEntry>& lines) {
        // Which of several names were stored is read inside the trail's hold: one of them alone was,
        // when one user was deleted.
        std::vector<std::string> stored;
        if (userNames.size() > 1) {
            const Status read = m_passwords.ForEachUser([&](const UserRecord& user) {
                if (std::find(userNames.begin(), userNames.end(), user.userName) != userNames.end()
                    && std::find(stored.begin(), stored.end(), user.userName) == stored.end())
                    stored.push_back(user.userName);
            });
            if (!read)
                return read;
        } else
            stored.assign(userNames.begin(), userNames.end());
        deleted = m_passwords.DeleteUsers(userNames);
        if (!deleted)
            return Status(deleted.Error());
        for (const std::string& name : stored)
            lines.push_back(UserDeletedLine(name));
        return Status();
    });
    if (!logged)
        return logged.Error();
    return deleted;
}

} // namespace custodia
