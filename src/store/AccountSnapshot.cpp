#include "store/AccountSnapshot.h"

#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RecordImage.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>

namespace custodia {

using namespace grouprecord;

namespace {

// The bits of AccountSnapshot::presentFiles: one per profile file, by program, and one for the users.
constexpr uint32_t kUsersFileBit = uint32_t { 1 } << kProgramCount;
constexpr uint32_t kProfileFileBits = kUsersFileBit - 1;

uint32_t ProfileBit(int program)
{
    return uint32_t { 1 } << program;
}

uint64_t TrailLengthOf(const NativePath& loginPath)
{
    std::error_code error;
    const uintmax_t length = std::filesystem::file_size(JoinPath(loginPath, audittrail::kFileName), error);
    return error ? 0 : static_cast<uint64_t>(length);
}

std::optional<std::vector<UserEntry>> ReadUsers(const AccountService& service, uint32_t& present)
{
    Result<std::vector<UserEntry>> users = service.LoadUsers();
    if (!users && ReadResultOf(users.Error()).status == FileReadStatus::Missing)
        return std::vector<UserEntry> {};
    // A file that is there counts as there even when it could not be read this time.
    present |= kUsersFileBit;
    if (!users)
        return std::nullopt;
    return std::move(users).Value();
}

// Every group the image holds and its row of rights: the first record of each group that fits, as
// the readers pick it, and none for an empty one.
void AddRightsOf(std::span<const unsigned char> image, int program, std::map<int, GroupRights>& rights)
{
    std::array<bool, kGroupCount> seen {};
    RecordChain chain(image);
    while (const std::optional<RecordView> record = chain.Next()) {
        if (record->kind != kKind || record->data.size() > kSize || seen[record->subKind])
            continue;
        seen[record->subKind] = true;
        if (record->data.empty())
            continue;
        GroupRecordBytes bytes {};
        std::copy(record->data.begin(), record->data.end(), bytes.begin());
        const GroupRecord group = GroupRecord::Decode(bytes);
        GroupRights& entry = rights[record->subKind];
        // The name "setup.prf" gives is the one the group list shows; the others name it only when it
        // lacks the group.
        if (program == kProgramSetup || entry.name.empty())
            entry.name = group.name;
        const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
        std::copy_n(group.rights.begin(), length, entry.rights.GetRow(program)->begin());
    }
}

// The group list and every group's rights from one read of each profile file.
void ReadGroups(const NativePath& loginPath, const FileEnvironment& environment, AccountSnapshot& snapshot)
{
    std::map<int, GroupRights> rights;
    std::vector<GroupEntry> groups;
    bool listRead = true;
    bool rightsRead = true;
    for (int program = 0; program < kProgramCount; ++program) {
        std::vector<unsigned char> image;
        const FileReadResult read = ReadRecordFileImage(
            JoinPath(loginPath, kProfileFiles[static_cast<size_t>(program)].fileName), image, environment);
        if (read.status == FileReadStatus::Missing)
            continue;
        // A file that is there counts as there even when it could not be read this time.
        snapshot.presentFiles |= ProfileBit(program);
        if (!read.WasRead()) {
            rightsRead = false;
            listRead = listRead && program != kProgramSetup;
            continue;
        }
        if (program == kProgramSetup)
            groups = GroupEntriesIn(image);
        AddRightsOf(image, program, rights);
    }
    if (listRead)
        snapshot.groups = std::move(groups);
    if (rightsRead)
        snapshot.rights = std::move(rights);
}

bool IsFolder(const NativePath& loginPath)
{
    std::error_code error;
    return std::filesystem::is_directory(loginPath.IsEmpty() ? std::string(".") : loginPath.Bytes(), error);
}

// Joins the group's lines into one: the list's line first, then what the other adds.
void MergeInto(std::optional<TrailEntry>& line, std::vector<TrailEntry>&& more)
{
    for (TrailEntry& next : more) {
        if (!line) {
            line = std::move(next);
            continue;
        }
        for (TrailChange& change : next.changes) {
            if (std::find(line->changes.begin(), line->changes.end(), change) == line->changes.end())
                line->changes.push_back(std::move(change));
        }
    }
}

template <typename Value> std::vector<Value> OneOrNone(const Value* value)
{
    return value != nullptr ? std::vector<Value> { *value } : std::vector<Value> {};
}

template <typename Map> const typename Map::mapped_type* Find(const Map& map, int key)
{
    const auto found = map.find(key);
    return found == map.end() ? nullptr : &found->second;
}

std::map<int, const GroupEntry*> ByNumber(const std::vector<GroupEntry>& groups)
{
    std::map<int, const GroupEntry*> index;
    for (const GroupEntry& group : groups)
        index.emplace(group.groupNumber, &group); // the first of a number, as the list shows it
    return index;
}

void AddGroupLines(const AccountSnapshot& before, const AccountSnapshot& now, bool listsComparable,
    bool rightsComparable, const RightNamer& rightName, long long seenAt, std::vector<TrailEntry>& lines)
{
    std::map<int, const GroupEntry*> listedBefore;
    std::map<int, const GroupEntry*> listedNow;
    std::set<int> numbers;
    if (listsComparable) {
        listedBefore = ByNumber(*before.groups);
        listedNow = ByNumber(*now.groups);
        for (const auto& index : { &listedBefore, &listedNow })
            for (const auto& [number, group] : *index)
                numbers.insert(number);
    }
    if (rightsComparable) {
        for (const auto& rights : { &*before.rights, &*now.rights })
            for (const auto& [number, group] : *rights)
                numbers.insert(number);
    }
    for (const int number : numbers) {
        std::optional<TrailEntry> line;
        if (listsComparable) {
            const auto* was = Find(listedBefore, number);
            const auto* is = Find(listedNow, number);
            MergeInto(
                line, OutsideGroupListChanges(OneOrNone(was ? *was : nullptr), OneOrNone(is ? *is : nullptr), seenAt));
        }
        if (rightsComparable) {
            const GroupRights* was = Find(*before.rights, number);
            const GroupRights* is = Find(*now.rights, number);
            MergeInto(line,
                OutsideGroupChanges(number, was ? std::optional(*was) : std::nullopt,
                    is ? std::optional(*is) : std::nullopt, rightName, seenAt));
        }
        if (line)
            lines.push_back(std::move(*line));
    }
}

} // namespace

AccountSnapshot ReadAccountSnapshot(const NativePath& loginPath, const FileEnvironment& environment)
{
    AccountSnapshot snapshot;
    // Lines appended while the files are read are counted as after them: they can only explain more.
    snapshot.trailLength = TrailLengthOf(loginPath);
    // A folder that is gone holds no accounts to compare: nothing of it is read.
    if (!IsFolder(loginPath))
        return snapshot;
    const AccountService service(loginPath, environment);
    snapshot.users = ReadUsers(service, snapshot.presentFiles);
    ReadGroups(loginPath, environment, snapshot);
    return snapshot;
}

std::vector<TrailEntry> SnapshotDifferences(
    const AccountSnapshot& before, const AccountSnapshot& now, const RightNamer& rightName, long long seenAt)
{
    const uint32_t gone = before.presentFiles & ~now.presentFiles;
    std::vector<TrailEntry> lines;
    if (before.users && now.users && (gone & kUsersFileBit) == 0)
        lines = OutsideUserChanges(*before.users, *now.users, seenAt);
    const bool listsComparable = before.groups && now.groups && (gone & ProfileBit(kProgramSetup)) == 0;
    const bool rightsComparable = before.rights && now.rights && (gone & kProfileFileBits) == 0;
    AddGroupLines(before, now, listsComparable, rightsComparable, rightName, seenAt, lines);
    return lines;
}

} // namespace custodia
