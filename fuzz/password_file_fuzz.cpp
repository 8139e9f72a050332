#include "FuzzFile.h"

#include "store/PasswordFileCheck.h"
#include "store/PasswordFileStore.h"

using namespace custodia;

// "tessel.pwd" through the file readers, then a save and a delete into the same bytes. A save that
// reports success must leave a user that the readers find. What the readers make of the bytes is fuzzed
// in memory (password_image_fuzz); here each way of reading goes through the file once.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string loginPath = fuzz::ScratchFolder();
    fuzz::WriteInput("tessel.pwd", data, size);
    const PasswordFileStore store { NativePath(loginPath) };
    static_cast<void>(store.LoadUsers());
    InspectPasswordFile(loginPath);
    PasswordFileStore::IsLogonRequired();

    UserAccessRecord access;
    access.SetOfficeSelectionEnabled(1, true);
    access.SetOfficeAllowed(1, static_cast<int>(size % 100) + 1, true);
    const UserEntry fuzzer { UserRecord { 1, 5, "fuzzer", "Fuzz Er", "found by chance", "pass word", 3 }, access };
    const Status saved = store.SaveUser("fuzzer", SaveMode::CreateOrReplace, [&](UserEntry& entry) { entry = fuzzer; });
    if (saved) {
        const FoundUser found = store.FindUser("fuzzer");
        fuzz::Require(found.WasFound() && found.entry.user.password == "pass word");
    }
    static_cast<void>(store.DeleteUser("fuzzer", "Fuzz Er", "found by chance"));
    return 0;
}
