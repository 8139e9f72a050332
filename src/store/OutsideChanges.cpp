#include "store/OutsideChanges.h"

#include "platform/CodePage.h"
#include "store/ProgramIndex.h"

#include <unordered_map>

namespace custodia {

namespace {

TrailEntry OutsideLine(std::string object, long long seenAt)
{
    TrailEntry seen;
    StampTrailEntry(seen, seenAt);
    TrailEntry entry;
    entry.action = kChangedOutsideAction;
    entry.object = std::move(object);
    entry.changes.push_back({ "seen at", {}, seen.time });
    return entry;
}

// The line only when it holds more than its "seen at".
void AddIfAnyChange(std::vector<TrailEntry>& lines, TrailEntry&& line)
{
    if (line.changes.size() > 1)
        lines.push_back(std::move(line));
}

void AppendChanges(TrailEntry& line, std::vector<TrailChange>&& changes)
{
    for (TrailChange& change : changes)
        line.changes.push_back(std::move(change));
}

TrailEntry UserLine(const UserEntry* before, const UserEntry* now, long long seenAt)
{
    const UserEntry& named = now != nullptr ? *now : *before;
    TrailEntry line = OutsideLine(UserTrailObject(named.user.userName), seenAt);
    if (now == nullptr) {
        line.changes.push_back({ "user", {}, "deleted" });
        return line;
    }
    const UserEntry empty;
    const UserEntry& was = before != nullptr ? *before : empty;
    if (before == nullptr)
        line.changes.push_back({ "user", {}, "added" });
    AppendChanges(line, UserFieldChanges(was, *now));
    if (was.user.password != now->user.password)
        line.changes.push_back({ "password", {}, "set" });
    return line;
}

template <typename Entry, typename KeyOf>
std::unordered_map<typename std::invoke_result_t<KeyOf, const Entry&>, const Entry*> IndexBy(
    const std::vector<Entry>& entries, KeyOf keyOf)
{
    std::unordered_map<std::invoke_result_t<KeyOf, const Entry&>, const Entry*> index;
    index.reserve(entries.size());
    for (const Entry& entry : entries)
        index[keyOf(entry)] = &entry; // the last of a name, as a lookup finds it
    return index;
}

void AddRightChanges(TrailEntry& line, const RightsTable& before, const RightsTable& now, const RightNamer& rightName)
{
    for (int program = 0; program < kProgramCount; ++program) {
        const RightsTable::Row& was = *before.GetRow(program);
        const RightsTable::Row& is = *now.GetRow(program);
        if (was == is)
            continue;
        for (int position = 0; position < static_cast<int>(was.size()); ++position) {
            const uint8_t from = was[static_cast<size_t>(position)];
            const uint8_t to = is[static_cast<size_t>(position)];
            if (from == to)
                continue;
            std::string name = rightName ? rightName(program, position) : DefaultRightName(program, position);
            // A right is a tick; other values are shown as numbers, as another program stored them.
            if ((from | to) == 1)
                line.changes.push_back(to != 0 ? TrailChange { "right", {}, std::move(name) }
                                               : TrailChange { "right", std::move(name), {} });
            else
                line.changes.push_back({ std::move(name), std::to_string(from), std::to_string(to) });
        }
    }
}

} // namespace

std::vector<TrailEntry> OutsideUserChanges(
    const std::vector<UserEntry>& before, const std::vector<UserEntry>& now, long long seenAt)
{
    const auto nameOf = [](const UserEntry& entry) { return entry.user.userName; };
    const auto wasIndex = IndexBy(before, nameOf);
    const auto isIndex = IndexBy(now, nameOf);
    std::vector<TrailEntry> lines;
    for (const UserEntry& is : now) {
        if (isIndex.at(is.user.userName) != &is)
            continue; // an earlier record of a name stored twice: the last one counts
        const auto was = wasIndex.find(is.user.userName);
        const UserEntry* previous = was == wasIndex.end() ? nullptr : was->second;
        if (previous == nullptr || !(*previous == is))
            AddIfAnyChange(lines, UserLine(previous, &is, seenAt));
    }
    for (const UserEntry& was : before) {
        if (wasIndex.at(was.user.userName) == &was && !isIndex.contains(was.user.userName))
            lines.push_back(UserLine(&was, nullptr, seenAt));
    }
    return lines;
}

std::vector<TrailEntry> OutsideGroupListChanges(
    const std::vector<GroupEntry>& before, const std::vector<GroupEntry>& now, long long seenAt)
{
    const auto numberOf = [](const GroupEntry& entry) { return entry.groupNumber; };
    const auto wasIndex = IndexBy(before, numberOf);
    const auto isIndex = IndexBy(now, numberOf);
    std::vector<TrailEntry> lines;
    for (const GroupEntry& is : now) {
        if (isIndex.at(is.groupNumber) != &is)
            continue;
        const auto found = wasIndex.find(is.groupNumber);
        const GroupEntry empty;
        const GroupEntry& was = found == wasIndex.end() ? empty : *found->second;
        TrailEntry line = OutsideLine(GroupTrailObject(is.groupNumber, is.name), seenAt);
        if (found == wasIndex.end())
            line.changes.push_back({ "group", {}, "created" });
        if (was.name != is.name)
            line.changes.push_back({ "name", StoredToUtf8(was.name), StoredToUtf8(is.name) });
        if (was.description != is.description)
            line.changes.push_back({ "description", StoredToUtf8(was.description), StoredToUtf8(is.description) });
        AddIfAnyChange(lines, std::move(line));
    }
    for (const GroupEntry& was : before) {
        if (wasIndex.at(was.groupNumber) != &was || isIndex.contains(was.groupNumber))
            continue;
        TrailEntry line = OutsideLine(GroupTrailObject(was.groupNumber, was.name), seenAt);
        line.changes.push_back({ "group", {}, "deleted" });
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<TrailEntry> OutsideGroupChanges(int groupNumber, const std::optional<GroupRights>& before,
    const std::optional<GroupRights>& now, const RightNamer& rightName, long long seenAt)
{
    if (!before && !now)
        return {};
    TrailEntry line = OutsideLine(GroupTrailObject(groupNumber, now ? now->name : before->name), seenAt);
    if (!now) {
        line.changes.push_back({ "group", {}, "deleted" });
        return { std::move(line) };
    }
    const GroupRights empty;
    const GroupRights& was = before ? *before : empty;
    if (!before)
        line.changes.push_back({ "group", {}, "created" });
    if (was.name != now->name)
        line.changes.push_back({ "name", StoredToUtf8(was.name), StoredToUtf8(now->name) });
    AddRightChanges(line, was.rights, now->rights, rightName);
    std::vector<TrailEntry> lines;
    AddIfAnyChange(lines, std::move(line));
    return lines;
}

} // namespace custodia
