// The group operations of UserStore: the twelve profile files of a login path.
#include "store/UserStore.h"

#include "platform/Platform.h"
#include "store/GroupChange.h"
#include "store/GroupRecord.h"
#include "store/RecordFile.h"

#include <algorithm>
#include <span>
#include <vector>

namespace custodia {

using namespace grouprecord;

namespace {

std::string ProfilePath(const std::string& loginPath, int program)
{
    return JoinPath(loginPath, kProfileFiles[static_cast<size_t>(program)].fileName);
}

} // namespace

Loaded<std::vector<GroupEntry>> UserStore::LoadGroupList(const std::string& loginPath) const
{
    std::vector<unsigned char> image;
    Loaded<std::vector<GroupEntry>> groups;
    // Only "setup.prf" decides which groups exist.
    static_cast<FileReadResult&>(groups) = ReadRecordFileImage(ProfilePath(loginPath, kProgramSetup), image);
    if (groups.WasRead())
        groups.value = GroupEntriesIn(image);
    return groups;
}

bool UserStore::LoadGroupRights(const std::string& loginPath, uint8_t groupNumber)
{
    RightsTable& table = GetRightsTable();
    table.Clear();
    bool found = false;
    for (int program = 0; program < kProgramCount; ++program) {
        GroupRecordBytes buffer {};
        RecordFile records;
        // A damaged file counts as not holding the group: its row stays zero.
        if (records.ReadRecord(ProfilePath(loginPath, program), kKind, groupNumber, buffer, true) == 0)
            continue;
        const GroupRecord group = GroupRecord::Decode(buffer);
        // Only the positions the program knows are taken; the rest of the row stays zero.
        const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
        RightsTable::Row& row = *table.GetRow(program);
        std::copy_n(group.rights.begin(), length, row.begin());
        m_groupName = group.name;
        found = true;
    }
    return found;
}

const RightsTable::Row* UserStore::GetProgramRights(int program) const
{
    return m_rightsTable ? m_rightsTable->GetRow(program) : nullptr;
}

uint8_t UserStore::HasRight(int program, int position) const
{
    // Without a log-on no table is ever loaded, and the console then grants everything.
    if (!m_rightsTable || !IsProgramIndex(program))
        return 1;
    return m_rightsTable->Get(program, position);
}

RightsTable& UserStore::GetRightsTable()
{
    if (!m_rightsTable)
        m_rightsTable = std::make_unique<RightsTable>();
    return *m_rightsTable;
}

bool UserStore::SaveGroup(const std::string& loginPath, uint8_t groupNumber, std::string_view name)
{
    return SaveGroupAllOrNothing(loginPath, groupNumber, name).result == RecordChangeResult::Written;
}

RecordChangeOutcome UserStore::SaveGroupAllOrNothing(
    const std::string& loginPath, uint8_t groupNumber, std::string_view name)
{
    const RightsTable& table = GetRightsTable();
    return ChangeGroup(loginPath, groupNumber, name, [&](int program, std::span<unsigned char> rights) {
        const RightsTable::Row& row = *table.GetRow(program);
        std::copy(row.begin(), row.end(), rights.begin());
    });
}

RecordChangeOutcome UserStore::ChangeGroup(
    const std::string& loginPath, uint8_t groupNumber, std::string_view name, const RightsChange& change)
{
    return RecordChangeOutcome::Of(ChangeGroupRecords(loginPath, groupNumber, name, SaveMode::CreateOrReplace, change));
}

void UserStore::DeleteGroup(const std::string& loginPath, uint8_t groupNumber) const
{
    for (int program = 0; program < kProgramCount; ++program) {
        // The record a reader takes for the group, and only a whole one: a shorter record of the group
        // is left alone.
        RecordFile().DeleteFittingRecord(ProfilePath(loginPath, program), kKind, groupNumber, kSize);
    }
}

} // namespace custodia
