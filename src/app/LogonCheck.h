#pragma once

#include "store/DatabaseListStore.h"
#include "store/PasswordFileStore.h"

#include <cstdint>
#include <string>

namespace custodia {

class Session;

// The log-on messages, in the order of their words (535 onwards).
enum class LogonMessage : int {
    WrongPassword = 0,
    NoSuchUser = 1,
    PasswordFileUnreadable = 2,
    PasswordFileHeaderShort = 3,
    PasswordFileWrongTitle = 4,
    NoPasswordFile = 5,
};
inline constexpr int kLogonMessageCount = 6;

// What a log-on attempt came to.
struct LogonOutcome {
    enum class Kind {
        Incomplete, // a name or password was left empty: nothing happens, nothing is shown
        LoggedOn, // the store now holds the user
        Refused, // the message says why
    };
    Kind kind = Kind::Incomplete;
    LogonMessage message = LogonMessage::WrongPassword; // only for Refused
    uint8_t groupNumber = 0; // of the user found by name, 0 if none was
};

// One press of the log-on dialog's OK: finds the user by name in the login path's user file and
// compares the typed password with the stored one, byte for byte and case-sensitive. On a match the
// session takes the user (name and password as typed, full name, description and databases) and the
// login path's database list. The files' opens wait as the stores' environment says.
LogonOutcome AttemptLogon(Session& session, const PasswordFileStore& users, const DatabaseListStore& databases,
    const std::string& userName, const std::string& password);

// The message for a FindUser status other than "found".
LogonMessage LogonMessageForStatus(int findUserStatus);

} // namespace custodia
