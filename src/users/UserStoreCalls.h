#pragma once

#include "store/DatabaseList.h"
#include "store/UserEntry.h"

#include <string>

// The user dialogs' and commands' calls into the store, in one place, so that a change of the store's
// interface changes these few functions only.
namespace custodia {

std::string DatabaseListFileOf(const std::string& loginPath);

// Writes the user and its access record. False when the password file could not be written.
bool SaveUserEntry(const std::string& loginPath, const UserEntry& entry);

// Whether a user of that name is stored in the login path.
bool IsUserNameStored(const std::string& loginPath, const std::string& userName);

// Frees the records of the user stored under that name (the name left behind by a rename). False when
// nothing could be freed.
bool RemoveStoredUser(const std::string& loginPath, const std::string& userName);

// Writes one slot of the database list. The file is read again just before, so a change that another
// program made to other slots meanwhile is kept; only when it cannot be read is the shown image the
// base. False when the file could not be written.
bool SaveDatabaseSlot(const std::string& loginPath, const DatabaseList& edited, int slot);

// Why a file could not be written, for a person: the cause found by trying it once more.
std::string DescribeWriteFailure(const std::string& fileName);

// Why a folder could not be made, for a person: what stands in the way at its nearest existing parent.
std::string DescribeFolderFailure(const std::string& folder);

} // namespace custodia
