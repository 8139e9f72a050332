#include "app/ItemListContents.h"

#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/PasswordFile.h"
#include "store/ProgramIndex.h"

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

// A file that could not be read gives no rows and says how the reading went.
template <typename T> T ValueOr(Result<T> read, FileReadResult* how)
{
    if (read) {
        if (how != nullptr)
            *how = {};
        return std::move(read).Value();
    }
    if (how != nullptr)
        *how = ReadResultOf(read.Error());
    return T {};
}

void ReadUsers(const AccountService& service, ItemListContents& contents)
{
    contents.users = ValueOr(service.LoadUsers(), &contents.read);
    // The list names each user's group and databases: read beside it, a failure there shows as an
    // unknown group rather than as an unreadable list.
    contents.groups = ValueOr(service.LoadGroups(), nullptr);
    contents.databases = ValueOr(service.LoadDatabaseList(), nullptr);
}

void ReadGroups(const AccountService& service, ItemListContents& contents)
{
    contents.groups = ValueOr(service.LoadGroups(), &contents.read);
}

void ReadDatabases(const AccountService& service, ItemListContents& contents)
{
    contents.databases = ValueOr(service.LoadDatabaseList(), &contents.read);
}

} // namespace

ItemListContents ReadItemListContents(ListMode mode, const NativePath& loginPath, const FileEnvironment& environment)
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
    const AccountService service(loginPath, environment);
    switch (mode) {
    case ListMode::Users:
        ReadUsers(service, contents);
        break;
    case ListMode::Groups:
        ReadGroups(service, contents);
        break;
    case ListMode::DatabasePaths:
        ReadDatabases(service, contents);
        break;
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
    return contents;
}

} // namespace custodia
