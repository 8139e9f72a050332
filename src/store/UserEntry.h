#pragma once

#include "store/UserAccessRecord.h"
#include "store/UserRecord.h"

namespace custodia {

// One user as listed and edited: the user record (password in plain text) and its access record, which
// is all zero when the file holds none. A new user starts as a default UserEntry.
struct UserEntry {
    UserRecord user;
    UserAccessRecord access;

    bool operator==(const UserEntry&) const = default;
};

} // namespace custodia
