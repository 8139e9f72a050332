#include "store/AuditTrailLines.h"

#include "platform/CodePage.h"
#include "store/ProgramIndex.h"

#include <algorithm>
#include <cstdio>

namespace custodia {

namespace {

void AddIfChanged(
    std::vector<TrailChange>& changes, const char* field, const std::string& before, const std::string& after)
{
    if (before != after)
        changes.push_back({ field, before, after });
}

// Slots as people see them in the console and custodiactl: 1 to 10.
std::string SlotNumber(int slot)
{
    return std::to_string(slot + 1);
}

std::string DatabasesText(const UserRecord& user)
{
    if (user.databaseMode == 0)
        return "current database path";
    std::string text = "slots";
    for (int slot = 0; slot < 32; ++slot) {
        if (user.databaseMask & (uint32_t { 1 } << slot))
            text += " " + SlotNumber(slot);
    }
    return text;
}

std::string OfficesText(const UserAccessRecord& access, int slot)
{
    if (!access.IsOfficeSelectionEnabled(slot))
        return "all";
    std::string text;
    for (int office = 1; office <= accessrecord::kMaxOffice; ++office) {
        if (access.IsOfficeAllowed(slot, office))
            text += (text.empty() ? "" : " ") + std::to_string(office);
    }
    return text.empty() ? std::string("none") : text;
}

bool SameSlotBytes(const UserAccessRecord& a, const UserAccessRecord& b, int slot)
{
    const size_t start = static_cast<size_t>(slot) * accessrecord::kSlotSize;
    return std::equal(a.officeSelection.begin() + static_cast<ptrdiff_t>(start),
        a.officeSelection.begin() + static_cast<ptrdiff_t>(start + accessrecord::kSlotSize),
        b.officeSelection.begin() + static_cast<ptrdiff_t>(start));
}

std::string OfficesField(int slot)
{
    return slot == accessrecord::kCurrentDatabaseSlot ? std::string("offices of the current database path")
                                                      : "offices of database slot " + SlotNumber(slot);
}

TrailEntry Line(std::string action, std::string object, std::vector<TrailChange> changes = {})
{
    TrailEntry entry;
    entry.action = std::move(action);
    entry.object = std::move(object);
    entry.changes = std::move(changes);
    return entry;
}

} // namespace

std::string UserTrailObject(std::string_view storedName)
{
    return "user " + StoredToUtf8(storedName);
}

std::string GroupTrailObject(int groupNumber, std::string_view storedName)
{
    char number[8];
    std::snprintf(number, sizeof number, "%03d", groupNumber);
    std::string object = std::string("group ") + number;
    if (!storedName.empty())
        object += " " + StoredToUtf8(storedName);
    return object;
}

std::vector<TrailChange> UserFieldChanges(const UserEntry& before, const UserEntry& after)
{
    std::vector<TrailChange> changes;
    AddIfChanged(changes, "full name", StoredToUtf8(before.user.fullName), StoredToUtf8(after.user.fullName));
    AddIfChanged(changes, "description", StoredToUtf8(before.user.description), StoredToUtf8(after.user.description));
    AddIfChanged(changes, "group", std::to_string(before.user.groupNumber), std::to_string(after.user.groupNumber));
    AddIfChanged(changes, "databases", DatabasesText(before.user), DatabasesText(after.user));
    for (int slot = 0; slot < accessrecord::kSlotCount; ++slot) {
        // A slot of the same bytes reads the same: most imported users leave most slots as they are.
        if (SameSlotBytes(before.access, after.access, slot))
            continue;
        const std::string field = OfficesField(slot);
        const std::string was = OfficesText(before.access, slot);
        const std::string is = OfficesText(after.access, slot);
        if (was != is)
            changes.push_back({ field, was, is });
    }
    return changes;
}

std::vector<TrailEntry> UserSavedLines(const std::optional<UserEntry>& before, const UserEntry& after)
{
    std::vector<TrailEntry> lines;
    const UserEntry empty;
    const UserEntry& was = before ? *before : empty;
    if (!before)
        lines.push_back(Line("user added", UserTrailObject(after.user.userName), UserFieldChanges(was, after)));
    else {
        if (before->user.userName != after.user.userName)
            lines.push_back(Line("user renamed", UserTrailObject(before->user.userName),
                { { "name", StoredToUtf8(before->user.userName), StoredToUtf8(after.user.userName) } }));
        if (std::vector<TrailChange> changes = UserFieldChanges(was, after); !changes.empty())
            lines.push_back(Line("user changed", UserTrailObject(after.user.userName), std::move(changes)));
    }
    if (was.user.password != after.user.password)
        lines.push_back(Line("password set", UserTrailObject(after.user.userName)));
    return lines;
}

TrailEntry UserDeletedLine(std::string_view storedName)
{
    return Line("user deleted", UserTrailObject(storedName));
}

std::vector<TrailEntry> UserImportLines(const UserImportPlan& plan)
{
    std::vector<TrailEntry> lines;
    lines.reserve(plan.adds.size() + plan.changes.size() + plan.deletes.size());
    const UserEntry empty;
    for (const auto& [planned, action] :
        { std::pair(&plan.adds, "user added"), std::pair(&plan.changes, "user changed") })
        for (const PlannedUser& user : *planned) {
            const UserEntry& before = planned == &plan.adds ? empty : user.before;
            TrailEntry line
                = Line(action, UserTrailObject(user.after.user.userName), UserFieldChanges(before, user.after));
            if (before.user.password != user.after.user.password)
                line.changes.push_back({ "password", {}, "set" });
            lines.push_back(std::move(line));
        }
    for (const PlannedUser& user : plan.deletes)
        lines.push_back(UserDeletedLine(user.before.user.userName));
    return lines;
}

std::string DefaultRightName(int program, int position)
{
    const char* file = IsProgramIndex(program) ? kProfileFiles[static_cast<size_t>(program)].fileName : "?";
    return std::string(file) + " right " + std::to_string(position);
}

std::vector<TrailEntry> GroupSavedLines(int groupNumber, const std::optional<std::string>& storedNameBefore,
    std::string_view storedName, const RightsTable& before, const RightsTable& after, const RightNamer& rightName)
{
    std::vector<TrailEntry> lines;
    const std::string object = GroupTrailObject(groupNumber, storedName);
    std::vector<TrailChange> changes;
    AddIfChanged(changes, "name", StoredToUtf8(storedNameBefore.value_or(std::string())), StoredToUtf8(storedName));
    if (!storedNameBefore || !changes.empty())
        lines.push_back(Line(storedNameBefore ? "group changed" : "group created", object, std::move(changes)));
    for (int program = 0; program < kProgramCount; ++program) {
        for (int position = 0; position < static_cast<int>(grouprecord::kRightsSize); ++position) {
            const uint8_t was = before.Get(program, position);
            const uint8_t is = after.Get(program, position);
            if (was == is)
                continue;
            const std::string name = rightName ? rightName(program, position) : DefaultRightName(program, position);
            // A right is a tick; other values are kept as another program of the suite stored them.
            if ((was == 0) != (is == 0) && (was | is) == 1)
                // A granted right is there after the change, a revoked one only before it.
                lines.push_back(is != 0 ? Line("right granted", object, { { "right", {}, name } })
                                        : Line("right revoked", object, { { "right", name, {} } }));
            else
                lines.push_back(Line("group changed", object, { { name, std::to_string(was), std::to_string(is) } }));
        }
    }
    return lines;
}

TrailEntry GroupDeletedLine(int groupNumber, std::string_view storedName)
{
    return Line("group deleted", GroupTrailObject(groupNumber, storedName));
}

std::optional<TrailEntry> DatabaseSlotLine(int slot, const DatabaseSlot& before, const DatabaseSlot& after)
{
    std::vector<TrailChange> changes;
    AddIfChanged(changes, "path", StoredToUtf8(before.path), StoredToUtf8(after.path));
    AddIfChanged(changes, "mirror path", StoredToUtf8(before.mirrorPath), StoredToUtf8(after.mirrorPath));
    AddIfChanged(changes, "mirror", before.mirrorOn ? "on" : "off", after.mirrorOn ? "on" : "off");
    AddIfChanged(changes, "description", StoredToUtf8(before.description), StoredToUtf8(after.description));
    if (changes.empty())
        return std::nullopt;
    return Line("database slot changed", "database slot " + SlotNumber(slot), std::move(changes));
}

TrailEntry OfficeNamedLine(
    const std::string& databaseFolder, int office, const OfficeTexts& before, const OfficeTexts& after)
{
    std::vector<TrailChange> changes;
    AddIfChanged(changes, "number", StoredToUtf8(before.numberText), StoredToUtf8(after.numberText));
    AddIfChanged(changes, "name", StoredToUtf8(before.name), StoredToUtf8(after.name));
    return Line("office named", "office " + std::to_string(office) + " of " + databaseFolder, std::move(changes));
}

TrailEntry LoginPathLine(bool added, const std::string& loginPath)
{
    return Line(added ? "login path added" : "login path removed", "login path " + loginPath);
}

TrailEntry FileRepairedLine(const std::string& fileName, const std::string& done, const std::string& copyKept)
{
    std::vector<TrailChange> changes { { "repair", {}, done } };
    if (!copyKept.empty())
        changes.push_back({ "copy kept", {}, copyKept });
    return Line("file repaired", "file " + fileName, std::move(changes));
}

} // namespace custodia
