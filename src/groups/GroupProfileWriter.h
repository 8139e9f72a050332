#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace custodia {

class UserStore;

// A profile file that a save could not write: never opened or created, or failed part way. The cause
// in plain words ("no permission", "not a regular file (a folder)"), empty when none is known.
struct ProfileWriteFailure {
    std::string fileName;
    std::string cause;
};

struct ProfileWriteResult {
    int written = 0;
    std::vector<ProfileWriteFailure> failures;
};

// Writes the group, with the store's rights table, into each of the twelve profile files in turn. A
// file that fails does not stop the others, so the result tells exactly which files hold the save.
ProfileWriteResult WriteGroupProfiles(
    UserStore& store, const std::string& loginPath, uint8_t groupNumber, const std::string& name);

} // namespace custodia
