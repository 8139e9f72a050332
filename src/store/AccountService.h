#pragma once

#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/AuditTrailHold.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/GroupEntry.h"
#include "store/GroupImportPlan.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "store/RightsTable.h"
#include "store/UserEntry.h"
#include "store/UserImportPlan.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// One slot of the database list as a person edits it.
struct DatabaseSlot {
    std::string path;
    std::string mirrorPath;
    bool mirrorOn = false;
    std::string description;

    bool operator==(const DatabaseSlot&) const = default;
};

// The one way to read and change the account files of a login path, for the window and custodiactl
// alike. Every change holds its file (or its files) exclusively, reads them inside that hold, applies
// the change to what it read and writes, so nothing another program saved meanwhile is lost; it
// returns what went wrong, never a bare "not saved". Texts are stored bytes (the suite's code page);
// the caller converts at its edge.
class AccountService final {
public:
    // Every open waits, tells of its waits and gives up as the environment says (see FileEnvironment);
    // the environment must outlive the service.
    explicit AccountService(NativePath loginPath, const FileEnvironment& environment = FileEnvironment::System());
    // Every change writes its line to the login path's audit trail, as made by the options' actor.
    AccountService(
        NativePath loginPath, TrailOptions trail, const FileEnvironment& environment = FileEnvironment::System());

    const NativePath& LoginPath() const { return m_loginPath; }

    // --- reads ---
    // Every user with its access record. A missing file fails, with the missing open's cause.
    Result<std::vector<UserEntry>> LoadUsers() const;
    // Every user record in file order, without access records and without holding the list whole: for
    // listing thousands of users. Nothing is visited unless the file is a password file.
    Status ForEachUser(const std::function<void(const UserRecord& user)>& visit) const;
    // The user of that name (the last record of it, with the last access record of it), or nothing.
    Result<std::optional<UserEntry>> FindUser(std::string_view userName) const;
    // The groups "setup.prf" holds, in ascending number; none for a login path without the file.
    Result<std::vector<GroupEntry>> LoadGroups() const;
    // The group's name and its rights in the twelve profile files (zero where a file lacks it);
    // NotFound when no file holds the group.
    Result<std::pair<std::string, RightsTable>> LoadGroupRights(uint8_t groupNumber) const;
    // Ten empty slots for a login path without "tessel.dbs"; a damaged one fails.
    Result<DatabaseList> LoadDatabaseList() const;

    // --- users ("tessel.pwd") ---

    // Gets the stored user of the name (for a new one: all zero with the name set) and changes it.
    // The change may rename the user by changing its name: the new name must be free (AlreadyExists
    // otherwise), and the user keeps its records. CreateOnly refuses a stored name (AlreadyExists),
    // ReplaceOnly a missing one (NotFound).
    using UserChange = std::function<void(UserEntry& entry)>;
    Status SaveUser(std::string_view userName, SaveMode mode, const UserChange& change) const;
    // Frees every record of each name, in one hold of the file. The value is the number of users
    // deleted; NotFound when none of the names was stored.
    Result<int> DeleteUsers(std::span<const std::string> userNames) const;
    // Plans an import inside one exclusive hold of the file, on the users it holds, and applies the
    // plan only when no line of it is bad: all or nothing, in one open, one read and one write. The
    // plan comes back either way, so that its bad lines can be told; a file that cannot be held fails,
    // and so does an import whose environment says cancelled once the plan is made (Cancelled).
    using UserImportPlanner = std::function<UserImportPlan(const std::vector<UserEntry>& stored)>;
    Result<UserImportPlan> ImportUsers(const UserImportPlanner& planner) const;

    // --- groups (the twelve profile files, all or nothing) ---

    // Gets each program's 1000 bytes of the group's rights as stored (all zero for a new group) and
    // lets the function change them; the group is named `name`. Modes as for users.
    using RightsChange = std::function<void(int program, std::span<unsigned char> rights)>;
    Status ChangeGroup(uint8_t groupNumber, std::string_view name, SaveMode mode, const RightsChange& change) const;
    // Deletes the groups from all twelve files, all or nothing. NotFound when none was stored.
    Status DeleteGroups(std::span<const uint8_t> groupNumbers) const;
    // Applies a checked import group by group, each all or nothing over the twelve files as a save
    // is; refused when the plan has a bad line. A failure names the groups written before it.
    Status ImportGroups(const GroupImportPlan& plan) const;

    // --- database list ("tessel.dbs") ---

    // Slots 0..9; another program's change of other slots stays.
    Status SetDatabaseSlot(int slot, const DatabaseSlot& value) const;
    // The same, changing the slot as the file holds it inside the hold: fields the change leaves alone
    // stay as another program may have saved them.
    using SlotChange = std::function<void(DatabaseSlot& slot)>;
    Status SetDatabaseSlot(int slot, const SlotChange& change) const;

private:
    NativePath m_loginPath;
    TrailOptions m_trail;
    const FileEnvironment* m_environment;
    PasswordFileStore m_passwords;
    ProfileStore m_profiles;
    DatabaseListStore m_databases;
};

// --- files that do not belong to one login path ---

// One office of a database folder's "officena.mes" (office 1..100), the others as they are stored. Its
// trail line goes to the trail beside the file, in the database folder.
Status SetOffice(const NativePath& databaseFolder, int office, std::string_view numberText, std::string_view name,
    const FileEnvironment& environment = FileEnvironment::System(), const TrailOptions& trail = ProcessTrailOptions());

// What adding a login path to the managed list came to.
struct ManagedLoginPath {
    bool added = false; // false: its folder was listed already, under the text below
    std::string listedAs; // the text the list holds for the folder: the path itself when added
};

// The list of managed login paths ("custo.cfg" of the installation). Adding leaves the list as it is
// when the path's folder is listed already, by this or another text (see FolderIdentity), and says
// under which; removing refuses a text that is not listed exactly (NotFound). The line goes to the
// trail of the login path itself; a folder that is not there (a path listed for a share not mounted
// now) has no trail to write to, and the change goes ahead without one.
Result<ManagedLoginPath> AddManagedLoginPath(const NativePath& listFile, const NativePath& loginPath,
    const FileEnvironment& environment = FileEnvironment::System(), const TrailOptions& trail = ProcessTrailOptions());
Status RemoveManagedLoginPath(const NativePath& listFile, const NativePath& loginPath,
    const FileEnvironment& environment = FileEnvironment::System(), const TrailOptions& trail = ProcessTrailOptions());

} // namespace custodia
