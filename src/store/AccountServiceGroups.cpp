// The group operations of AccountService: the twelve profile files of the login path.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "platform/Platform.h"
#include "store/AuditTrailLines.h"
#include "store/GroupRecord.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/TextRules.h"

#include <algorithm>

namespace custodia {

using namespace grouprecord;

namespace {

const char* const kSaveOperation = "the group could not be saved";
const char* const kDeleteOperation = "the group could not be deleted";

// A name the group dialog and the peer programs can show: not empty, within its field, one line.
std::optional<std::string> RefusalOfName(std::string_view name)
{
    if (name.empty())
        return "the group name is empty";
    if (name.size() > kMaxNameLength)
        return "the group name is longer than " + std::to_string(kMaxNameLength) + " bytes";
    if (HasControlCharacter(name))
        return "the group name holds a control character";
    return std::nullopt;
}

// What a group's change found in the files and left there, for its trail lines.
struct GroupChangeSeen {
    std::optional<std::string> nameBefore; // of a group "setup.prf" held
    RightsTable before;
    RightsTable after;
};

RecordPresence PresenceFor(SaveMode mode)
{
    switch (mode) {
    case SaveMode::CreateOnly:
        return RecordPresence::Absent;
    case SaveMode::ReplaceOnly:
        return RecordPresence::Present;
    default:
        return RecordPresence::Any;
    }
}

// The group's record as the change leaves it, as the profile store writes it (named, its description
// empty, only the positions the program knows kept), seen before and after inside the files' hold, so
// the trail tells what this change found rather than what a read before it did.
bool ChangeSeenGroupRecord(std::span<unsigned char> data, int program, std::string_view name,
    const AccountService::RightsChange& change, GroupChangeSeen& seen)
{
    GroupRecordBytes bytes {};
    std::copy(data.begin(), data.begin() + static_cast<ptrdiff_t>(std::min(data.size(), bytes.size())), bytes.begin());
    GroupRecord group = GroupRecord::Decode(bytes);
    // A group "setup.prf" lacks reads as all zero.
    if (program == kProgramSetup && std::any_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b != 0; }))
        seen.nameBefore = group.name;
    group.name = name;
    group.description.clear();
    const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
    std::fill(group.rights.begin() + static_cast<ptrdiff_t>(length), group.rights.end(), 0);
    if (RightsTable::Row* row = seen.before.GetRow(program))
        *row = group.rights;
    change(program, group.rights);
    if (RightsTable::Row* row = seen.after.GetRow(program))
        *row = group.rights;
    const GroupRecordBytes encoded = group.Encode();
    std::copy(encoded.begin(), encoded.end(), data.begin());
    return true;
}

std::vector<RecordFileChange> GroupChanges(const NativePath& loginPath, uint8_t groupNumber, std::string_view name,
    SaveMode mode, const AccountService::RightsChange& change, GroupChangeSeen& seen)
{
    std::vector<RecordFileChange> changes;
    for (int program = 0; program < kProgramCount; ++program) {
        RecordFileChange part { JoinPath(loginPath, kProfileFiles[static_cast<size_t>(program)].fileName), kKind,
            groupNumber, kSize,
            [&, name, program](
                std::span<unsigned char> data) { return ChangeSeenGroupRecord(data, program, name, change, seen); },
            {}, RecordPresence::Any };
        if (program == kProgramSetup)
            part.presence = PresenceFor(mode);
        changes.push_back(std::move(part));
    }
    return changes;
}

} // namespace

Result<std::vector<GroupEntry>> AccountService::LoadGroups() const
{
    // A fresh login path has no groups.
    Loaded<std::vector<GroupEntry>> groups = m_profiles.LoadGroupList();
    if (groups.status == FileReadStatus::Missing)
        return std::vector<GroupEntry>();
    if (auto failure = FailureOfRead("the groups could not be read", m_profiles.FileOf(kProgramSetup), groups))
        return *failure;
    return std::move(groups.value);
}

Result<std::pair<std::string, RightsTable>> AccountService::LoadGroupRights(uint8_t groupNumber) const
{
    std::pair<std::string, RightsTable> group;
    if (!m_profiles.ReadGroupRights(groupNumber, group.second, group.first))
        return Refused(Failure::Refusal::NotFound, "the group could not be read", {},
            "no profile file holds group " + std::to_string(groupNumber));
    return group;
}

Status AccountService::ChangeGroup(
    uint8_t groupNumber, std::string_view name, SaveMode mode, const RightsChange& change) const
{
    if (const auto refusal = RefusalOfName(name))
        return Refused(Failure::Refusal::BadValue, kSaveOperation, {}, *refusal);
    return ChangeWithTrail(m_loginPath, m_trail, *m_environment, [&](std::vector<TrailEntry>& lines) {
        GroupChangeSeen seen;
        const Result<bool> changed = RecordFile::ApplyChanges(
            GroupChanges(m_loginPath, groupNumber, name, mode, change, seen), kSaveOperation, *m_environment);
        if (!changed)
            return Status(changed.Error());
        lines = GroupSavedLines(groupNumber, seen.nameBefore, name, seen.before, seen.after, m_trail.rightName);
        return Status();
    });
}

Status AccountService::DeleteGroups(std::span<const uint8_t> groupNumbers) const
{
    if (groupNumbers.empty())
        return {};
    return ChangeWithTrail(m_loginPath, m_trail, *m_environment, [&](std::vector<TrailEntry>& lines) {
        // Read inside the trail's hold for the lines' names; a group "setup.prf" lacks is named by its
        // number alone.
        const Result<std::vector<GroupEntry>> groups = LoadGroups();
        if (!groups)
            return Status(groups.Error());
        const Result<bool> deleted = m_profiles.DeleteGroups(groupNumbers);
        if (!deleted)
            return Status(deleted.Error());
        if (!*deleted)
            return Status(Refused(Failure::Refusal::NotFound, kDeleteOperation, {},
                groupNumbers.size() == 1 ? "no profile file holds group " + std::to_string(groupNumbers.front())
                                         : std::string("no profile file holds any of the groups")));
        for (const uint8_t number : groupNumbers) {
            const auto group = std::find_if(groups->begin(), groups->end(),
                [number](const GroupEntry& entry) { return entry.groupNumber == number; });
            lines.push_back(GroupDeletedLine(number, group == groups->end() ? std::string() : group->name));
        }
        return Status();
    });
}

} // namespace custodia
