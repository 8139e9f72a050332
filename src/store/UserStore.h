#pragma once

#include "store/DatabaseList.h"
#include "store/FileReadResult.h"
#include "store/GroupEntry.h"
#include "store/PasswordFileStore.h"
#include "store/RecordFile.h"
#include "store/RightsTable.h"
#include "store/UserAccessRecord.h"
#include "store/UserEntry.h"
#include "store/UserRecord.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// SaveUser results.
enum SaveUserResult : int {
    kUserSaved = 0,
    kUserNotSaved = 255,
};

// What ParseLogonArguments found; either may be missing.
struct LogonArguments {
    std::optional<std::string> userName;
    std::optional<std::string> password;
};

// The account files of a login path: users and their access records ("tessel.pwd"), the groups' rights
// (the twelve profile files) and the database list ("tessel.dbs"). One instance lives as long as the
// program and holds the logged-on user; every other use makes a local instance for one operation.
// Every operation opens its file, works and closes it again; nothing is held open in between.
// Errors after a successful open are FileExceptions and pass through.
class UserStore final {
public:
    UserStore();
    ~UserStore();
    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    // --- "tessel.pwd" ---

    // Creates a header-only "tessel.pwd" in the login path unless one exists; an existing file is never
    // touched. True if the file exists afterwards.
    bool CreatePasswordFile(const std::string& loginPath) const;
    // Every user in file order, passwords in plain text, each with its access record (the last one of
    // its name in the file). The status tells a file without users (Read, no value) from one that is
    // missing, cannot be opened, or is no password file (Damaged: short header or wrong title).
    Loaded<std::vector<UserEntry>> LoadUsers(const std::string& loginPath) const;
    // Every user record in file order, password in plain text, without access records and without
    // holding the file or the list whole: for listing thousands of users at once. The status tells a
    // file without users from one that is missing, cannot be opened, or is no password file; the
    // function is called only for a file that is one.
    FileReadResult ForEachUser(
        const std::string& loginPath, const std::function<void(const UserRecord& user)>& visit) const;
    // The last user record of that name, with the last access record of the name.
    FoundUser FindUser(const std::string& loginPath, std::string_view userName) const;
    // Adds the user, or replaces the user of that name, with its access record (the name in the access
    // record is ignored; the record is tied to the user's name). Texts are cut to their fields.
    // kUserNotSaved if the file can be neither opened nor created, or is not a password file; such a
    // file is left unchanged.
    SaveUserResult SaveUser(const std::string& loginPath, const UserEntry& entry) const;
    // Saves the user of that name as the change leaves it, starting from the stored user (the last of
    // its name, with its last access record) or, for a new one, from zero with the name set. The change
    // runs inside the one exclusive open that writes the file, so that nothing another program saved in
    // between is lost. Results as SaveUser; the change does not run when the file cannot be used.
    SaveUserResult UpdateUser(
        const std::string& loginPath, std::string_view userName, const std::function<void(UserEntry&)>& change) const;
    // Frees every user record with all three texts equal, and the access records of the name unless a
    // user of that name stays. Returns the number of records freed (0 also when the file cannot be used).
    int DeleteUser(const std::string& loginPath, std::string_view userName, std::string_view fullName,
        std::string_view description) const;
    // Frees every user record of the name, whatever its other texts, and the access records of the
    // name, within one exclusive open; nothing when the file holds no user of the name. The value is
    // the number of records freed; the status tells a file without the user (Read, 0) from one that is
    // missing, cannot be opened or is no password file.
    Loaded<int> DeleteUserNamed(const std::string& loginPath, std::string_view userName) const;

    // Whether a log-on is needed: false only when "tessel.pwd" in the current directory is a readable
    // password file with no record in use. Opened once, without retries.
    static bool IsLogonRequired();

    // --- the logged-on user ---

    // Takes "username=" and "password=" (case-sensitive, with at least one character after them) from
    // arguments[1..]; the last of each kind counts. Stores and returns them.
    LogonArguments ParseLogonArguments(const std::vector<std::string>& arguments);
    LogonArguments ParseLogonArguments(int argc, const char* const argv[]);

    void SetUserName(std::optional<std::string> userName) { m_userName = std::move(userName); }
    void SetPassword(std::optional<std::string> password) { m_password = std::move(password); }
    void SetFullName(std::optional<std::string> fullName) { m_fullName = std::move(fullName); }
    void SetDescription(std::optional<std::string> description) { m_description = std::move(description); }
    void SetLoggedOnUser(uint8_t databaseMode, uint32_t databaseMask, const UserAccessRecord& access);
    void SetLogonRequired(bool required) { m_logonRequired = required; }
    // Frees the five texts.
    void Clear();

    const std::optional<std::string>& GetUserName() const { return m_userName; }
    const std::optional<std::string>& GetPassword() const { return m_password; }
    const std::optional<std::string>& GetFullName() const { return m_fullName; }
    const std::optional<std::string>& GetDescription() const { return m_description; }
    const std::optional<std::string>& GetGroupName() const { return m_groupName; }
    bool GetLogonRequired() const { return m_logonRequired; }
    uint8_t GetDatabaseMode() const { return m_databaseMode; }
    uint32_t GetDatabaseMask() const { return m_databaseMask; }
    const UserAccessRecord& GetAccessRecord() const { return m_accessRecord; }

    // --- profiles ---

    // The groups that "setup.prf" holds, in ascending number; one read of the file. A file that is
    // missing or fails its check lists no group, and the status says which.
    Loaded<std::vector<GroupEntry>> LoadGroupList(const std::string& loginPath) const;
    // Fills the rights table from the twelve profile files (each row cut to its program's row length,
    // a missing or damaged file giving a zero row) and the group name. False if no file held the group;
    // the table is then all zero.
    bool LoadGroupRights(const std::string& loginPath, uint8_t groupNumber);
    // Row of a program, or null if the table was never loaded or the index is outside 0..11.
    const RightsTable::Row* GetProgramRights(int program) const;
    // 1 if the table was never loaded or the program is outside 0..11 (no log-on grants everything);
    // otherwise the stored byte, 0 for a position outside 0..999.
    uint8_t HasRight(int program, int position) const;
    // The table the group dialog edits; made all zero on first use.
    RightsTable& GetRightsTable();
    const RightsTable* FindRightsTable() const { return m_rightsTable.get(); }
    // Writes the group, with the table's rows, into all twelve profile files (created when missing),
    // all or none. The name is cut to 99 characters. True if all twelve were written.
    bool SaveGroup(const std::string& loginPath, uint8_t groupNumber, std::string_view name);
    // The same, telling which file stopped the save when it failed (then none was written).
    RecordChangeOutcome SaveGroupAllOrNothing(const std::string& loginPath, uint8_t groupNumber, std::string_view name);
    // Changes the group's rights as they are in the files at the moment of writing, under one hold of
    // all twelve (so that nothing another program changed meanwhile is lost), and names it; all files or
    // none. The function gets each program's 1000 bytes of rights as stored, zero past the program's row
    // length (and all zero for a new group).
    using RightsChange = std::function<void(int program, std::span<unsigned char> rights)>;
    RecordChangeOutcome ChangeGroup(
        const std::string& loginPath, uint8_t groupNumber, std::string_view name, const RightsChange& change);
    // Deletes the group's record from every profile file that holds it.
    void DeleteGroup(const std::string& loginPath, uint8_t groupNumber) const;

    // --- database list ---

    // Zero-fills the store's image and reads "tessel.dbs" into it. A file without the record, or a
    // missing one, leaves the image zero. A file that fails its check is still read, as the suite's
    // other programs read it, and reported Damaged.
    FileReadResult LoadDatabaseList(const std::string& loginPath);
    // The image of the last LoadDatabaseList, or null before the first.
    const DatabaseList* GetDatabaseList() const { return m_databaseList.get(); }
    // A copy of that image, or ten empty slots before the first LoadDatabaseList.
    DatabaseList DatabaseListOrEmpty() const;
    // Writes the whole image as the record of "tessel.dbs" (created when missing). False if the file
    // could neither be opened nor created.
    bool SaveDatabaseList(const std::string& loginPath, const DatabaseList& list) const;
    // Changes the list as it is in the file at the moment of writing, under one hold of the file, so
    // that another program's change of other slots is kept. A damaged file is left as it is.
    RecordChangeResult ChangeDatabaseList(
        const std::string& loginPath, const std::function<void(DatabaseList& list)>& change) const;

private:
    std::optional<std::string> m_userName;
    std::optional<std::string> m_password;
    std::optional<std::string> m_fullName;
    std::optional<std::string> m_description;
    std::optional<std::string> m_groupName;
    bool m_logonRequired = true;
    uint8_t m_databaseMode = 0;
    uint32_t m_databaseMask = 0;
    UserAccessRecord m_accessRecord;
    std::unique_ptr<DatabaseList> m_databaseList;
    std::unique_ptr<RightsTable> m_rightsTable;
};

} // namespace custodia
