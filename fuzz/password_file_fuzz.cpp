#include "FuzzFile.h"

#include "store/PasswordFileCheck.h"
#include "store/UserStore.h"

using namespace custodia;

// The readers of "tessel.pwd", then a save and a delete into the same bytes. A save that reports
// success must leave a user that the readers find.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string loginPath = fuzz::ScratchFolder();
    fuzz::WriteInput("tessel.pwd", data, size);
    UserStore store;
    store.LoadUsers(loginPath);
    const FoundUser supervisor = store.FindUser(loginPath, "supervisor");
    InspectPasswordFile(loginPath);
    UserStore::IsLogonRequired();

    const UserEntry fuzzer { UserRecord { 1, 5, "fuzzer", "Fuzz Er", "found by chance", "pass word", 3 },
        supervisor.entry.access };
    if (store.SaveUser(loginPath, fuzzer) == kUserSaved) {
        const FoundUser found = store.FindUser(loginPath, "fuzzer");
        if (!found.WasFound() || found.entry.user.password != "pass word")
            __builtin_trap();
    }
    store.DeleteUser(loginPath, "fuzzer", "Fuzz Er", "found by chance");
    return 0;
}
