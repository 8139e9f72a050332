#pragma once

#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/FileReadResult.h"
#include "store/ProfileStore.h"
#include "store/RightsTable.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace custodia {

// The logged-on user of the console and what the log-on gave it: its group's rights and the database
// list of its login path. One lives as long as the application, which owns it; nothing else keeps
// state between two operations on the files.
class Session final {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void SetUserName(std::optional<std::string> userName) { m_userName = std::move(userName); }
    void SetPassword(std::optional<std::string> password) { m_password = std::move(password); }
    void SetFullName(std::optional<std::string> fullName) { m_fullName = std::move(fullName); }
    void SetDescription(std::optional<std::string> description) { m_description = std::move(description); }
    void SetDatabaseMode(uint8_t databaseMode) { m_databaseMode = databaseMode; }
    void SetDatabaseMask(uint32_t databaseMask) { m_databaseMask = databaseMask; }
    void SetLogonRequired(bool required) { m_logonRequired = required; }
    // Frees the texts.
    void Clear();

    const std::optional<std::string>& GetUserName() const { return m_userName; }
    const std::optional<std::string>& GetPassword() const { return m_password; }
    const std::optional<std::string>& GetFullName() const { return m_fullName; }
    const std::optional<std::string>& GetDescription() const { return m_description; }
    const std::optional<std::string>& GetGroupName() const { return m_groupName; }
    bool GetLogonRequired() const { return m_logonRequired; }
    uint8_t GetDatabaseMode() const { return m_databaseMode; }
    // The databases the user may open, one bit per slot of the database list.
    uint32_t GetDatabaseMask() const { return m_databaseMask; }

    // Fills the rights table from the twelve profile files of the login path, and the group name. False
    // if no file held the group; the table is then all zero.
    bool LoadGroupRights(const ProfileStore& profiles, uint8_t groupNumber);
    // Row of a program, or null if the table was never loaded or the index is outside 0..11.
    const RightsTable::Row* GetProgramRights(int program) const;
    // 1 if the table was never loaded or the program is outside 0..11 (no log-on grants everything);
    // otherwise the stored byte, 0 for a position outside 0..999.
    uint8_t HasRight(int program, int position) const;
    // The table the group dialog edits; made all zero on first use.
    RightsTable& GetRightsTable();
    const RightsTable* FindRightsTable() const { return m_rightsTable.get(); }

    // Reads the login path's database list (see DatabaseListStore::Load).
    FileReadResult LoadDatabaseList(const DatabaseListStore& databases);
    // The list of the last LoadDatabaseList, or null before the first.
    const DatabaseList* GetDatabaseList() const { return m_databaseList.get(); }
    // A copy of it, or ten empty slots before the first LoadDatabaseList.
    DatabaseList DatabaseListOrEmpty() const;

private:
    std::optional<std::string> m_userName;
    std::optional<std::string> m_password;
    std::optional<std::string> m_fullName;
    std::optional<std::string> m_description;
    std::optional<std::string> m_groupName;
    bool m_logonRequired = true;
    uint8_t m_databaseMode = 0;
    uint32_t m_databaseMask = 0;
    std::unique_ptr<DatabaseList> m_databaseList;
    std::unique_ptr<RightsTable> m_rightsTable;
};

} // namespace custodia
