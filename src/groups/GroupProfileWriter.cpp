#include "groups/GroupProfileWriter.h"

#include "platform/FileException.h"
#include "store/AccountService.h"
#include "store/ProgramIndex.h"

namespace custodia {

namespace {

std::string CauseOf(const Failure& failure)
{
    if (failure.refusal == Failure::Refusal::None && failure.cause != 0)
        return DescribeFileCause(failure.cause);
    if (failure.refusal == Failure::Refusal::Damaged)
        return "damaged";
    return failure.detail;
}

unsigned char ByteOf(const RightsTable::Row* row, size_t position)
{
    return row != nullptr ? (*row)[position] : 0;
}

} // namespace

ProfileWriteResult WriteGroupProfiles(const NativePath& loginPath, uint8_t groupNumber, const std::string& name,
    const RightsTable& opened, const RightsTable& edited, RightsWritten written, SaveMode mode,
    const FileEnvironment& environment, const TrailOptions& trail)
{
    const auto change = [&](int program, std::span<unsigned char> rights) {
        const RightsTable::Row* before = opened.GetRow(program);
        const RightsTable::Row* after = edited.GetRow(program);
        for (size_t position = 0; position < rights.size() && position < grouprecord::kRightsSize; ++position) {
            if (written == RightsWritten::All || ByteOf(after, position) != ByteOf(before, position))
                rights[position] = ByteOf(after, position);
        }
    };
    ProfileWriteResult result;
    const Status saved = AccountService(loginPath, trail, environment).ChangeGroup(groupNumber, name, mode, change);
    if (saved)
        result.written = kProgramCount;
    else if (saved.Error().refusal == Failure::Refusal::NotFound)
        result.groupMissing = true;
    else
        result.failures.push_back({ saved.Error().fileName.Bytes(), CauseOf(saved.Error()) });
    return result;
}

} // namespace custodia
