#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace custodia {

namespace {

bool IsDirectory(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == kPathSeparator)
        path.pop_back();
    return path;
}

bool LastNameHasExtension(const std::string& path)
{
    const auto slash = path.find_last_of(kPathSeparator);
    const std::string lastName = slash == std::string::npos ? path : path.substr(slash + 1);
    return lastName.find('.') != std::string::npos && lastName != "." && lastName != "..";
}

constexpr const char* kMakeOperation = "the folder could not be made";

Failure LevelFailure(const std::string& level, int error)
{
    return OpenFailure(kMakeOperation, level, OpenError { CauseFromErrno(error, level), error, {}, {}, false });
}

// 0 when the level is there as a folder now, or else the errno that keeps it from being one.
int MakeLevel(const std::string& level)
{
    if (::mkdir(level.c_str(), 0777) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST)
        return IsDirectory(level) ? 0 : ENOTDIR;
    return error;
}

// A level that we may not create because access is denied may still be there: a folder above one we
// may enter is often closed to us (an automounter's, a share's root). The canonical path taken at the
// end tells whether the whole path is there.
bool MayBeThere(int error)
{
    return error == EACCES || error == EPERM;
}

std::string CanonicalPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

} // namespace

bool FileExists(const std::string& name)
{
    struct stat info { };
    return !name.empty() && ::stat(name.c_str(), &info) == 0;
}

Result<std::string> MakeDirectoryPath(const std::string& path)
{
    if (!path.empty() && IsDirectory(path))
        return path;
    const std::string target = WithoutTrailingSeparators(path);
    if (target.empty() || target.front() != kPathSeparator)
        return Refused(Failure::Refusal::BadValue, kMakeOperation, path, "not an absolute path");
    if (LastNameHasExtension(target))
        return Refused(Failure::Refusal::BadValue, kMakeOperation, path,
            "cannot be a login path (its last name has an extension)");

    // The deepest level that refused us, for when the path turns out not to be there after all.
    std::optional<Failure> refused;
    for (size_t next = target.find(kPathSeparator, 1);; next = target.find(kPathSeparator, next + 1)) {
        const std::string level = target.substr(0, next);
        if (const int error = MakeLevel(level); MayBeThere(error))
            refused = LevelFailure(level, error);
        else if (error != 0)
            return LevelFailure(level, error);
        if (next == std::string::npos)
            break;
    }
    std::string canonical = CanonicalPath(target);
    if (canonical.empty() || !IsDirectory(canonical))
        return refused ? *refused : LevelFailure(target, canonical.empty() ? errno : ENOTDIR);
    return WithoutTrailingSeparators(canonical);
}

} // namespace custodia
