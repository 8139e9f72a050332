#pragma once

#include "store/DatabaseList.h"
#include "store/FileReadResult.h"
#include "store/GroupEntry.h"
#include "store/LogonArguments.h"
#include "store/PasswordFileStore.h"
#include "store/RecordFile.h"
#include "store/RightsTable.h"
#include "store/Session.h"
#include "store/UserAccessRecord.h"
#include "store/UserEntry.h"
#include "store/UserRecord.h"

#include <cstdint>
#include <functional>
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

// The window's old entry point to the account files and the logged-on user, kept while the window
// moves onto AccountService and Session: each operation forwards to PasswordFileStore, ProfileStore,
// DatabaseListStore or the Session it holds. New code uses those; custodiactl and the core do not use
// this class.
class UserStore final {
public:
    UserStore();
    ~UserStore();
    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    // --- "tessel.pwd" (PasswordFileStore) ---

    bool CreatePasswordFile(const std::string& loginPath) const;
    Loaded<std::vector<UserEntry>> LoadUsers(const std::string& loginPath) const;
    FileReadResult ForEachUser(
        const std::string& loginPath, const std::function<void(const UserRecord& user)>& visit) const;
    FoundUser FindUser(const std::string& loginPath, std::string_view userName) const;
    // Adds the user, or replaces the user of that name; kUserNotSaved when the file cannot be used.
    SaveUserResult SaveUser(const std::string& loginPath, const UserEntry& entry) const;
    SaveUserResult UpdateUser(
        const std::string& loginPath, std::string_view userName, const std::function<void(UserEntry&)>& change) const;
    // The number of records freed (0 also when the file cannot be used).
    int DeleteUser(const std::string& loginPath, std::string_view userName, std::string_view fullName,
        std::string_view description) const;
    Loaded<int> DeleteUserNamed(const std::string& loginPath, std::string_view userName) const;
    static bool IsLogonRequired();

    // --- the logged-on user (Session) ---

    // Stores and returns what ParseLogonArguments finds.
    LogonArguments ParseLogonArguments(const std::vector<std::string>& arguments);
    LogonArguments ParseLogonArguments(int argc, const char* const argv[]);

    void SetUserName(std::optional<std::string> userName) { m_session.SetUserName(std::move(userName)); }
    void SetPassword(std::optional<std::string> password) { m_session.SetPassword(std::move(password)); }
    void SetFullName(std::optional<std::string> fullName) { m_fullName = std::move(fullName); }
    void SetDescription(std::optional<std::string> description) { m_session.SetDescription(std::move(description)); }
    void SetLoggedOnUser(uint8_t databaseMode, uint32_t databaseMask, const UserAccessRecord& access);
    void SetLogonRequired(bool required) { m_session.SetLogonRequired(required); }
    void Clear();

    const std::optional<std::string>& GetUserName() const { return m_session.GetUserName(); }
    const std::optional<std::string>& GetPassword() const { return m_session.GetPassword(); }
    const std::optional<std::string>& GetDescription() const { return m_session.GetDescription(); }
    const std::optional<std::string>& GetGroupName() const { return m_session.GetGroupName(); }
    bool GetLogonRequired() const { return m_session.GetLogonRequired(); }
    uint8_t GetDatabaseMode() const { return m_session.GetDatabaseMode(); }
    // Never read by the programs; only the window's log-on test still looks at them.
    const std::optional<std::string>& GetFullName() const { return m_fullName; }
    uint32_t GetDatabaseMask() const { return m_databaseMask; }

    Session& GetSession() { return m_session; }

    // --- profiles (ProfileStore, with the Session's rights table) ---

    Loaded<std::vector<GroupEntry>> LoadGroupList(const std::string& loginPath) const;
    bool LoadGroupRights(const std::string& loginPath, uint8_t groupNumber);
    const RightsTable::Row* GetProgramRights(int program) const { return m_session.GetProgramRights(program); }
    uint8_t HasRight(int program, int position) const { return m_session.HasRight(program, position); }
    RightsTable& GetRightsTable() { return m_session.GetRightsTable(); }
    const RightsTable* FindRightsTable() const { return m_session.FindRightsTable(); }
    // Writes the group, with the table's rows, into all twelve profile files, all or none.
    bool SaveGroup(const std::string& loginPath, uint8_t groupNumber, std::string_view name);
    RecordChangeOutcome SaveGroupAllOrNothing(const std::string& loginPath, uint8_t groupNumber, std::string_view name);
    using RightsChange = std::function<void(int program, std::span<unsigned char> rights)>;
    RecordChangeOutcome ChangeGroup(
        const std::string& loginPath, uint8_t groupNumber, std::string_view name, const RightsChange& change);
    void DeleteGroup(const std::string& loginPath, uint8_t groupNumber) const;

    // --- database list (DatabaseListStore, into the Session) ---

    FileReadResult LoadDatabaseList(const std::string& loginPath)
    {
        return m_session.LoadDatabaseList(DatabaseListStore(NativePath(loginPath)));
    }
    const DatabaseList* GetDatabaseList() const { return m_session.GetDatabaseList(); }
    DatabaseList DatabaseListOrEmpty() const { return m_session.DatabaseListOrEmpty(); }
    bool SaveDatabaseList(const std::string& loginPath, const DatabaseList& list) const;
    RecordChangeResult ChangeDatabaseList(
        const std::string& loginPath, const std::function<void(DatabaseList& list)>& change) const;

private:
    Session m_session;
    std::optional<std::string> m_fullName;
    uint32_t m_databaseMask = 0;
};

} // namespace custodia
