#include "groups/GroupProfileWriter.h"

#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/ProgramIndex.h"
#include "store/UserStore.h"

namespace custodia {

ProfileWriteResult WriteGroupProfiles(
    UserStore& store, const std::string& loginPath, uint8_t groupNumber, const std::string& name)
{
    ProfileWriteResult result;
    for (int program = 0; program < kProgramCount; ++program) {
        const std::string fileName = JoinPath(loginPath, kProfileFiles[static_cast<size_t>(program)].fileName);
        try {
            if (store.SaveGroupProfile(loginPath, groupNumber, name, program))
                ++result.written;
            else
                result.failures.push_back({ fileName, std::nullopt });
        } catch (const FileException& error) {
            result.failures.push_back({ error.fileName(), error.cause() });
        }
    }
    return result;
}

} // namespace custodia
