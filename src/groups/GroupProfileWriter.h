#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "store/AuditTrailHold.h"
#include "store/PasswordFileStore.h"
#include "store/RightsTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace custodia {

// A profile file that a save could not write, and the cause in plain words ("in use by another
// program", "damaged"), empty when none is known.
struct ProfileWriteFailure {
    std::string fileName;
    std::string cause;
};

struct ProfileWriteResult {
    int written = 0;
    std::vector<ProfileWriteFailure> failures;
    // A save that only replaces found no group of the number: another program deleted it.
    bool groupMissing = false;
};

// Whether a save writes only what the dialog changed, or the whole table (a copy to another number or
// login path).
enum class RightsWritten { Changed, All };

// Saves the group into the twelve profile files through the account services, all or none. Each file's
// rights are read inside the hold and only the bytes that differ between the table the dialog opened
// with and the edited one are changed, so another program's change of other rights stays. The mode
// says whether the group must be stored already (ReplaceOnly), must not be (CreateOnly), or either; the
// files' opens wait as the environment says; the trail's line names the options' actor.
ProfileWriteResult WriteGroupProfiles(const NativePath& loginPath, uint8_t groupNumber, const std::string& name,
    const RightsTable& opened, const RightsTable& edited, RightsWritten written,
    SaveMode mode = SaveMode::CreateOrReplace, const FileEnvironment& environment = FileEnvironment::System(),
    const TrailOptions& trail = ProcessTrailOptions());

} // namespace custodia
