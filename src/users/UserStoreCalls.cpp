#include "users/UserStoreCalls.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/UserStore.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

namespace {

std::string FolderOf(const std::string& fileName)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string(1, kPathSeparator) : fileName.substr(0, slash);
}

void CopySlot(const DatabaseList& from, DatabaseList& to, int slot)
{
    to.SetPath(slot, from.GetPath(slot));
    to.SetMirrorPath(slot, from.GetMirrorPath(slot));
    to.SetMirrorOn(slot, from.IsMirrorOn(slot));
    to.SetDescription(slot, from.GetDescription(slot));
}

} // namespace

std::string DatabaseListFileOf(const std::string& loginPath)
{
    return JoinPath(loginPath, databaselist::kFileName);
}

bool SaveUserEntry(const std::string& loginPath, const UserEntry& entry)
{
    return UserStore().SaveUser(loginPath, entry) == kUserSaved;
}

bool IsUserNameStored(const std::string& loginPath, const std::string& userName)
{
    return UserStore().FindUser(loginPath, userName).WasFound();
}

bool RemoveStoredUser(const std::string& loginPath, const std::string& userName)
{
    UserStore store;
    const FoundUser found = store.FindUser(loginPath, userName);
    if (!found.WasFound())
        return false;
    const UserRecord& user = found.entry.user;
    return store.DeleteUser(loginPath, user.userName, user.fullName, user.description) > 0;
}

bool SaveDatabaseSlot(const std::string& loginPath, const DatabaseList& edited, int slot)
{
    // The slot goes into the list as the file holds it at the moment of writing, so another program's
    // change of other slots stays.
    return UserStore().ChangeDatabaseList(loginPath, [&](DatabaseList& stored) { CopySlot(edited, stored, slot); })
        == RecordChangeResult::Written;
}

std::string DescribeWriteFailure(const std::string& fileName)
{
    if (fileName.ends_with(passwordfile::kFileName) && FileExists(fileName)) {
        const PasswordFileCheck check = InspectPasswordFile(FolderOf(fileName));
        if (check.state == PasswordFileState::HeaderShort || check.state == PasswordFileState::WrongTitle)
            return check.reason;
    }
    if (FileExists(fileName)) {
        File file;
        const int cause
            = file.OpenOnce(fileName, openflags::kBinary | openflags::kReadWrite | openflags::kShareExclusive);
        // Free again now: it was held by another program through every retry.
        return DescribeFileCause(cause == kCauseNone ? kCauseSharingViolation : cause);
    }
    const std::string folder = FolderOf(fileName);
    if (::access(folder.c_str(), W_OK) != 0)
        return DescribeFileCause(CauseFromErrno(errno, fileName));
    return DescribeFileCause(kCauseGeneric);
}

std::string DescribeFolderFailure(const std::string& folder)
{
    std::string existing = folder;
    while (!FileExists(existing) && existing != FolderOf(existing))
        existing = FolderOf(existing);
    struct stat info { };
    if (::stat(existing.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return DescribeFileCause(kCauseBadPath);
    if (::access(existing.c_str(), W_OK) != 0)
        return DescribeFileCause(CauseFromErrno(errno, existing));
    return DescribeFileCause(kCauseGeneric);
}

} // namespace custodia
