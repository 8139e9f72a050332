// Opening record files for reading and for a change, creating them whole, and undoing a change a
// killed program cut short.
#include "store/RecordFile.h"

#include "platform/Failure.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/RecordFileParts.h"
#include "store/RecordJournal.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace custodia {

using namespace recordfile;

namespace recordparts {

namespace {

void WriteHeaderRecord(File& file)
{
    std::vector<unsigned char> bytes = HeaderRecordBytes();
    SealImage(bytes);
    file.WriteAt(0, bytes.data(), bytes.size());
}

// A new record file appears whole, header record and all, or not at all: it is made under a name of its
// own and then linked into place, which fails rather than replace a file another program made first. A
// program killed on the way leaves at most its own stray file behind, never an empty record file.
void CreateWholeRecordFile(const std::string& fileName, const FileEnvironment& environment)
{
    const std::string making = fileName + "-new-" + std::to_string(::getpid());
    int fd = ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
    if (fd < 0 && errno == EEXIST && ::unlink(making.c_str()) == 0) // left by a killed program of this id
        fd = ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
    if (fd < 0)
        return; // the open that follows reports the folder's trouble
    MakePrivate(fd, fileName);
    std::vector<unsigned char> bytes = HeaderRecordBytes();
    SealImage(bytes);
    environment.BeforeWrite();
    const bool written
        = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    ::close(fd);
    // When another program linked its file first, that one stays.
    if (written)
        static_cast<void>(::link(making.c_str(), fileName.c_str()));
    ::unlink(making.c_str());
}

FileReadResult CannotOpen(const SharedFile& file)
{
    if (file.LastCause() == kCauseFileNotFound)
        return { FileReadStatus::Missing, "no such file" };
    return { FileReadStatus::Unopenable, "cannot be opened: " + DescribeOpenError(file.LastOpenError()),
        file.LastCause(), file.LastOpenError() };
}

// Undoes a cut-short change, waiting (as any open does) for a writer that still holds the file.
FileReadResult RecoverForReading(const std::string& fileName, const FileEnvironment& environment)
{
    SharedFile file(environment);
    if (!file.OpenWithRetry(fileName, kOpenExistingChange))
        return CannotOpen(file);
    try {
        RecoverHeld(file);
    } catch (const FileException& error) {
        return { FileReadStatus::Unopenable,
            std::string("an unfinished change cannot be undone: ") + DescribeFileCause(error.cause()) };
    }
    return {};
}

// Opens the file for reading; the result says why not. Writers hold a file exclusively from before
// their journal appears until after it has gone, so a journal seen under a shared hold belongs to a
// writer that died: its change is undone (under an exclusive hold) before the file is read.
FileReadResult OpenForReading(SharedFile& file, const std::string& fileName, const FileEnvironment& environment)
{
    for (int attempt = 0; attempt < SharedFile::kRetryBudget; ++attempt) {
        if (!file.OpenWithRetry(fileName, kOpenRead))
            return CannotOpen(file);
        // A file larger than any record file can be is damaged, and is neither summed nor read.
        if (const uint64_t length = file.GetLength(); length > kMaxFileLength) {
            file.Close();
            return { FileReadStatus::Damaged, DescribeOversized(length) };
        }
        if (!JournalExists(fileName))
            return {};
        file.Close();
        if (FileReadResult recovered = RecoverForReading(fileName, environment); !recovered.WasRead())
            return recovered;
    }
    return { FileReadStatus::Unopenable, "an unfinished change keeps coming back" };
}

FileReadResult Damaged(std::string problem)
{
    return { FileReadStatus::Damaged, std::move(problem) };
}

} // namespace

bool IsOversized(const File& file)
{
    return file.GetLength() > kMaxFileLength;
}

std::string DescribeOversized(uint64_t length)
{
    return std::to_string(length) + " bytes, more than the " + std::to_string(kMaxFileLength >> 20)
        + " MB any record file may hold";
}

bool OpenWithinLimit(SharedFile& file, const std::string& fileName, unsigned flags)
{
    if (!file.OpenWithRetry(fileName, flags))
        return false;
    if (!IsOversized(file))
        return true;
    file.Close();
    return false;
}

void RecoverHeld(File& file)
{
    if (RecoverFromJournal(file).action == JournalRecovery::RolledBack && file.GetLength() == 0) {
        WriteHeaderRecord(file);
        file.Flush();
    }
}

Status HoldToChange(HeldFile& held, const std::string& fileName, const std::string& operation, bool create)
{
    SharedFile& file = held.file;
    if (!file.OpenWithRetry(fileName, kOpenExistingChange)) {
        if (file.LastCause() != kCauseFileNotFound || !create)
            return OpenFailure(operation, fileName, file.LastOpenError());
        CreateWholeRecordFile(fileName, file.Environment());
        if (!file.OpenWithRetry(fileName, kOpenChange))
            return OpenFailure(operation, fileName, file.LastOpenError());
    }
    if (IsOversized(file)) {
        const uint64_t length = file.GetLength();
        file.Close();
        return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeOversized(length));
    }
    RecoverHeld(file);
    if (file.ReadWhole(held.image, kMaxFileLength))
        return {};
    file.Close();
    return Refused(Failure::Refusal::Damaged, operation, fileName, "changed while it was read");
}

FileReadResult ReadImage(
    const std::string& fileName, std::vector<unsigned char>& image, const FileEnvironment& environment)
{
    image.clear();
    SharedFile file(environment);
    if (FileReadResult opened = OpenForReading(file, fileName, environment); !opened.WasRead())
        return opened;
    if (!file.ReadWhole(image, kMaxFileLength)) {
        image.clear();
        return Damaged("changed while it was read");
    }
    return CheckRecordImage(image);
}

} // namespace recordparts

using namespace recordparts;

FileReadResult ReadRecordFileImage(
    const std::string& fileName, std::vector<unsigned char>& image, const FileEnvironment& environment)
{
    return ReadImage(fileName, image, environment);
}

FileReadResult ReadRecordFileAsFound(const std::string& fileName, std::vector<unsigned char>& image,
    JournalPlan& journal, const FileEnvironment& environment)
{
    image.clear();
    journal = {};
    SharedFile file(environment);
    if (!file.OpenWithRetry(fileName, kOpenRead))
        return CannotOpen(file);
    if (const uint64_t length = file.GetLength(); length > kMaxFileLength)
        return Damaged(DescribeOversized(length));
    if (!file.ReadWhole(image, kMaxFileLength)) {
        image.clear();
        return Damaged("changed while it was read");
    }
    // Writers hold the file exclusively while their journal is there: under this shared hold, a journal
    // is one a dead writer left.
    try {
        journal = PlanJournalRecovery(fileName, image);
    } catch (const FileException& error) {
        return { FileReadStatus::Unopenable,
            std::string("its journal cannot be read: ") + DescribeFileCause(error.cause()), error.cause(), {} };
    }
    return CheckRecordImage(image);
}

FileReadResult InspectRecordFile(const std::string& fileName)
{
    std::vector<unsigned char> image;
    return ReadImage(fileName, image, FileEnvironment::System());
}

Status ResealRecordFile(const std::string& fileName, const std::string& operation)
{
    HeldFile held;
    if (Status holding = HoldToChange(held, fileName, operation, false); !holding)
        return holding;
    if (held.image.size() < kFirstRecordOffset)
        return Refused(Failure::Refusal::Damaged, operation, fileName, "shorter than its header record");
    if (const auto broken = FindBrokenHead(held.image.data(), held.image.size()))
        return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeBrokenHead(*broken));
    CommitChange(held, {});
    return {};
}

Status CreateRecordFile(SharedFile& file, const std::string& fileName, const std::string& operation)
{
    if (!file.OpenWithRetry(fileName, kOpenCreate))
        return OpenFailure(operation, fileName, file.LastOpenError());
    WriteHeaderRecord(file);
    SealRecordFile(file);
    return {};
}

namespace {

// The files named whose journal lies in the folder: one listing of the folder, however many files.
std::vector<std::string> FilesWithJournal(const std::string& folder, const std::vector<std::string>& fileNames)
{
    constexpr std::string_view suffix = recordjournal::kSuffix;
    std::vector<std::string> found;
    for (const std::string& name : FolderEntryNames(folder)) {
        if (!name.ends_with(suffix))
            continue;
        const std::string file = name.substr(0, name.size() - suffix.size());
        if (std::find(fileNames.begin(), fileNames.end(), file) != fileNames.end())
            found.push_back(file);
    }
    return found;
}

} // namespace

std::vector<std::string> RecoverAbandonedChanges(
    const std::string& folder, const std::vector<std::string>& fileNames, const FileEnvironment& environment)
{
    std::vector<std::string> recovered;
    for (const std::string& name : FilesWithJournal(folder, fileNames)) {
        SharedFile file(environment);
        if (file.OpenOnce(JoinPath(folder, name), kOpenExistingChange) != kCauseNone)
            continue;
        try {
            RecoverHeld(file);
            recovered.push_back(name);
        } catch (const FileException&) {
            // The next open of the file says what stands in the way.
        }
    }
    return recovered;
}

} // namespace custodia
