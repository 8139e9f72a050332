#include "store/ChangeSetMarker.h"

#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/RecordJournal.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

using namespace changeset;

namespace {

constexpr const char kHexDigits[] = "0123456789abcdef";
// Markers and journals are small and few; a name clash of random ids is retried this often.
constexpr int kCreateAttempts = 8;

std::string BareNameOf(const std::string& fileName)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

// The name of something beside the file, spelled the way the file is.
std::string BesideFile(const std::string& fileName, const std::string& name)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    return slash == std::string::npos ? name : fileName.substr(0, slash + 1) + name;
}

std::filesystem::path FolderOf(const std::string& fileName)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

std::string NewMarkerName(const std::string& firstFileName)
{
    static std::random_device entropy;
    uint64_t id = (static_cast<uint64_t>(entropy()) << 32) ^ entropy();
    std::string name = BareNameOf(firstFileName) + kInfix;
    for (size_t digit = 0; digit < kIdDigits; ++digit, id >>= 4)
        name += kHexDigits[id & 0xF];
    return name;
}

bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Whether a journal in the folder names the marker. A journal that cannot be read, or a folder that
// cannot be listed, might: the marker then stays.
bool AnyJournalNames(const std::string& fileName, const std::string& marker)
{
    std::error_code error;
    std::filesystem::directory_iterator entry(FolderOf(fileName), error);
    if (error)
        return true;
    for (; entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!EndsWith(name, recordjournal::kSuffix))
            continue;
        const auto named = ChangeSetOfJournal(BesideFile(fileName, name));
        if (!named || *named == marker)
            return true;
    }
    return static_cast<bool>(error);
}

// Markers of earlier changes that began with this file. The caller holds the file, so whoever made
// them is gone: a marker no journal names is left over from a change killed before its journals
// were written, or from one whose undoing could not remove it.
void RemoveLeftoverMarkers(const std::string& firstFileName)
{
    const std::string prefix = BareNameOf(firstFileName) + kInfix;
    std::vector<std::string> leftovers;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(FolderOf(firstFileName), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() == prefix.size() + kIdDigits && name.starts_with(prefix) && IsChangeSetMarkerName(name))
            leftovers.push_back(name);
    }
    for (const std::string& marker : leftovers)
        ForgetChangeSetUnlessNamed(firstFileName, marker);
}

} // namespace

bool IsChangeSetMarkerName(std::string_view name)
{
    const size_t infix = name.rfind(kInfix);
    if (infix == std::string_view::npos || infix == 0 || name.size() != infix + sizeof kInfix - 1 + kIdDigits
        || name.size() > kMaxNameLength)
        return false;
    const std::string_view id = name.substr(name.size() - kIdDigits);
    return name.find(kPathSeparator) == std::string_view::npos && name.find('\0') == std::string_view::npos
        && name.front() != '.' && std::all_of(id.begin(), id.end(), [](char c) {
               return std::string_view(kHexDigits).find(c) != std::string_view::npos;
           });
}

std::string CreateChangeSetMarker(const std::string& firstFileName, const FileEnvironment& environment)
{
    RemoveLeftoverMarkers(firstFileName);
    for (int attempt = 1;; ++attempt) {
        const std::string marker = NewMarkerName(firstFileName);
        try {
            environment.BeforeWrite();
            WriteNewFile(BesideFile(firstFileName, marker), {}, kPrivateFileMode, environment, firstFileName);
        } catch (const FileException& error) {
            if (error.cause() == kCauseGeneric && attempt < kCreateAttempts
                && ChangeSetMarkerExists(firstFileName, marker))
                continue;
            throw;
        }
        FlushFolderOf(firstFileName);
        return marker;
    }
}

bool ChangeSetNamedByJournal(const std::string& fileName, const std::string& marker)
{
    return AnyJournalNames(fileName, marker);
}

bool ChangeSetMarkerExists(const std::string& fileName, const std::string& marker)
{
    struct stat info { };
    return ::lstat(BesideFile(fileName, marker).c_str(), &info) == 0 || errno != ENOENT;
}

void CommitChangeSet(const std::string& fileName, const std::string& marker, const FileEnvironment& environment)
{
    const std::string markerName = BesideFile(fileName, marker);
    environment.BeforeWrite();
    if (::unlink(markerName.c_str()) != 0 && errno != ENOENT)
        throw FileException(CauseFromErrno(errno, markerName), markerName);
    FlushFolderOf(fileName);
}

void ForgetChangeSetUnlessNamed(const std::string& fileName, const std::string& marker)
{
    if (AnyJournalNames(fileName, marker))
        return;
    if (::unlink(BesideFile(fileName, marker).c_str()) == 0)
        FlushFolderOf(fileName);
}

} // namespace custodia
