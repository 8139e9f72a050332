#include "app/ItemListContents.h"

#include "platform/Platform.h"
#include "store/PasswordFile.h"
#include "store/ProgramIndex.h"
#include "store/UserStore.h"

#include <filesystem>
#include <utility>

namespace custodia {

namespace {

bool FolderIsThere(const NativePath& loginPath)
{
    std::error_code error;
    return std::filesystem::is_directory(loginPath.IsEmpty() ? std::string(".") : loginPath.Bytes(), error);
}

NativePath FileOfMode(ListMode mode, const NativePath& loginPath)
{
    switch (mode) {
    case ListMode::Users:
        return NativePath(PasswordFilePath(loginPath));
    case ListMode::Groups:
        return NativePath(JoinPath(loginPath, kProfileFiles[kProgramSetup].fileName));
    case ListMode::DatabasePaths:
        return NativePath(JoinPath(loginPath, databaselist::kFileName));
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
    return {};
}

void ReadUsers(const NativePath& loginPath, ItemListContents& contents)
{
    UserStore store;
    Loaded<std::vector<UserEntry>> users = store.LoadUsers(loginPath);
    contents.read = users;
    contents.users = std::move(users.value);
    // The list names each user's group and databases: read beside it, a failure there shows as an
    // unknown group rather than as an unreadable list.
    contents.groups = store.LoadGroupList(loginPath).value;
    store.LoadDatabaseList(loginPath);
    contents.databases = store.DatabaseListOrEmpty();
}

void ReadGroups(const NativePath& loginPath, ItemListContents& contents)
{
    Loaded<std::vector<GroupEntry>> groups = UserStore().LoadGroupList(loginPath);
    contents.read = groups;
    contents.groups = std::move(groups.value);
}

void ReadDatabases(const NativePath& loginPath, ItemListContents& contents)
{
    UserStore store;
    contents.read = store.LoadDatabaseList(loginPath);
    contents.databases = store.DatabaseListOrEmpty();
}

} // namespace

ItemListContents ReadItemListContents(ListMode mode, const NativePath& loginPath)
{
    ItemListContents contents;
    contents.fileName = FileOfMode(mode, loginPath);
    if (contents.fileName.IsEmpty())
        return contents;
    // A folder that is gone is said at once: each of its files would otherwise be retried first, as a
    // passing fault, which keeps the supervisor waiting for nothing.
    if (!FolderIsThere(loginPath)) {
        contents.folderMissing = true;
        contents.read.status = FileReadStatus::Missing;
        return contents;
    }
    switch (mode) {
    case ListMode::Users:
        ReadUsers(loginPath, contents);
        break;
    case ListMode::Groups:
        ReadGroups(loginPath, contents);
        break;
    case ListMode::DatabasePaths:
        ReadDatabases(loginPath, contents);
        break;
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
    return contents;
}

} // namespace custodia
