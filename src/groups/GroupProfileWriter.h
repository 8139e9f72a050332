#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace custodia {

class UserStore;

// A profile file that a save could not write: never opened or created (no cause known beyond the
// error log's line), or failed part way with a file cause.
struct ProfileWriteFailure {
    std::string fileName;
    std::optional<int> cause;
};

struct ProfileWriteResult {
    int written = 0;
    std::vector<ProfileWriteFailure> failures;
};

// Writes the group, with the store's rights table, into the twelve profile files, all or none: a file
// that cannot be opened, or fails its check, or fails part way stops the save before any file keeps a
// change, and the result names it.
ProfileWriteResult WriteGroupProfiles(
    UserStore& store, const std::string& loginPath, uint8_t groupNumber, const std::string& name);

} // namespace custodia
