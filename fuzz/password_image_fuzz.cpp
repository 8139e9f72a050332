#include "FuzzImage.h"

#include "store/PasswordFileCheck.h"
#include "store/PasswordImage.h"

#include <vector>

using namespace custodia;
using fuzz::Require;

// "tessel.pwd" in memory, as the store reads it: the check, every user with its access record, and each
// user found again by name, as a lookup, a save or a delete finds it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PasswordImage image({ data, size });
    const PasswordFileCheck check = CheckPasswordImage(image);
    Require(!check.IsSound() || image.IsPasswordFile());
    Require(check.IsSound() == check.reason.empty());
    Require(image.RecordsInUse() <= image.WholeRecords());
    Require(image.HeaderLength() <= passwordfile::kHeaderSize);

    const std::vector<UserEntry> users = ParseUsers(image);
    Require(users.size() <= image.WholeRecords());
    for (const UserEntry& entry : users) {
        const UserRecordIndices found = FindUserRecords(image, entry.user.userName);
        Require(found.user && *found.user < image.WholeRecords());
        Require(StoredUserName(image.Record(*found.user)) == entry.user.userName);
        if (found.access) {
            Require(*found.access < image.WholeRecords());
            Require(StoredUserName(image.Record(*found.access)) == entry.user.userName);
            Require(entry.access == UserAccessRecord::Decode(image.Record(*found.access)));
        } else {
            Require(entry.access == UserAccessRecord {});
        }
    }
    return 0;
}
