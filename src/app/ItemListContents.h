#pragma once

#include "app/ListMode.h"
#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "store/DatabaseList.h"
#include "store/FileReadResult.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <vector>

namespace custodia {

// What one fill of the item list read from a login path: the rows of its mode as stored, and how the
// file that holds them was read. Made by the store alone, so that it can be read away from the window.
struct ItemListContents {
    std::vector<UserEntry> users;
    std::vector<GroupEntry> groups;
    DatabaseList databases;
    FileReadResult read; // of the file that holds the rows of the mode
    NativePath fileName; // that file
    bool folderMissing = false; // the login path's folder itself is gone
};

// Reads the rows of a mode that lists a login path's files (users with the groups and database slots
// they name, groups, database slots) through the account services, waiting as the environment says;
// the other modes read nothing.
ItemListContents ReadItemListContents(
    ListMode mode, const NativePath& loginPath, const FileEnvironment& environment = FileEnvironment::System());

} // namespace custodia
