#include "app/LogonCheck.h"

#include "store/Session.h"

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

LogonOutcome AttemptLogon(Session& session, const PasswordFileStore& users, const DatabaseListStore& databases,
    const std::string& userName, const std::string& password)
{
    LogonOutcome outcome;
    if (userName.empty() || password.empty())
        return outcome;

    const FoundUser found = users.FindUser(userName);
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
    session.SetUserName(userName);
    session.SetPassword(password);
    session.SetFullName(user.fullName);
    session.SetDescription(user.description);
    session.SetDatabaseMode(user.databaseMode);
    session.SetDatabaseMask(user.databaseMask);
    session.LoadDatabaseList(databases);
    outcome.kind = LogonOutcome::Kind::LoggedOn;
    return outcome;
}

} // namespace custodia
