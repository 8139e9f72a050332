#include "store/Leftovers.h"

#include "platform/File.h"
#include "platform/FileEnvironment.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/ChangeSetMarker.h"
#include "store/RecordJournal.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

namespace {

constexpr std::string_view kNewInfix = "-new-";
constexpr std::string_view kBackupSuffix = ".bak";
// A process id has at most this many digits on any system we run on.
constexpr size_t kMaxProcessIdDigits = 10;
// The start of the process names of the console and of custodiactl.
constexpr std::string_view kOurProcessName = "custodia";

bool IsProcessId(std::string_view text)
{
    return !text.empty() && text.size() <= kMaxProcessIdDigits
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsOneOf(std::string_view name, const std::vector<std::string>& fileNames)
{
    return std::find(fileNames.begin(), fileNames.end(), name) != fileNames.end();
}

// For "<file>-new-<id>" or "<file>.bak-new-<id>" of a known file: the name being made and the maker's id.
std::optional<std::pair<std::string, std::string>> NewFileParts(
    std::string_view name, const std::vector<std::string>& fileNames)
{
    const size_t infix = name.rfind(kNewInfix);
    if (infix == std::string_view::npos || !IsProcessId(name.substr(infix + kNewInfix.size())))
        return std::nullopt;
    const std::string_view made = name.substr(0, infix);
    std::string_view file = made;
    if (file.ends_with(kBackupSuffix))
        file.remove_suffix(kBackupSuffix.size());
    if (!IsOneOf(file, fileNames))
        return std::nullopt;
    return std::pair(std::string(made), std::string(name.substr(infix + kNewInfix.size())));
}

// For a change-set marker of a known file: that file, which the change began with and held.
std::optional<std::string> MarkerFile(std::string_view name, const std::vector<std::string>& fileNames)
{
    if (!IsChangeSetMarkerName(name))
        return std::nullopt;
    const std::string_view file = name.substr(0, name.rfind(changeset::kInfix));
    return IsOneOf(file, fileNames) ? std::optional<std::string>(file) : std::nullopt;
}

// Whether a program of ours runs under the id on this machine; then the file may still be its own.
bool OursRunning(const std::string& processId)
{
    std::ifstream comm("/proc/" + processId + "/comm");
    std::string processName;
    return std::getline(comm, processName) && processName.starts_with(kOurProcessName);
}

// A plain file (never a link, which is nobody's leftover) last changed long enough ago.
bool OldPlainFile(const std::string& path, std::time_t now)
{
    struct stat info { };
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime >= kLeftoverAgeSeconds;
}

std::optional<Leftover> LeftoverNamed(
    const std::string& folder, const std::string& name, const std::vector<std::string>& fileNames, std::time_t now)
{
    const std::string path = JoinPath(folder, name);
    if (const auto parts = NewFileParts(name, fileNames)) {
        if (!OldPlainFile(path, now) || OursRunning(parts->second))
            return std::nullopt;
        return Leftover { name, "the start of a new \"" + parts->first + "\" left by a program that stopped" };
    }
    if (const auto file = MarkerFile(name, fileNames)) {
        if (!OldPlainFile(path, now) || ChangeSetNamedByJournal(JoinPath(folder, *file), name))
            return std::nullopt;
        return Leftover { name,
            "the marker of a change of \"" + *file + "\" that never began, left by a program that stopped" };
    }
    return std::nullopt;
}

void RemoveFile(const std::string& folder, const std::string& name)
{
    const std::string path = JoinPath(folder, name);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw FileException(CauseFromErrno(errno, path), path);
    FlushFolderOf(path);
}

// A marker goes only while its change's first file is held: a change that starts now holds that file
// from before its marker is made until after its journals are gone.
std::string RemoveMarker(const std::string& folder, const std::string& marker, const std::string& file)
{
    const std::string fileName = JoinPath(folder, file);
    SharedFile held(FileEnvironment::System());
    const int cause = held.OpenOnce(fileName, openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary);
    if (cause != kCauseNone && cause != kCauseFileNotFound)
        return "\"" + file + "\" is in use or cannot be held: " + DescribeFileCause(cause);
    if (ChangeSetNamedByJournal(fileName, marker))
        return "a journal names it now";
    RemoveFile(folder, marker);
    return {};
}

} // namespace

std::vector<Leftover> FindLeftovers(
    const std::string& folder, const std::vector<std::string>& fileNames, std::time_t now)
{
    return FindLeftovers(folder, fileNames, now, FolderEntryNames(folder));
}

std::vector<Leftover> FindLeftovers(const std::string& folder, const std::vector<std::string>& fileNames,
    std::time_t now, const std::vector<std::string>& folderEntries)
{
    std::vector<Leftover> found;
    for (const std::string& name : folderEntries) {
        if (auto leftover = LeftoverNamed(folder, name, fileNames, now))
            found.push_back(std::move(*leftover));
    }
    std::sort(found.begin(), found.end(), [](const Leftover& a, const Leftover& b) { return a.name < b.name; });
    return found;
}

std::string RemoveLeftover(const std::string& folder, const Leftover& leftover)
{
    try {
        if (IsChangeSetMarkerName(leftover.name))
            return RemoveMarker(folder, leftover.name, leftover.name.substr(0, leftover.name.rfind(changeset::kInfix)));
        RemoveFile(folder, leftover.name);
        return {};
    } catch (const FileException& failure) {
        return DescribeFileCause(failure.cause());
    }
}

} // namespace custodia
