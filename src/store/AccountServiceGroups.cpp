// The group operations of AccountService: the twelve profile files of the login path.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "platform/Platform.h"
#include "store/GroupChange.h"
#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/TextRules.h"

#include <algorithm>

namespace custodia {

using namespace grouprecord;

namespace {

const char* const kSaveOperation = "the group could not be saved";
const char* const kDeleteOperation = "the group could not be deleted";

std::string ProfilePath(const std::string& loginPath, int program)
{
    return JoinPath(loginPath, kProfileFiles[static_cast<size_t>(program)].fileName);
}

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

} // namespace

Result<std::vector<GroupEntry>> AccountService::LoadGroups() const
{
    // Only "setup.prf" decides which groups exist; a fresh login path has none.
    const std::string fileName = ProfilePath(m_loginPath, kProgramSetup);
    std::vector<unsigned char> image;
    const FileReadResult read = ReadRecordFileImage(fileName, image);
    if (read.status == FileReadStatus::Missing)
        return std::vector<GroupEntry>();
    if (auto failure = FailureOfRead("the groups could not be read", fileName, read))
        return *failure;
    return GroupEntriesIn(image);
}

Result<std::pair<std::string, RightsTable>> AccountService::LoadGroupRights(uint8_t groupNumber) const
{
    std::pair<std::string, RightsTable> group;
    bool found = false;
    for (int program = 0; program < kProgramCount; ++program) {
        GroupRecordBytes buffer {};
        // A damaged file counts as not holding the group: its row stays zero.
        if (RecordFile().ReadRecord(ProfilePath(m_loginPath, program), kKind, groupNumber, buffer, true) == 0)
            continue;
        const GroupRecord record = GroupRecord::Decode(buffer);
        // Only the positions the program knows are taken; the rest of the row stays zero.
        const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
        std::copy_n(record.rights.begin(), length, group.second.GetRow(program)->begin());
        group.first = record.name;
        found = true;
    }
    if (!found)
        return Refused(Failure::Refusal::NotFound, "the group could not be read", {},
            "no profile file holds group " + std::to_string(groupNumber));
    return group;
}

Result<bool> ChangeGroupRecords(const std::string& loginPath, uint8_t groupNumber, std::string_view name, SaveMode mode,
    const GroupRightsChange& change)
{
    std::vector<RecordFileChange> changes;
    for (int program = 0; program < kProgramCount; ++program) {
        RecordFileChange part { ProfilePath(loginPath, program), kKind, groupNumber, kSize,
            [&, program](std::span<unsigned char> data) {
                GroupRecordBytes bytes {};
                std::copy(data.begin(), data.end(), bytes.begin());
                GroupRecord group = GroupRecord::Decode(bytes);
                group.name = name;
                group.description.clear(); // the console always writes it empty
                // As a load and save of the table would: only the positions the program knows are
                // kept, the rest of the row is written as zero.
                const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
                std::fill(group.rights.begin() + static_cast<ptrdiff_t>(length), group.rights.end(), 0);
                change(program, group.rights);
                const GroupRecordBytes encoded = group.Encode();
                std::copy(encoded.begin(), encoded.end(), data.begin());
                return true;
            },
            {}, RecordPresence::Any };
        if (program == kProgramSetup)
            part.presence = PresenceFor(mode);
        changes.push_back(std::move(part));
    }
    // Index order is the one fixed order in which every saver takes the twelve files.
    return RecordFile::ApplyChanges(changes, kSaveOperation);
}

Status AccountService::ChangeGroup(
    uint8_t groupNumber, std::string_view name, SaveMode mode, const RightsChange& change) const
{
    if (const auto refusal = RefusalOfName(name))
        return Refused(Failure::Refusal::BadValue, kSaveOperation, {}, *refusal);
    const Result<bool> changed = ChangeGroupRecords(m_loginPath, groupNumber, name, mode, change);
    if (!changed)
        return changed.Error();
    return {};
}

Status AccountService::DeleteGroups(std::span<const uint8_t> groupNumbers) const
{
    std::vector<RecordFileChange> changes;
    for (int program = 0; program < kProgramCount; ++program) {
        RecordFileChange part { ProfilePath(m_loginPath, program), kKind, 0, kSize, {}, {}, RecordPresence::Any };
        part.deletedSubKinds.assign(groupNumbers.begin(), groupNumbers.end());
        changes.push_back(std::move(part));
    }
    if (groupNumbers.empty())
        return {};
    const Result<bool> deleted = RecordFile::ApplyChanges(changes, kDeleteOperation);
    if (!deleted)
        return deleted.Error();
    if (!*deleted)
        return Refused(Failure::Refusal::NotFound, kDeleteOperation, {},
            groupNumbers.size() == 1 ? "no profile file holds group " + std::to_string(groupNumbers.front())
                                     : std::string("no profile file holds any of the groups"));
    return {};
}

} // namespace custodia
