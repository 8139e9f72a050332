#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/AccountSnapshot.h"
#include "store/AuditTrailHold.h"

#include <cstddef>

namespace custodia {

// Notes in the login path's trail what other programs changed since `last` was read: reads the
// accounts again and, when anything differs, holds the trail, reads them once more inside that hold
// (so that no change of ours is half done), leaves out what the lines appended since `last` account
// for, and appends one line for each user or group still changed, made by the options' actor. `last`
// becomes what was read. The value is the number of lines written; a trail that cannot be held or
// written fails, and `last` stays as it was, so that the next look finds the same differences.
Result<size_t> NoteOutsideChanges(const NativePath& loginPath, AccountSnapshot& last, const TrailOptions& options,
    const FileEnvironment& environment);

} // namespace custodia
