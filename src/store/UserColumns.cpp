#include "store/UserColumns.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace custodia {

namespace {

constexpr const char kNoOffice[] = "none";

std::string OfficeColumnName(int slot)
{
    return slot == accessrecord::kCurrentDatabaseSlot ? "offices current" : "offices " + std::to_string(slot + 1);
}

std::string Lowered(std::string_view text)
{
    const auto begin = text.find_first_not_of(' ');
    const auto end = text.find_last_not_of(' ');
    std::string lowered(begin == std::string_view::npos ? std::string_view() : text.substr(begin, end - begin + 1));
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
        [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return lowered;
}

std::vector<UserColumnName> AllColumns()
{
    std::vector<UserColumnName> columns {
        { UserColumn::Name, -1, "name" },
        { UserColumn::FullName, -1, "full name" },
        { UserColumn::Description, -1, "description" },
        { UserColumn::Group, -1, "group" },
        { UserColumn::GroupName, -1, "group name" },
        { UserColumn::DatabaseMode, -1, "database mode" },
        { UserColumn::DatabaseMask, -1, "database mask" },
    };
    for (int slot = 0; slot < accessrecord::kSlotCount; ++slot)
        columns.push_back({ UserColumn::Offices, slot, OfficeColumnName(slot) });
    columns.push_back({ UserColumn::Password, -1, "password" });
    return columns;
}

std::optional<int> OfficeNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || text.front() == '+')
        return std::nullopt;
    if (value < 1 || value > accessrecord::kMaxOffice)
        return std::nullopt;
    return value;
}

// One item of an office list: "N" or "N-M", as the first and last office.
std::optional<std::pair<int, int>> OfficeRange(std::string_view item)
{
    const size_t dash = item.find('-');
    const auto first = OfficeNumber(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : OfficeNumber(item.substr(dash + 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    return std::pair(*first, *last);
}

// Offices 1..100 of the slot off, byte by byte: an import sets eleven slots of thousands of users.
// The switch (bit 0) and the bits past office 100, which nothing reads, stay as they are.
void ClearOffices(UserAccessRecord& access, int slot)
{
    unsigned char* bytes = access.officeSelection.data() + static_cast<size_t>(slot) * accessrecord::kSlotSize;
    bytes[0] &= 0x01;
    std::fill(bytes + 1, bytes + accessrecord::kMaxOffice / 8, 0);
    bytes[accessrecord::kMaxOffice / 8] &= static_cast<unsigned char>(~0x1F);
}

} // namespace

std::vector<UserColumnName> ExportedUserColumns()
{
    std::vector<UserColumnName> columns = AllColumns();
    columns.pop_back(); // the password is never exported
    return columns;
}

std::optional<UserColumnName> FindUserColumn(std::string_view header)
{
    const std::string wanted = Lowered(header);
    for (const UserColumnName& column : AllColumns())
        if (column.name == wanted)
            return column;
    return std::nullopt;
}

std::string OfficesText(const UserAccessRecord& access, int slot)
{
    if (!access.IsOfficeSelectionEnabled(slot))
        return {};
    std::string text;
    for (int office = 1; office <= accessrecord::kMaxOffice; ++office) {
        if (!access.IsOfficeAllowed(slot, office))
            continue;
        int last = office;
        while (last < accessrecord::kMaxOffice && access.IsOfficeAllowed(slot, last + 1))
            ++last;
        if (!text.empty())
            text += ',';
        text += std::to_string(office);
        if (last > office)
            text += '-' + std::to_string(last);
        office = last;
    }
    return text.empty() ? kNoOffice : text;
}

std::optional<std::string> SetOfficesFromText(UserAccessRecord& access, int slot, std::string_view text)
{
    if (slot < 0 || slot >= accessrecord::kSlotCount)
        return "no office slot " + std::to_string(slot);
    UserAccessRecord changed = access;
    ClearOffices(changed, slot);
    changed.SetOfficeSelectionEnabled(slot, !text.empty());
    if (!text.empty() && Lowered(text) != kNoOffice) {
        size_t start = 0;
        for (;;) {
            const size_t comma = text.find(',', start);
            const std::string_view item
                = text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
            const auto range = OfficeRange(Lowered(item));
            if (!range)
                return "'" + std::string(item) + "' in " + OfficeColumnName(slot)
                    + " is not an office 1..100 or a range N-M of them";
            for (int office = range->first; office <= range->second; ++office)
                changed.SetOfficeAllowed(slot, office, true);
            if (comma == std::string_view::npos)
                break;
            start = comma + 1;
        }
    }
    access = changed;
    return std::nullopt;
}

std::array<std::string, 256> GroupNamesByNumber(const std::vector<GroupEntry>& groups)
{
    std::array<std::string, 256> names;
    for (const GroupEntry& group : groups)
        if (group.groupNumber >= 0 && group.groupNumber < 256)
            names[static_cast<size_t>(group.groupNumber)] = group.name;
    return names;
}

std::vector<std::string> ExportedUserFields(const UserEntry& entry, const std::array<std::string, 256>& groupNames)
{
    std::vector<std::string> fields;
    ExportUserFields(entry, groupNames, fields);
    return fields;
}

void ExportUserFields(
    const UserEntry& entry, const std::array<std::string, 256>& groupNames, std::vector<std::string>& fields)
{
    const UserRecord& user = entry.user;
    fields.resize(7 + accessrecord::kSlotCount);
    fields[0] = StoredToUtf8(user.userName);
    fields[1] = StoredToUtf8(user.fullName);
    fields[2] = StoredToUtf8(user.description);
    fields[3] = std::to_string(user.groupNumber);
    fields[4] = StoredToUtf8(groupNames[user.groupNumber]);
    fields[5] = std::to_string(user.databaseMode);
    fields[6] = std::to_string(user.databaseMask);
    for (int slot = 0; slot < accessrecord::kSlotCount; ++slot)
        fields[static_cast<size_t>(7 + slot)] = OfficesText(entry.access, slot);
}

} // namespace custodia
