#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/FileReadResult.h"
#include "store/GroupEntry.h"
#include "store/PasswordFileStore.h"
#include "store/RightsTable.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// The operations on one login path's twelve profile files, which hold every group's rights, one file
// per program of the suite. Every operation opens its files, works and closes them again; a change
// holds all twelve at once, in index order, the one order every saver takes them in.
class ProfileStore final {
public:
    // The environment must outlive the object.
    explicit ProfileStore(NativePath loginPath, const FileEnvironment& environment = FileEnvironment::System());

    std::string FileOf(int program) const;

    // The groups that "setup.prf" holds, in ascending number; one read of the file. A file that is
    // missing or fails its check lists no group, and the status says which.
    Loaded<std::vector<GroupEntry>> LoadGroupList() const;
    // Fills the table from the twelve files (each row cut to its program's row length, a missing or
    // damaged file giving a zero row) and the name. False if no file held the group; the table is then
    // all zero.
    // Each file is read once; when `unusable` is given, it gets the files that could not be read or fail
    // their check as a whole (a broken record chain included), with what is wrong.
    using UnusableFile = std::pair<std::string, FileReadResult>;
    bool ReadGroupRights(uint8_t groupNumber, RightsTable& table, std::string& name,
        std::vector<UnusableFile>* unusable = nullptr) const;
    // The one change of a group's records, all or nothing, under one hold of all twelve: each
    // program's 1000 bytes of rights as stored (zero past the program's row length, all zero for a new
    // group) go through the function, and the group is named `name` (cut to its field). The mode is
    // checked against "setup.prf", which decides whether a group exists. The value says whether
    // anything was written.
    using RightsChange = std::function<void(int program, std::span<unsigned char> rights)>;
    Result<bool> ChangeGroup(
        uint8_t groupNumber, std::string_view name, SaveMode mode, const RightsChange& change) const;
    // Deletes the groups from every file that holds them, all or nothing; files that are missing stay
    // so. The value says whether any was held.
    Result<bool> DeleteGroups(std::span<const uint8_t> groupNumbers) const;

private:
    const FileEnvironment* m_environment;
    NativePath m_loginPath;
};

} // namespace custodia
