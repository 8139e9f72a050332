#include "platform/FolderIdentity.h"

#include "platform/Platform.h"

#include <sys/stat.h>

namespace custodia {

namespace {

// An empty login path is the current folder, which stat knows as ".".
const char* StatName(const std::string& path)
{
    return path.empty() ? "." : path.c_str();
}

} // namespace

std::string NormalisePath(const std::string& path)
{
    const bool absolute = !path.empty() && path.front() == kPathSeparator;
    std::string normalised = absolute ? std::string(1, kPathSeparator) : std::string();
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(kPathSeparator, start);
        if (end == std::string::npos)
            end = path.size();
        const std::string level = path.substr(start, end - start);
        if (!level.empty() && level != ".") {
            if (!normalised.empty() && normalised.back() != kPathSeparator)
                normalised += kPathSeparator;
            normalised += level;
        }
        start = end + 1;
    }
    // "." and "./" are the current folder, as "" is; kept apart from the empty text, which the store
    // reads as "no folder given".
    if (normalised.empty() && !path.empty())
        normalised = ".";
    return normalised;
}

FolderIdentity::FolderIdentity(const std::string& path)
    : m_normalised(NormalisePath(path))
{
    struct stat info { };
    if (::stat(StatName(path), &info) == 0)
        m_node = Node { static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino) };
}

bool FolderIdentity::IsSameFolderAs(const FolderIdentity& other) const
{
    if (m_node && other.m_node)
        return *m_node == *other.m_node;
    return m_normalised == other.m_normalised;
}

bool IsSameFolder(const std::string& a, const std::string& b)
{
    return FolderIdentity(a).IsSameFolderAs(FolderIdentity(b));
}

} // namespace custodia
