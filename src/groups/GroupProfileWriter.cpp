#include "groups/GroupProfileWriter.h"

#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/ProgramIndex.h"
#include "store/SharedFile.h"
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
    for (int program = 0; program < kProgramCount; ++program) {
        const std::string fileName = JoinPath(loginPath, kProfileFiles[static_cast<size_t>(program)].fileName);
        ClearLastFailedOpen();
        try {
            if (store.SaveGroupProfile(loginPath, groupNumber, name, program))
                ++result.written;
            else
                result.failures.push_back({ fileName, OpenFailureOf(fileName) });
        } catch (const FileException& error) {
            result.failures.push_back({ error.fileName(), DescribeFileCause(error.cause()) });
        }
    }
    return result;
}

} // namespace custodia
