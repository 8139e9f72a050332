#include "groups/GroupProfileWriter.h"

#include "platform/FileException.h"
#include "store/ProgramIndex.h"
#include "store/UserStore.h"

namespace custodia {

ProfileWriteResult WriteGroupProfiles(
    UserStore& store, const std::string& loginPath, uint8_t groupNumber, const std::string& name)
{
    ProfileWriteResult result;
    try {
        const RecordChangeOutcome outcome = store.SaveGroupAllOrNothing(loginPath, groupNumber, name);
        if (outcome.result == RecordChangeResult::Written)
            result.written = kProgramCount;
        else if (outcome.result == RecordChangeResult::Damaged)
            result.failures.push_back({ outcome.fileName, "damaged" });
        else
            result.failures.push_back({ outcome.fileName, outcome.cause });
    } catch (const FileException& error) {
        result.failures.push_back({ error.fileName(), DescribeFileCause(error.cause()) });
    }
    return result;
}

} // namespace custodia
