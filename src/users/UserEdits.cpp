#include "users/UserEdits.h"

namespace custodia {

namespace {

template <typename T> void TakeIfChanged(const T& opened, const T& edited, T& stored)
{
    if (edited != opened)
        stored = edited;
}

} // namespace

void ApplyUserEdits(const UserEntry& opened, const UserEntry& edited, UserEntry& stored)
{
    const UserRecord& before = opened.user;
    const UserRecord& after = edited.user;
    UserRecord& user = stored.user;
    TakeIfChanged(before.userName, after.userName, user.userName);
    TakeIfChanged(before.fullName, after.fullName, user.fullName);
    TakeIfChanged(before.description, after.description, user.description);
    TakeIfChanged(before.password, after.password, user.password);
    TakeIfChanged(before.groupNumber, after.groupNumber, user.groupNumber);
    TakeIfChanged(before.databaseMode, after.databaseMode, user.databaseMode);
    // One bit a database slot: a slot the dialog switched goes in, the others stay as stored.
    user.databaseMask = (user.databaseMask & ~(before.databaseMask ^ after.databaseMask))
        | (after.databaseMask & (before.databaseMask ^ after.databaseMask));
    TakeIfChanged(opened.access.officeSelection, edited.access.officeSelection, stored.access.officeSelection);
    // The access record belongs to the user of its name, whatever the user is now called; a user
    // without one gets one only when the dialog changed its offices.
    if (!stored.access.userName.empty() || edited.access.officeSelection != opened.access.officeSelection)
        stored.access.userName = user.userName;
}

} // namespace custodia
