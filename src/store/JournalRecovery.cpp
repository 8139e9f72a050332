// The journal's files: writing it, removing it, and what recovery does with one a dead writer left.
#include "store/RecordJournal.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/ChangeSetMarker.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

using namespace recordjournal;

namespace {

// The folder holding the file, so that the journal's creation and removal can be flushed as well.
std::string FolderOf(const std::string& fileName)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

// A folder entry reaches the disk only when the folder is flushed; where a folder cannot be opened for
// that (some network shares), the file's own flush is all there is.
void FlushFolder(const std::string& fileName)
{
    const int fd = ::open(FolderOf(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

[[noreturn]] void Fail(int error, const std::string& name)
{
    throw FileException(CauseFromErrno(error, name), name);
}

void WriteAll(int fd, std::span<const unsigned char> bytes, const std::string& name, const FileEnvironment& environment)
{
    size_t done = 0;
    while (done < bytes.size()) {
        environment.BeforeWrite();
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            Fail(put < 0 ? errno : ENOSPC, name);
        done += static_cast<size_t>(put);
    }
}

// The journal's bytes, or nothing when there is no journal. A journal that is not a plain file of ours
// (a link, a folder, far too long) reads as torn, so it is removed rather than followed.
std::optional<std::vector<unsigned char>> ReadJournal(const std::string& journalName)
{
    const int fd = ::open(journalName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        if (errno == ELOOP)
            return std::vector<unsigned char> {};
        Fail(errno, journalName);
    }
    std::vector<unsigned char> bytes;
    struct stat info { };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= kMaxJournalSize) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return bytes;
}

// "20261211-150312", from the environment's clock, so that kept journals sort by their time.
std::string TimeStamp(const FileEnvironment& environment)
{
    const auto now = environment.LocalTime();
    if (!now)
        return "00000000-000000";
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", now->tm_year + 1900, now->tm_mon + 1, now->tm_mday,
        now->tm_hour, now->tm_min, now->tm_sec);
    return text;
}

// Moves the journal aside under a name of its own, never over another file; returns that name.
std::string KeepJournalAside(const std::string& fileName, const FileEnvironment& environment)
{
    const std::string journalName = JournalNameOf(fileName);
    const std::string stem = fileName + kKeptInfix + TimeStamp(environment);
    constexpr int kNames = 100;
    for (int attempt = 1; attempt <= kNames; ++attempt) {
        const std::string kept = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        environment.BeforeWrite();
        if (::link(journalName.c_str(), kept.c_str()) == 0) {
            RemoveJournal(fileName, environment);
            FlushFolder(fileName);
            return kept;
        }
        if (errno == EEXIST)
            continue;
        // Shares that cannot link still rename; a name taken meanwhile is not replaced knowingly.
        struct stat info { };
        if (::lstat(kept.c_str(), &info) == 0)
            continue;
        if (::rename(journalName.c_str(), kept.c_str()) != 0)
            Fail(errno, journalName);
        FlushFolder(fileName);
        return kept;
    }
    Fail(EEXIST, stem);
}

JournalPlan Plan(JournalRecovery action, std::string detail = {})
{
    return { action, std::move(detail) };
}

struct Decided {
    JournalPlan plan;
    std::optional<RecordJournal> journal;
};

// What to do with the journal's bytes, for the file as it is now.
Decided Decide(
    const std::string& fileName, const std::vector<unsigned char>& bytes, std::span<const unsigned char> image)
{
    // A journal is flushed whole before its file is touched: one that is not whole never had its
    // change begun, and the file is as it was.
    auto journal = RecordJournal::Decode(bytes);
    if (!journal)
        return { Plan(JournalRecovery::Discarded), std::nullopt };
    const std::string& changeSet = journal->ChangeSet();
    if (!changeSet.empty() && !ChangeSetMarkerExists(fileName, changeSet))
        return { Plan(JournalRecovery::Committed), std::move(journal) };
    const JournalCheck check = journal->Check(image);
    switch (check.finding) {
    case JournalFinding::AsBefore:
        return { Plan(JournalRecovery::NothingToUndo), std::move(journal) };
    case JournalFinding::CutShort:
        return { Plan(JournalRecovery::RolledBack), std::move(journal) };
    case JournalFinding::ChangedSince:
        return { Plan(JournalRecovery::KeptAside, "another program changed the file since: " + check.reason),
            std::move(journal) };
    default:
        return { Plan(JournalRecovery::KeptAside, "the journal does not fit the file: " + check.reason),
            std::move(journal) };
    }
}

} // namespace

void WriteNewFile(const std::string& fileName, std::span<const unsigned char> bytes, unsigned mode,
    const FileEnvironment& environment, const std::string& accessOf)
{
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 0600);
    if (fd < 0)
        Fail(errno, fileName);
    try {
        // Created for its owner alone, then given what it is meant to have: the umask only ever takes
        // access away, and nobody else can open it in between.
        if (accessOf.empty()) {
            if (::fchmod(fd, mode) != 0)
                Fail(errno, fileName);
        } else {
            CopyAccess(fd, accessOf, mode);
        }
        WriteAll(fd, bytes, fileName, environment);
        if (::fsync(fd) != 0)
            Fail(errno, fileName);
    } catch (const FileException&) {
        ::close(fd);
        ::unlink(fileName.c_str());
        throw;
    }
    ::close(fd);
}

std::string JournalNameOf(const std::string& fileName)
{
    return fileName + kSuffix;
}

bool JournalExists(const std::string& fileName)
{
    struct stat info { };
    return ::lstat(JournalNameOf(fileName).c_str(), &info) == 0;
}

void RemoveJournal(const std::string& fileName, const FileEnvironment& environment)
{
    const std::string journalName = JournalNameOf(fileName);
    environment.BeforeWrite();
    if (::unlink(journalName.c_str()) != 0 && errno != ENOENT)
        Fail(errno, journalName);
}

void FlushFolderOf(const std::string& fileName)
{
    FlushFolder(fileName);
}

std::optional<std::string> ChangeSetOfJournal(const std::string& journalName)
{
    try {
        const auto bytes = ReadJournal(journalName);
        const auto journal = bytes ? RecordJournal::Decode(*bytes) : std::nullopt;
        return journal ? journal->ChangeSet() : std::string();
    } catch (const FileException&) {
        return std::nullopt;
    }
}

JournalPlan PlanJournalRecovery(const std::string& fileName, std::span<const unsigned char> image)
{
    const auto bytes = ReadJournal(JournalNameOf(fileName));
    if (!bytes)
        return Plan(JournalRecovery::None);
    return Decide(fileName, *bytes, image).plan;
}

JournalPlan RecoverFromJournal(File& file)
{
    const std::string& fileName = file.GetFileName();
    const FileEnvironment& environment = file.Environment();
    const auto bytes = ReadJournal(JournalNameOf(fileName));
    if (!bytes)
        return Plan(JournalRecovery::None);
    std::vector<unsigned char> image;
    if (!file.ReadWhole(image, kMaxJournalledLength))
        image.clear(); // far beyond any record file: no journal of ours fits it
    Decided decided = Decide(fileName, *bytes, image);
    switch (decided.plan.action) {
    case JournalRecovery::RolledBack:
        decided.journal->RollBack(file);
        [[fallthrough]];
    case JournalRecovery::Discarded:
    case JournalRecovery::Committed:
    case JournalRecovery::NothingToUndo:
        RemoveJournal(fileName, environment);
        FlushFolder(fileName);
        break;
    case JournalRecovery::KeptAside:
        decided.plan.detail
            += "; the file was left as it is and its journal kept in " + KeepJournalAside(fileName, environment);
        break;
    default:
        break;
    }
    const std::string changeSet = decided.journal ? decided.journal->ChangeSet() : std::string();
    if (!changeSet.empty() && decided.plan.action != JournalRecovery::Committed)
        ForgetChangeSetUnlessNamed(fileName, changeSet);
    return decided.plan;
}

std::vector<std::string> FolderEntryNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error), end; !error && entry != end;
         entry.increment(error))
        names.push_back(entry->path().filename().string());
    return names;
}

std::vector<std::string> KeptJournalNames(const std::string& fileName)
{
    return KeptJournalNames(fileName, FolderEntryNames(FolderOf(fileName)));
}

std::vector<std::string> KeptJournalNames(const std::string& fileName, const std::vector<std::string>& folderEntries)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    const std::string prefix = (slash == std::string::npos ? fileName : fileName.substr(slash + 1)) + kKeptInfix;
    std::vector<std::string> kept;
    for (const std::string& name : folderEntries) {
        if (name.starts_with(prefix))
            kept.push_back(slash == std::string::npos ? name : fileName.substr(0, slash + 1) + name);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

std::string DescribeJournalPlan(const JournalPlan& plan)
{
    switch (plan.action) {
    case JournalRecovery::RolledBack:
        return "a change cut short by a program that died was undone from its journal";
    case JournalRecovery::Discarded:
        return "the torn journal of a change that had not begun was removed";
    case JournalRecovery::Committed:
        return "the journal of a finished change of several files was removed";
    case JournalRecovery::NothingToUndo:
        return "the journal of a change cut short, of which the file holds nothing, was removed";
    case JournalRecovery::KeptAside:
        return "a change cut short by a program that died was not undone, as " + plan.detail;
    default:
        return {};
    }
}

} // namespace custodia
