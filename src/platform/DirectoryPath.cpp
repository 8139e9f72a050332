#include "platform/Platform.h"
#include "platform/SharedFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
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

// A level that exists, or that we may not create because access is denied, counts as present, as
// long as what is there can be a folder.
bool MakeLevel(const std::string& level)
{
    if (::mkdir(level.c_str(), 0777) == 0)
        return true;
    if (errno == EEXIST)
        return IsDirectory(level);
    return errno == EACCES || errno == EPERM;
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

int MakeDirectoryPath(std::string& path)
{
    if (!path.empty() && IsDirectory(path))
        return kMakeDirectoryOk;
    const std::string target = WithoutTrailingSeparators(path);
    if (target.empty() || target.front() != kPathSeparator || LastNameHasExtension(target))
        return kMakeDirectoryRefused;

    for (size_t next = target.find(kPathSeparator, 1);; next = target.find(kPathSeparator, next + 1)) {
        const std::string level = target.substr(0, next);
        if (!MakeLevel(level))
            return kMakeDirectoryFailed;
        if (next == std::string::npos)
            break;
    }
    std::string canonical = CanonicalPath(target);
    if (canonical.empty() || !IsDirectory(canonical))
        return kMakeDirectoryFailed;
    path = WithoutTrailingSeparators(canonical);
    return kMakeDirectoryOk;
}

} // namespace custodia
