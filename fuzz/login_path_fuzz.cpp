#include "FuzzFile.h"

#include "store/ProgramIndex.h"
#include "store/UserStore.h"

#include <cstdio>

using namespace custodia;

// The same bytes as a profile file and as the database list: groups, rights and database slots
// loaded, then a group and the list saved back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string loginPath = fuzz::ScratchFolder();
    // Start each input afresh: saves of earlier inputs would otherwise pile up in the other profiles.
    for (const ProfileFile& profile : kProfileFiles)
        std::remove((loginPath + "/" + profile.fileName).c_str());
    const std::vector<unsigned char> image = fuzz::SealedRecordImage(data, size);
    fuzz::WriteInput("setup.prf", image);
    fuzz::WriteInput("custodia.prf", image);
    fuzz::WriteInput("tessel.dbs", image);
    UserStore store;
    const auto groups = store.LoadGroupList(loginPath).value;
    const uint8_t group = groups.empty() ? 1 : groups.front().groupNumber;
    store.LoadGroupRights(loginPath, group);
    store.HasRight(kProgramCustodia, 0);
    const bool listRead = store.LoadDatabaseList(loginPath).WasRead();
    if (!fuzz::ShouldWrite(image))
        return 0;
    if (listRead)
        store.SaveDatabaseList(loginPath, store.DatabaseListOrEmpty());
    store.SaveGroup(loginPath, group, "Fuzzed");
    store.DeleteGroup(loginPath, group);
    return 0;
}
