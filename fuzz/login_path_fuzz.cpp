#include "FuzzFile.h"

#include "store/DatabaseListStore.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/Session.h"

#include <algorithm>

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
    const ProfileStore profiles { NativePath(loginPath) };
    const DatabaseListStore databases { NativePath(loginPath) };
    Session session;
    const auto groups = profiles.LoadGroupList().value;
    const uint8_t group = groups.empty() ? 1 : groups.front().groupNumber;
    session.LoadGroupRights(profiles, group);
    session.HasRight(kProgramCustodia, 0);
    const bool listRead = session.LoadDatabaseList(databases).WasRead();
    if (!fuzz::ShouldWrite(image))
        return 0;
    if (listRead)
        static_cast<void>(databases.Save(session.DatabaseListOrEmpty()));
    // The rights as read, written back under a new name.
    const RightsTable& table = session.GetRightsTable();
    static_cast<void>(profiles.ChangeGroup(
        group, "Fuzzed", SaveMode::CreateOrReplace, [&](int program, std::span<unsigned char> rights) {
            const RightsTable::Row& row = *table.GetRow(program);
            std::copy(row.begin(), row.end(), rights.begin());
        }));
    const uint8_t deleted[] = { group };
    static_cast<void>(profiles.DeleteGroups(deleted));
    return 0;
}
