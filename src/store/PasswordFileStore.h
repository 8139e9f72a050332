#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/PasswordFileBatch.h"
#include "store/UserEntry.h"
#include "store/UserRecord.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// How a FindUser went. The values are the status numbers the suite's programs report (custodiactl
// prints them); the log-on dialog shows a message of its own for each.
enum FindUserStatus : int {
    kUserFound = 0,
    kNoPasswordFile = 251,
    kPasswordFileWrongTitle = 252,
    kPasswordFileHeaderShort = 253,
    kPasswordFileUnreadable = 254,
    kNoSuchUser = 255,
};

// A FindUser result: the status and, when found, the user (password in plain text) with the last
// access record of its name, or an all-zero one.
struct FoundUser {
    FindUserStatus status = kNoSuchUser;
    UserEntry entry;

    bool WasFound() const { return status == kUserFound; }
};

// Whether a save may make a new user or group, replace a stored one, or either.
enum class SaveMode { CreateOnly, ReplaceOnly, CreateOrReplace };

// The operations on one login path's "tessel.pwd": users and their access records. Every operation
// opens the file, works and closes it again; a change holds it exclusively and decides on what it read
// inside that hold. Failures carry the cause of the open or check that stopped them. Errors after a
// successful open are FileExceptions and pass through.
class PasswordFileStore final {
public:
    // The environment must outlive the object.
    explicit PasswordFileStore(NativePath loginPath, const FileEnvironment& environment = FileEnvironment::System());

    const std::string& FileName() const { return m_fileName; }

    // Creates a header-only file unless one exists; an existing file is never touched.
    Status Create() const;
    // Every user in file order, passwords in plain text, each with its access record (the last one of
    // its name in the file). A missing file fails with the missing open's cause.
    Result<std::vector<UserEntry>> LoadUsers() const;
    // Every user record in file order, without access records and without holding the file or the list
    // whole: for listing thousands of users at once. The function is called only for a password file.
    Status ForEachUser(const std::function<void(const UserRecord& user)>& visit) const;
    // The last user record of that name, with the last access record of the name, and the log-on's
    // status number.
    FoundUser FindUser(std::string_view userName) const;
    // The same for callers that report Failures: nothing when the file holds no user of the name.
    Result<std::optional<UserEntry>> LookUpUser(std::string_view userName) const;

    // Gets the stored user of the name (for a new one: all zero with the name set) and saves it as the
    // change leaves it, inside the one exclusive open that writes the file. The change may rename the
    // user: the new name must be free (AlreadyExists). Texts are cut to their fields. The rule, when
    // given, may refuse the changed user (BadValue, in its words); nothing is written then.
    using UserChange = std::function<void(UserEntry& entry)>;
    using UserRule = std::function<std::optional<std::string>(const UserEntry& entry)>;
    Status SaveUser(
        std::string_view userName, SaveMode mode, const UserChange& change, const UserRule& rule = {}) const;
    // Frees every user record of each name, whatever its other texts, and the access records of the
    // names, in one hold of the file. The value is the number of users deleted; NotFound when none of
    // the names was stored.
    Result<int> DeleteUsers(std::span<const std::string> userNames) const;
    // Frees every user record with all three texts equal, and the access records of the name unless a
    // user of that name stays. The value is the number of records freed.
    Result<int> DeleteUser(std::string_view userName, std::string_view fullName, std::string_view description) const;
    // Frees every user record of the name and its access records; the value is the number of records
    // freed, 0 when the file holds no user of the name.
    Result<int> DeleteUserRecords(std::string_view userName) const;

    // Many users saved and deleted in one exclusive hold that reads the file once and writes it once;
    // see PasswordFileBatch.h. Nothing is written when the decision refuses.
    Status ApplyUserBatch(const UserBatchDecision& decide) const;

    // Whether a log-on is needed: false only when "tessel.pwd" in the current directory is a readable
    // password file with no record in use. Opened once, without retries.
    static bool IsLogonRequired();

private:
    NativePath m_loginPath;
    std::string m_fileName;
    const FileEnvironment* m_environment;
};

} // namespace custodia
