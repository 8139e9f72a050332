#include "groups/GroupProfileWriter.h"

#include "platform/FileException.h"
#include "platform/SharedFile.h"
#include "store/ProgramIndex.h"
#include "store/UserStore.h"

namespace custodia {

namespace {

// Why the open of the file failed, when it was the file's own open that did.
std::string OpenFailureOf(const std::string& fileName)
{
    const auto& failed = LastFailedOpen();
    return failed && failed->fileName == fileName ? DescribeOpenError(failed->error) : std::string();
}

} // namespace

ProfileWriteResult WriteGroupProfiles(
    UserStore& store, const std::string& loginPath, uint8_t groupNumber, const std::string& name)
{
    ProfileWriteResult result;
    ClearLastFailedOpen();
    try {
        const RecordChangeOutcome outcome = store.SaveGroupAllOrNothing(loginPath, groupNumber, name);
        if (outcome.result == RecordChangeResult::Written)
            result.written = kProgramCount;
        else if (outcome.result == RecordChangeResult::Damaged)
            result.failures.push_back({ outcome.fileName, "damaged" });
        else
            result.failures.push_back({ outcome.fileName, OpenFailureOf(outcome.fileName) });
    } catch (const FileException& error) {
        result.failures.push_back({ error.fileName(), DescribeFileCause(error.cause()) });
    }
    return result;
}

} // namespace custodia
