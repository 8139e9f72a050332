#include "app/LogonCheck.h"

#include "store/UserStore.h"

namespace custodia {

LogonMessage LogonMessageForStatus(int findUserStatus)
{
    switch (findUserStatus) {
    case kPasswordFileUnreadable:
        return LogonMessage::PasswordFileUnreadable;
    case kPasswordFileHeaderShort:
        return LogonMessage::PasswordFileHeaderShort;
    case kPasswordFileWrongTitle:
        return LogonMessage::PasswordFileWrongTitle;
    case kNoPasswordFile:
        return LogonMessage::NoPasswordFile;
    default:
        return LogonMessage::NoSuchUser;
    }
}

LogonOutcome AttemptLogon(UserStore& store, const std::string& loginPath, const std::string& userName,
    const std::string& password, const FileEnvironment& environment)
{
    LogonOutcome outcome;
    if (userName.empty() || password.empty())
        return outcome;

    const FoundUser found = PasswordFileStore(NativePath(loginPath), environment).FindUser(userName);
    const UserRecord& user = found.entry.user;
    outcome.groupNumber = found.WasFound() ? user.groupNumber : 0;
    if (!found.WasFound()) {
        outcome.kind = LogonOutcome::Kind::Refused;
        outcome.message = LogonMessageForStatus(found.status);
        return outcome;
    }
    // std::string compares every byte, so a stored password is never matched by a prefix of it.
    if (password != user.password) {
        outcome.kind = LogonOutcome::Kind::Refused;
        outcome.message = LogonMessage::WrongPassword;
        return outcome;
    }
    store.SetUserName(userName);
    store.SetPassword(password);
    store.SetFullName(user.fullName);
    store.SetDescription(user.description);
    store.SetLoggedOnUser(user.databaseMode, user.databaseMask, found.entry.access);
    store.LoadDatabaseList(loginPath);
    outcome.kind = LogonOutcome::Kind::LoggedOn;
    return outcome;
}

} // namespace custodia
