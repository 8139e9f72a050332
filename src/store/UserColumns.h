#pragma once

#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserAccessRecord.h"
#include "store/UserEntry.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// The columns of a list of users as custodiactl exports and imports it: one line per user, texts in
// UTF-8. Export writes every column but the password; an import may leave any column out but the
// name, and may add the password.
enum class UserColumn {
    Name,
    FullName,
    Description,
    Group,
    GroupName,
    DatabaseMode,
    DatabaseMask,
    Offices, // one column per office slot: "offices 1" .. "offices 10", "offices current"
    Password,
};

struct UserColumnName {
    UserColumn column;
    int slot; // the office slot (0..10) of an Offices column, else -1
    std::string name;
};

// The header of an export, in order.
std::vector<UserColumnName> ExportedUserColumns();

// The column a header field names (letter case and spaces at either end aside), or nothing.
std::optional<UserColumnName> FindUserColumn(std::string_view header);

// The offices a user may see in one slot, as people write them: empty when office selection is off
// (every office), "none" when it is on without any office, else ascending numbers and ranges
// ("1-3,17").
std::string OfficesText(const UserAccessRecord& access, int slot);
// Sets the slot from such a text; the reason when it is not one (a number outside 1..100, a range
// that runs backwards, anything else).
std::optional<std::string> SetOfficesFromText(UserAccessRecord& access, int slot, std::string_view text);

// The stored name of each group number 0..255, empty where the list has no such group.
std::array<std::string, 256> GroupNamesByNumber(const std::vector<GroupEntry>& groups);

// One user's exported fields (ExportedUserColumns' order), texts converted from the stored code page.
std::vector<std::string> ExportedUserFields(const UserEntry& entry, const std::array<std::string, 256>& groupNames);
// The same into fields of an earlier user, whose strings keep their storage: for exporting thousands.
void ExportUserFields(
    const UserEntry& entry, const std::array<std::string, 256>& groupNames, std::vector<std::string>& fields);

} // namespace custodia
