#pragma once

#include "store/UserEntry.h"

namespace custodia {

// Puts into the user as stored now only the fields that the dialog changed (edited against what it
// was opened with), so that another program's change of the other fields since then stays.
void ApplyUserEdits(const UserEntry& opened, const UserEntry& edited, UserEntry& stored);

} // namespace custodia
