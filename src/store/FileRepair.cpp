#include "store/FileRepair.h"

#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/AuditTrailLines.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordImage.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace custodia {

namespace {

constexpr unsigned kHoldExclusive = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;
constexpr unsigned kReadShared = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;

// A refusal; `done` tells what was done before it was refused (a journal played back), if anything.
RepairReport Refuse(const std::string& why, const std::string& done = {})
{
    return { RepairOutcome::Refused,
        done + why + (done.empty() ? "; nothing was changed" : "; nothing else was changed"), {}, {} };
}

// Opens the file held exclusively, so that no program of ours changes it while it is looked at and
// mended; a report when it cannot be.
std::optional<RepairReport> HoldForRepair(SharedFile& file, const std::string& fileName)
{
    if (file.OpenWithRetry(fileName, kHoldExclusive))
        return std::nullopt;
    if (file.LastCause() == kCauseFileNotFound)
        return RepairReport { RepairOutcome::Missing, "no such file", {}, {} };
    return Refuse("cannot be opened: " + DescribeOpenError(file.LastOpenError()));
}

std::vector<unsigned char> ReadWhole(File& file, uint64_t limit)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(std::min(file.GetLength(), limit + 1)));
    file.SeekToBegin();
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

// Whether the file holds exactly these bytes.
bool HoldsBytes(const std::string& fileName, std::span<const unsigned char> bytes)
{
    File file;
    if (file.OpenOnce(fileName, kReadShared) != kCauseNone)
        return false;
    return ReadWhole(file, bytes.size()) == std::vector<unsigned char>(bytes.begin(), bytes.end());
}

// Keeps the bytes as the copy of the file; why not, when the copy stands in the way.
std::string KeepCopy(const std::string& fileName, std::span<const unsigned char> bytes)
{
    const std::string backup = BackupNameOf(fileName);
    struct stat info { };
    if (::lstat(backup.c_str(), &info) == 0) {
        if (S_ISREG(info.st_mode) && HoldsBytes(backup, bytes))
            return {};
        return backup + " is there already and differs from the file; move it away and repair again";
    }
    // Made whole under a name of its own, then linked into place, which fails rather than replace a
    // copy made meanwhile: a repair killed on the way leaves no half copy by the copy's name.
    const std::string making = backup + "-new-" + std::to_string(::getpid());
    ::unlink(making.c_str()); // left by a killed program of this id
    // The copy holds what the file holds: it gets the file's permissions, owner and group.
    WriteNewFile(making, bytes, kPrivateFileMode, FileEnvironment::System(), fileName);
    const bool linked = ::link(making.c_str(), backup.c_str()) == 0;
    const int error = errno;
    ::unlink(making.c_str());
    if (!linked)
        throw FileException(CauseFromErrno(error, backup), backup);
    FlushFolderOf(backup);
    return {};
}

// The header record as every program of the suite writes it: anything else may be some other file.
bool HasSuiteHeader(const std::vector<unsigned char>& image)
{
    using namespace recordfile;
    const RecordHeader head = RecordHeader::Decode(image.data() + kHeaderRecordOffset);
    return head.kind == kHeaderKind && head.subKind == 0 && head.length == kHeaderRecordLength
        && std::memcmp(image.data() + kHeaderTextOffset, kHeaderText, kHeaderTextLength) == 0;
}

// The records behind the header record of a file whose chain is whole: "3 records (1 deleted)".
std::string CountRecords(const std::vector<unsigned char>& image)
{
    using namespace recordfile;
    size_t records = 0, deleted = 0;
    for (size_t offset = kFirstRecordOffset; offset < image.size();) {
        const RecordHeader head = RecordHeader::Decode(image.data() + offset);
        ++records;
        deleted += head.kind == kDeletedKind ? 1 : 0;
        offset += head.length;
    }
    std::string text = std::to_string(records) + (records == 1 ? " record" : " records");
    return deleted == 0 ? text : text + " (" + std::to_string(deleted) + " deleted)";
}

// What is wrong with the seal of a file whose records are whole.
std::string DescribeSealFaults(const std::vector<unsigned char>& image)
{
    using namespace recordfile;
    std::string faults;
    if (ReadUint32LE(image.data() + kChecksumOffset) != RecordChecksum(image.data(), image.size()))
        faults = "checksum wrong";
    if (const uint32_t stored = ReadUint32LE(image.data() + kStoredLengthOffset); stored != image.size())
        faults += (faults.empty() ? "" : "; ") + std::string("stored length ") + std::to_string(stored) + ", file "
            + std::to_string(image.size()) + " bytes";
    return faults;
}

// Why the file is beyond what a new seal mends, or nothing when a seal is all it lacks.
std::optional<std::string> UnrepairableBecause(const std::vector<unsigned char>& image)
{
    using namespace recordfile;
    if (image.size() < kFirstRecordOffset)
        return std::to_string(image.size()) + " bytes, too short for a record file";
    if (image[kHeaderRecordOffset] != kHeaderKind)
        return std::string("no header record: not a record file, or damaged beyond repair");
    if (!HasSuiteHeader(image))
        return std::string("the header record is not the suite's: not repairable by this command");
    if (const auto broken = FindBrokenHead(image.data(), image.size()))
        return DescribeBrokenHead(*broken) + ": which bytes behind it belong to which record cannot be told, "
            + "so it is not repairable by this command";
    return std::nullopt;
}

// What the recovery did, to go before what the repair found: "...; ".
std::string DescribeRecovery(const JournalPlan& plan)
{
    const std::string text = DescribeJournalPlan(plan);
    return text.empty() ? text : text + "; ";
}

// Journals kept aside beside the file: the file was left as another program changed it, and only a
// person can tell what of the change cut short should still be undone.
std::string DescribeKeptJournals(const std::vector<std::string>& kept)
{
    std::string names;
    for (const std::string& name : kept)
        names += (names.empty() ? "" : ", ") + name;
    return "; the journal of a change cut short, not undone because the file was changed since, is kept in " + names
        + ": compare it with the file, then remove it";
}

} // namespace

std::string BackupNameOf(const std::string& fileName)
{
    return fileName + ".bak";
}

namespace {

RepairReport RepairRecordFileAsFound(const std::string& fileName)
{
    SharedFile file;
    if (auto report = HoldForRepair(file, fileName))
        return *report;
    if (const uint64_t length = file.GetLength(); length > recordfile::kMaxFileLength)
        return Refuse(std::to_string(length) + " bytes, more than the "
            + std::to_string(recordfile::kMaxFileLength >> 20) + " MB any record file may hold");
    // A journal means one of our programs died in a change: undoing it is what any reader does first.
    const std::string recovered = DescribeRecovery(RecoverFromJournal(file));
    const std::vector<unsigned char> image = ReadWhole(file, recordfile::kMaxFileLength);
    if (const auto why = UnrepairableBecause(image))
        return Refuse(*why, recovered);
    const std::string records = CountRecords(image);
    if (VerifyRecordImage(image.data(), image.size()) == recordfile::kVerifyOk)
        return { RepairOutcome::Sound, recovered + "sound, " + records + "; nothing to do", {}, {} };

    const std::string faults = DescribeSealFaults(image);
    if (const std::string inTheWay = KeepCopy(fileName, image); !inTheWay.empty())
        return Refuse(faults + "; " + inTheWay, recovered);
    // The seal takes its own hold: between the two, another program may have changed the file, and the
    // seal checks the chain again.
    file.Close();
    if (!ResealRecordFile(fileName).HasValue())
        return Refuse(faults + "; the file changed or could not be held again before it was sealed", recovered);
    return { RepairOutcome::Repaired,
        recovered + faults + ", record chain whole (" + records + "); copy kept in " + BackupNameOf(fileName)
            + "; sealed again",
        BackupNameOf(fileName), {} };
}

} // namespace

RepairReport RepairRecordFile(const std::string& fileName)
{
    RepairReport report = RepairRecordFileAsFound(fileName);
    if (const std::vector<std::string> kept = KeptJournalNames(fileName); !kept.empty()) {
        report.detail += DescribeKeptJournals(kept);
        report.keptJournals = kept;
    }
    return report;
}

RepairReport RepairPasswordFile(const std::string& loginPath)
{
    using namespace passwordfile;
    const std::string fileName = PasswordFilePath(loginPath);
    SharedFile file;
    if (auto report = HoldForRepair(file, fileName))
        return *report;
    if (file.GetLength() > kMaxFileLength)
        return Refuse(DescribeOversizedPasswordFile(file.GetLength()));
    const std::vector<unsigned char> image = ReadWhole(file, kMaxFileLength);
    const PasswordImage scan(image);
    if (image.empty())
        return Refuse("empty, so no user is in it: the first user added gives it its header");
    if (!scan.Header())
        return Refuse(DescribeShortPasswordHeader(scan.HeaderLength()) + ": not repairable by this command");
    if (!scan.IsPasswordFile())
        return Refuse(DescribeWrongPasswordTitle() + ": not repairable by this command");
    if (const uint64_t torn = scan.Length() - kHeaderSize - scan.WholeRecords() * kRecordSize; torn != 0)
        return Refuse(std::to_string(torn) + " bytes after the last whole record: not repairable by this command");
    const uint32_t stored = scan.Header()->recordCount;
    const uint32_t inUse = scan.RecordsInUse();
    const std::string counts
        = "record count " + std::to_string(stored) + ", " + std::to_string(inUse) + " records in use";
    if (stored == inUse)
        return { RepairOutcome::Sound, counts + "; nothing to do", {}, {} };
    if (inUse == 0)
        return Refuse(counts
            + ": a count of 0 would let the console start without a log-on from a folder holding "
              "this file; add a user instead");

    if (const std::string inTheWay = KeepCopy(fileName, image); !inTheWay.empty())
        return Refuse(counts + "; " + inTheWay);
    unsigned char count[4];
    WriteUint32LE(count, inUse);
    file.Seek(kRecordCountOffset, File::SeekFrom::Begin);
    file.Write(count, sizeof count);
    file.Flush();
    return { RepairOutcome::Repaired,
        counts + "; copy kept in " + BackupNameOf(fileName) + "; count set to " + std::to_string(inUse),
        BackupNameOf(fileName), {} };
}

RepairReport RepairFileWithTrail(const std::string& folder, const std::string& name, const TrailOptions& trail)
{
    const std::string fileName = name == passwordfile::kFileName ? PasswordFilePath(folder) : JoinPath(folder, name);
    // A file that is not there needs no trail to be told so.
    if (!FileExists(fileName))
        return { RepairOutcome::Missing, "no such file", {}, {} };
    RepairReport report;
    const Status logged = ChangeWithTrail(
        NativePath(folder), trail, FileEnvironment::System(), [&](std::vector<TrailEntry>& lines) -> Status {
            report = name == passwordfile::kFileName ? RepairPasswordFile(folder) : RepairRecordFile(fileName);
            if (report.outcome == RepairOutcome::Repaired)
                lines.push_back(FileRepairedLine(name, report.detail, report.backupName));
            return {};
        });
    if (!logged)
        return { RepairOutcome::Refused,
            "not repaired, as its audit-trail line could not be written: " + DescribeFailure(logged.Error()), {}, {} };
    return report;
}

} // namespace custodia
