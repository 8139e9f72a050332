#pragma once

#include "platform/Result.h"
#include "store/PasswordFileStore.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace custodia {

// The one change of a group's records in the twelve profile files of a login path, all or nothing,
// under one hold of all twelve: each program's 1000 bytes of rights as stored (zero past the
// program's row length, all zero for a new group) go through the function, and the group is named
// `name` (cut to its field). The mode is checked against "setup.prf", which decides whether a group
// exists. The value says whether anything was written.
using GroupRightsChange = std::function<void(int program, std::span<unsigned char> rights)>;
Result<bool> ChangeGroupRecords(const std::string& loginPath, uint8_t groupNumber, std::string_view name, SaveMode mode,
    const GroupRightsChange& change);

} // namespace custodia
