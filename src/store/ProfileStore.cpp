#include "store/ProfileStore.h"

#include "platform/Platform.h"
#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RecordImage.h"

#include <algorithm>

namespace custodia {

using namespace grouprecord;

namespace {

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

// The group's record as a change leaves it: named, its description empty as the console always writes
// it, and only the positions the program knows kept, as a load and save of the table would.
bool ChangeGroupRecord(
    std::span<unsigned char> data, int program, std::string_view name, const ProfileStore::RightsChange& change)
{
    GroupRecordBytes bytes {};
    std::copy(data.begin(), data.end(), bytes.begin());
    GroupRecord group = GroupRecord::Decode(bytes);
    group.name = name;
    group.description.clear();
    const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
    std::fill(group.rights.begin() + static_cast<ptrdiff_t>(length), group.rights.end(), 0);
    change(program, group.rights);
    const GroupRecordBytes encoded = group.Encode();
    std::copy(encoded.begin(), encoded.end(), data.begin());
    return true;
}

} // namespace

ProfileStore::ProfileStore(NativePath loginPath, const FileEnvironment& environment)
    : m_environment(&environment)
    , m_loginPath(std::move(loginPath))
{
}

std::string ProfileStore::FileOf(int program) const
{
    return JoinPath(m_loginPath, kProfileFiles[static_cast<size_t>(program)].fileName);
}

Loaded<std::vector<GroupEntry>> ProfileStore::LoadGroupList() const
{
    std::vector<unsigned char> image;
    Loaded<std::vector<GroupEntry>> groups;
    // Only "setup.prf" decides which groups exist.
    static_cast<FileReadResult&>(groups) = ReadRecordFileImage(FileOf(kProgramSetup), image, *m_environment);
    if (groups.WasRead())
        groups.value = GroupEntriesIn(image);
    return groups;
}

bool ProfileStore::ReadGroupRights(
    uint8_t groupNumber, RightsTable& table, std::string& name, std::vector<UnusableFile>* unusable) const
{
    table.Clear();
    bool found = false;
    for (int program = 0; program < kProgramCount; ++program) {
        const std::string fileName = FileOf(program);
        std::vector<unsigned char> image;
        const FileReadResult read = ReadRecordFileImage(fileName, image, *m_environment);
        if (unusable && read.IsUnusable())
            unusable->emplace_back(fileName, read);
        // A damaged file counts as not holding the group: its row stays zero.
        if (!read.WasRead())
            continue;
        const auto record = FindRecordIn(image, kKind, groupNumber, kSize);
        if (!record || record->data.empty())
            continue;
        GroupRecordBytes buffer {};
        std::copy(record->data.begin(), record->data.end(), buffer.begin());
        const GroupRecord group = GroupRecord::Decode(buffer);
        // Only the positions the program knows are taken; the rest of the row stays zero.
        const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
        std::copy_n(group.rights.begin(), length, table.GetRow(program)->begin());
        name = group.name;
        found = true;
    }
    return found;
}

Result<bool> ProfileStore::ChangeGroup(
    uint8_t groupNumber, std::string_view name, SaveMode mode, const RightsChange& change) const
{
    std::vector<RecordFileChange> changes;
    for (int program = 0; program < kProgramCount; ++program) {
        RecordFileChange part { FileOf(program), kKind, groupNumber, kSize,
            [&, program](std::span<unsigned char> data) { return ChangeGroupRecord(data, program, name, change); }, {},
            RecordPresence::Any };
        if (program == kProgramSetup)
            part.presence = PresenceFor(mode);
        changes.push_back(std::move(part));
    }
    return RecordFile::ApplyChanges(changes, "the group could not be saved", *m_environment);
}

Result<bool> ProfileStore::DeleteGroups(std::span<const uint8_t> groupNumbers) const
{
    if (groupNumbers.empty())
        return false;
    std::vector<RecordFileChange> changes;
    for (int program = 0; program < kProgramCount; ++program) {
        // The record a reader takes for the group, and only a whole one: a shorter record of the group
        // is left alone.
        RecordFileChange part { FileOf(program), kKind, 0, kSize, {}, {}, RecordPresence::Any };
        part.deletedSubKinds.assign(groupNumbers.begin(), groupNumbers.end());
        changes.push_back(std::move(part));
    }
    return RecordFile::ApplyChanges(changes, "the group could not be deleted", *m_environment);
}

} // namespace custodia
