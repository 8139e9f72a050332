#pragma once

#include "platform/FileEnvironment.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace custodia {

// Who logged on at start-up, and through which login path. Only that login path's users and groups
// decide whether the console can be started again.
struct LoggedOnSupervisor {
    std::string loginPath;
    std::string userName;
    uint8_t groupNumber = 0;
};

// One user as far as starting the console goes.
struct ConsoleMember {
    std::string userName;
    int groupNumber = 0;
};

// What a change would do to starting the console.
enum class LockOut {
    None,
    Self, // the logged-on supervisor could no longer start it
    Everyone, // no user would be left whose group holds the console's own right
};

// Tells, before a delete or a save, whether it would leave the console's login path without anyone
// allowed to start the console. A change that merely keeps an existing lock-out is not one.
class ConsoleLockoutCheck final {
public:
    using GroupRight = std::function<bool(int groupNumber)>;

    // Without a log-on nobody is locked out: the console then starts for anyone.
    ConsoleLockoutCheck(std::optional<LoggedOnSupervisor> supervisor, GroupRight groupHasRight);

    // Reads each group's right from the login path's profile files through the account services,
    // waiting as the environment says; the environment must outlive the function.
    static GroupRight StoredGroupRights(
        const std::string& loginPath, const FileEnvironment& environment = FileEnvironment::System());

    bool Guards(const std::string& loginPath) const;
    LockOut DeletingUsers(const std::string& loginPath, const std::vector<ConsoleMember>& members,
        const std::set<std::string>& deleted) const;
    LockOut DeletingGroups(const std::string& loginPath, const std::vector<ConsoleMember>& members,
        const std::set<int>& groupNumbers) const;
    LockOut ChangingGroupRight(const std::string& loginPath, const std::vector<ConsoleMember>& members, int groupNumber,
        bool keepsRight) const;

private:
    LockOut Compare(const std::vector<ConsoleMember>& before, const std::vector<ConsoleMember>& after,
        const GroupRight& rightAfter) const;
    bool SelfCanStart(const std::vector<ConsoleMember>& members, const GroupRight& right) const;

    std::optional<LoggedOnSupervisor> m_supervisor;
    GroupRight m_groupHasRight;
};

} // namespace custodia
