#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailLines.h"
#include "store/GroupEntry.h"
#include "store/OutsideChanges.h"
#include "store/UserEntry.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace custodia {

// A login path's accounts as read at one moment: its users, the groups "setup.prf" lists and every
// group's rights in the twelve profile files, with how long its trail was just before they were read.
// A part whose files could not be used (damaged, held past every retry) is left out: no difference is
// told for what was not read.
struct AccountSnapshot {
    std::optional<std::vector<UserEntry>> users;
    std::optional<std::vector<GroupEntry>> groups;
    std::optional<std::map<int, GroupRights>> rights; // by group number, every group any file holds
    // Lines past this offset of the trail were appended after the accounts were read.
    uint64_t trailLength = 0;
    // Which of the files were there: one that is gone since tells of no deleted account, as a share
    // that fell away leaves an empty folder behind.
    uint32_t presentFiles = 0;

    bool IsWhole() const { return users && groups && rights; }
};

// Reads the accounts of the login path, one read of each file, and the trail's length before them. A
// missing file is an empty one, as a fresh login path has.
AccountSnapshot ReadAccountSnapshot(const NativePath& loginPath, const FileEnvironment& environment);

// What differs between two reads of the same login path: one line of kChangedOutsideAction for each
// user and each group that differs (a group's list entry and its rights in one line), for the parts
// both reads hold and whose files are still there.
std::vector<TrailEntry> SnapshotDifferences(
    const AccountSnapshot& before, const AccountSnapshot& now, const RightNamer& rightName, long long seenAt);

} // namespace custodia
