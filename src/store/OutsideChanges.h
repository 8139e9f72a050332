#pragma once

#include "store/AuditTrail.h"
#include "store/AuditTrailLines.h"
#include "store/GroupEntry.h"
#include "store/RightsTable.h"
#include "store/UserEntry.h"

#include <optional>
#include <string>
#include <vector>

namespace custodia {

// Trail lines for what another program changed: the accounts as read before and as read now, told
// apart. Each user or group that differs gets one line, with the action kChangedOutsideAction, its
// usual object ("user ann", "group 001 Supervisors") and these changes, in this order:
//   "seen at"  → the moment the difference was seen (UTC, as a line's time)
//   "user" or "group" → "added" or "deleted", when it is new or gone (then nothing more for a deletion)
//   each field that differs, before → after, as the console's own lines name them; a password set
//   is "password" → "set", never its value
//   for a group's rights: "right" → NAME when granted, "right" NAME → "" when revoked, and
//   NAME before → after (numbers) for values other than a tick
// Time and actor are left for the writer to fill in, as for every other line. Nothing comes back when
// nothing differs. Which of these differences the trail already explains is the caller's to judge.
inline constexpr const char kChangedOutsideAction[] = "changed outside the console";

// Users are matched by their stored name: one renamed by another program reads as deleted and added.
// Lines come in the order of `now`, those of deleted users after them in the order of `before`.
std::vector<TrailEntry> OutsideUserChanges(
    const std::vector<UserEntry>& before, const std::vector<UserEntry>& now, long long seenAt);

// The groups as "setup.prf" lists them: created, deleted, renamed or described anew.
std::vector<TrailEntry> OutsideGroupListChanges(
    const std::vector<GroupEntry>& before, const std::vector<GroupEntry>& now, long long seenAt);

// One group's name (as stored) and its rights in the twelve profile files.
struct GroupRights {
    std::string name;
    RightsTable rights;
};

// One group as read before and now (nothing: not stored then); one line at most. An empty namer
// names a right by its profile file and position.
std::vector<TrailEntry> OutsideGroupChanges(int groupNumber, const std::optional<GroupRights>& before,
    const std::optional<GroupRights>& now, const RightNamer& rightName, long long seenAt);

} // namespace custodia
