#include "FuzzFile.h"

#include "store/PasswordFileCheck.h"
#include "store/UserStore.h"

using namespace custodia;

// "tessel.pwd" through the file readers, then a save and a delete into the same bytes. A save that
// reports success must leave a user that the readers find. What the readers make of the bytes is fuzzed
// in memory (password_image_fuzz); here each way of reading goes through the file once.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string loginPath = fuzz::ScratchFolder();
    fuzz::WriteInput("tessel.pwd", data, size);
    UserStore store;
    store.LoadUsers(loginPath);
    InspectPasswordFile(loginPath);
    UserStore::IsLogonRequired();

    UserAccessRecord access;
    access.SetOfficeSelectionEnabled(1, true);
    access.SetOfficeAllowed(1, static_cast<int>(size % 100) + 1, true);
    const UserEntry fuzzer { UserRecord { 1, 5, "fuzzer", "Fuzz Er", "found by chance", "pass word", 3 }, access };
    if (store.SaveUser(loginPath, fuzzer) == kUserSaved) {
        const FoundUser found = store.FindUser(loginPath, "fuzzer");
        fuzz::Require(found.WasFound() && found.entry.user.password == "pass word");
    }
    store.DeleteUser(loginPath, "fuzzer", "Fuzz Er", "found by chance");
    return 0;
}
