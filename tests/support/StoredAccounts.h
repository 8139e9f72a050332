#pragma once

#include "platform/Failure.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "store/UserEntry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace custodia::test {

// Puts the user into the login path's "tessel.pwd" exactly as given, in place of any user of its name,
// as another program of the suite may have saved it: for tests that start from a login path with users.
inline Status StoreUser(const std::string& loginPath, const UserEntry& entry)
{
    return PasswordFileStore(NativePath(loginPath))
        .SaveUser(entry.user.userName, SaveMode::CreateOrReplace, [&](UserEntry& stored) { stored = entry; });
}

inline Status StoreUser(const std::string& loginPath, const UserRecord& user)
{
    return StoreUser(loginPath, UserEntry { user, {} });
}

// The users the login path's "tessel.pwd" holds, none when it is missing; a file that cannot be read
// fails the test.
inline std::vector<UserEntry> StoredUsers(const std::string& loginPath)
{
    Result<std::vector<UserEntry>> users = PasswordFileStore(NativePath(loginPath)).LoadUsers();
    if (users)
        return std::move(users).Value();
    if (!IsMissingFile(users.Error()))
        ADD_FAILURE() << DescribeFailure(users.Error());
    return {};
}

// Writes the group into the login path's twelve profile files, in place of any group of its number,
// each program's rights as the function sets them (by default: every right denied).
inline bool StoreGroup(
    const std::string& loginPath, int number, const std::string& name,
    const ProfileStore::RightsChange& rights
    = [](int, std::span<unsigned char> row) { std::fill(row.begin(), row.end(), 0); })
{
    const Result<bool> saved = ProfileStore(NativePath(loginPath))
                                   .ChangeGroup(static_cast<uint8_t>(number), name, SaveMode::CreateOrReplace, rights);
    return saved && *saved;
}

} // namespace custodia::test
