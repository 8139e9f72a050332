#include "platform/MountTable.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace custodia {

namespace {

constexpr const char kMountInfoFile[] = "/proc/self/mountinfo";
// Fields before the optional ones: id, parent id, major:minor, root, mount point, mount options.
constexpr size_t kFixedFieldCount = 6;
constexpr size_t kRootField = 3;
constexpr size_t kMountPointField = 4;
constexpr size_t kMountOptionsField = 5;
// After the separator: type, source, super options.
constexpr size_t kFieldsAfterSeparator = 3;

bool IsOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

// The kernel writes a space, tab, line feed and backslash in a name as a backslash and three octal
// digits.
std::string Unescape(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) && IsOctalDigit(field[i + 2])
            && IsOctalDigit(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value <= UCHAR_MAX) {
                text.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        text.push_back(field[i]);
    }
    return text;
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(separator, start);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > start)
            parts.push_back(text.substr(start, stop - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::vector<std::string> Options(std::string_view field)
{
    std::vector<std::string> options;
    for (const std::string_view option : SplitOn(field, ','))
        options.push_back(Unescape(option));
    return options;
}

std::optional<MountEntry> ParseLine(std::string_view line)
{
    const std::vector<std::string_view> fields = SplitOn(line, ' ');
    size_t separator = kFixedFieldCount;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    // The type and the source must follow the separator; the super options may be missing.
    if (separator + kFieldsAfterSeparator - 1 >= fields.size())
        return std::nullopt;
    MountEntry entry;
    entry.root = Unescape(fields[kRootField]);
    entry.mountPoint = Unescape(fields[kMountPointField]);
    entry.mountOptions = Options(fields[kMountOptionsField]);
    entry.fileSystemType = Unescape(fields[separator + 1]);
    entry.source = Unescape(fields[separator + 2]);
    if (separator + 3 < fields.size())
        entry.superOptions = Options(fields[separator + 3]);
    return entry;
}

bool Holds(const std::string& mountPoint, const std::string& path)
{
    if (mountPoint == "/")
        return !path.empty() && path.front() == '/';
    return path.compare(0, mountPoint.size(), mountPoint) == 0
        && (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

std::optional<std::string> ValueIn(const std::vector<std::string>& options, std::string_view name)
{
    for (const std::string& option : options) {
        if (option.size() > name.size() && option.compare(0, name.size(), name) == 0 && option[name.size()] == '=')
            return option.substr(name.size() + 1);
    }
    return std::nullopt;
}

bool NamedIn(const std::vector<std::string>& options, std::string_view name)
{
    for (const std::string& option : options) {
        if (option == name
            || (option.size() > name.size() && option.compare(0, name.size(), name) == 0 && option[name.size()] == '='))
            return true;
    }
    return false;
}

} // namespace

bool MountEntry::HasOption(std::string_view name) const
{
    return NamedIn(mountOptions, name) || NamedIn(superOptions, name);
}

std::optional<std::string> MountEntry::OptionValue(std::string_view name) const
{
    if (auto value = ValueIn(mountOptions, name))
        return value;
    return ValueIn(superOptions, name);
}

bool MountEntry::IsReadOnly() const
{
    for (const std::string& option : mountOptions) {
        if (option == "ro")
            return true;
    }
    return false;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> entries;
    for (const std::string_view line : SplitOn(text, '\n')) {
        if (auto entry = ParseLine(line))
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::optional<MountEntry> MountOfPath(const std::vector<MountEntry>& mounts, const std::string& canonicalPath)
{
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
        if (Holds(mount.mountPoint, canonicalPath)
            && (best == nullptr || mount.mountPoint.size() >= best->mountPoint.size()))
            best = &mount;
    }
    if (best == nullptr)
        return std::nullopt;
    return *best;
}

std::optional<MountEntry> FindMountOf(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return std::nullopt;
    std::ifstream file(kMountInfoFile);
    if (!file)
        return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return MountOfPath(ParseMountInfo(text), resolved);
}

} // namespace custodia
