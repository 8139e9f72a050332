#include "store/RecordFile.h"

#include "platform/Endian.h"
#include "platform/Failure.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/ChangeSetMarker.h"
#include "store/RecordImage.h"
#include "store/RecordJournal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

namespace custodia {

using namespace recordfile;

namespace {

constexpr unsigned kOpenRead = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
// Changes take the file exclusively for their whole length, so writers of one file take turns and a
// reader never sees a change half made; readers share the file with each other.
constexpr unsigned kOpenChange = openflags::kCreate | openflags::kNoTruncate | openflags::kReadWrite
    | openflags::kShareExclusive | openflags::kBinary;
constexpr unsigned kOpenExistingChange = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;
constexpr unsigned kOpenCreate
    = openflags::kCreate | openflags::kReadWrite | openflags::kShareDenyNone | openflags::kBinary;

constexpr size_t kChecksumChunk = 64 * 1024;

bool IsOversized(const File& file)
{
    return file.GetLength() > kMaxFileLength;
}

// Opens the file unless it is larger than any record file can sensibly be: such a file is treated as
// damaged, so that a huge or sparse file is never summed or read whole.
bool OpenWithinLimit(SharedFile& file, const std::string& fileName, unsigned flags)
{
    if (!file.OpenWithRetry(fileName, flags))
        return false;
    if (!IsOversized(file))
        return true;
    file.Close();
    return false;
}

// A head that says the record is no longer than itself, or that runs past the end of the file, ends
// every scan as if the file ended there: nothing beyond it can be trusted.
bool IsUsableHead(const RecordHeader& head, uint64_t offset, uint64_t fileLength)
{
    return head.length > kHeadSize && offset + head.length <= fileLength;
}

// The bytes of a word added in pairs into four 16-bit lanes.
uint64_t PairSums(const unsigned char* bytes)
{
    constexpr uint64_t kEveryOtherByte = 0x00FF00FF00FF00FFull;
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return (word & kEveryOtherByte) + ((word >> 8) & kEveryOtherByte);
}

uint32_t FoldLanes(uint64_t lanes)
{
    return static_cast<uint32_t>(
        (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
}

uint32_t AddBytes(uint32_t sum, const unsigned char* bytes, size_t count)
{
    // Thirty-two bytes a step, as pair sums in 16-bit lanes (two sets, so the additions overlap); a
    // lane takes 32 steps (at most 32 * 1020) before it is folded into the total. The order of the
    // additions does not matter to a sum that wraps at 32 bits.
    constexpr size_t kStep = 32;
    constexpr size_t kStepsPerFold = 32;
    size_t i = 0;
    while (count - i >= kStep) {
        uint64_t first = 0;
        uint64_t second = 0;
        for (size_t step = 0; step < kStepsPerFold && count - i >= kStep; ++step, i += kStep) {
            first += PairSums(bytes + i) + PairSums(bytes + i + 8);
            second += PairSums(bytes + i + 16) + PairSums(bytes + i + 24);
        }
        sum += FoldLanes(first) + FoldLanes(second);
    }
    for (; i < count; ++i)
        sum += bytes[i];
    return sum;
}

struct FileSum {
    uint32_t sum = 0;
    uint64_t length = 0;
};

FileSum SumFile(File& file)
{
    FileSum result;
    result.length = file.GetLength();
    if (result.length <= kHeaderRecordOffset)
        return result;
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    std::vector<unsigned char> chunk(kChecksumChunk);
    uint64_t remaining = result.length - kHeaderRecordOffset;
    uint32_t sum = 0;
    while (remaining > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, chunk.size()));
        const size_t got = file.Read(chunk.data(), want);
        if (got < want)
            return FileSum { 0, result.length }; // the file changed under us: no sum
        sum = AddBytes(sum, chunk.data(), got);
        remaining -= got;
    }
    result.sum = sum;
    return result;
}

bool ReadAt(File& file, uint64_t offset, unsigned char* bytes, size_t count)
{
    file.Seek(static_cast<int64_t>(offset), File::SeekFrom::Begin);
    return file.Read(bytes, count) == count;
}

void WriteAt(File& file, uint64_t offset, const unsigned char* bytes, size_t count)
{
    file.WriteAt(offset, bytes, count);
}

// The header record of a new file, its length a placeholder until it is sealed.
std::vector<unsigned char> HeaderRecordBytes()
{
    std::vector<unsigned char> bytes(kFirstRecordOffset, 0);
    RecordHeader { kHeaderKind, 0, kHeaderRecordLength }.Encode(bytes.data() + kHeaderRecordOffset);
    WriteUint32LE(bytes.data() + kStoredLengthOffset, kHeaderRecordLength);
    std::memcpy(bytes.data() + kHeaderTextOffset, kHeaderText, kHeaderTextLength);
    return bytes;
}

void WriteHeaderRecord(File& file)
{
    const std::vector<unsigned char> bytes = HeaderRecordBytes();
    WriteAt(file, 0, bytes.data(), bytes.size());
}

// A change cut short by a killed program is undone before anyone uses the file. The caller holds the
// file exclusively. A file that had no bytes before the undone change gets its header record, so that
// it reads as holding nothing, as it did.
void RecoverHeld(File& file)
{
    if (RecoverFromJournal(file) == JournalRecovery::RolledBack && file.GetLength() == 0) {
        WriteHeaderRecord(file);
        SealRecordFile(file);
        file.Flush();
    }
}

// A new record file appears whole, header record and all, or not at all: it is made under a name of its
// own and then linked into place, which fails rather than replace a file another program made first. A
// program killed on the way leaves at most its own stray file behind, never an empty record file.
void CreateWholeRecordFile(const std::string& fileName)
{
    const std::string making = fileName + "-new-" + std::to_string(::getpid());
    int fd = ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kCreatedFileMode);
    if (fd < 0 && errno == EEXIST && ::unlink(making.c_str()) == 0) // left by a killed program of this id
        fd = ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kCreatedFileMode);
    if (fd < 0)
        return; // the open that follows reports the folder's trouble
    unsigned char bytes[kFirstRecordOffset] = {};
    RecordHeader { kHeaderKind, 0, kHeaderRecordLength }.Encode(bytes + kHeaderRecordOffset);
    WriteUint32LE(bytes + kStoredLengthOffset, static_cast<uint32_t>(kFirstRecordOffset));
    std::memcpy(bytes + kHeaderTextOffset, kHeaderText, kHeaderTextLength);
    WriteUint32LE(bytes + kChecksumOffset, RecordChecksum(bytes, sizeof bytes));
    BeforeFileWrite();
    const bool written = ::write(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes) && ::fsync(fd) == 0;
    ::close(fd);
    // When another program linked its file first, that one stays.
    if (written)
        static_cast<void>(::link(making.c_str(), fileName.c_str()));
    ::unlink(making.c_str());
}

std::string DescribeOversized(uint64_t length)
{
    return std::to_string(length) + " bytes, more than the " + std::to_string(kMaxFileLength >> 20)
        + " MB any record file may hold";
}

const char* DescribeVerifyResult(int result, size_t length)
{
    if (length <= kHeaderRecordOffset)
        return "too short";
    switch (result) {
    case kVerifyLengthWrong:
        return "stored length wrong";
    case kVerifyChecksumWrong:
        return "checksum wrong";
    case kVerifyNoHeader:
        return "no header record";
    default:
        return "not a record file";
    }
}

// A file held exclusively for a change, with its bytes as they are. Every decision is taken on the
// image, and the change is made to it as it is made to the file, so that sealing needs no second read.
struct HeldFile {
    SharedFile file;
    std::vector<unsigned char> image;
};

// Opens the file for a change, creating it when it is missing, and reads it whole. The file is never
// truncated: an existing file that cannot be opened keeps its records, and when two programs create the
// same file at once the second finds the first one's and keeps it. A change cut short before is undone
// first. The failure is that of the open that failed, or of the file's size.
Status HoldToChange(HeldFile& held, const std::string& fileName, const std::string& operation, bool create = true)
{
    SharedFile& file = held.file;
    if (!file.OpenWithRetry(fileName, kOpenExistingChange)) {
        if (file.LastCause() != kCauseFileNotFound || !create)
            return OpenFailure(operation, fileName, file.LastOpenError());
        CreateWholeRecordFile(fileName);
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

bool HoldForChange(HeldFile& held, const std::string& fileName)
{
    return HoldToChange(held, fileName, {}).HasValue();
}

// Checksum, header record, stored length, and records back to back to the very end: what a change
// may be written into without sealing damage in as sound.
Status CheckSound(const std::vector<unsigned char>& image, const std::string& fileName, const std::string& operation)
{
    if (const int verified = VerifyRecordImage(image.data(), image.size()); verified != kVerifyOk)
        return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeVerifyResult(verified, image.size()));
    if (const auto broken = FindBrokenHead(image.data(), image.size()))
        return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeBrokenHead(*broken));
    return {};
}

// Where an appended record goes: after the last byte, or after the header record a file with no bytes
// gets in the same change.
uint64_t AppendOffset(const std::vector<unsigned char>& image)
{
    return image.empty() ? kFirstRecordOffset : image.size();
}

// Bytes a change writes at an offset of a held file.
struct Edit {
    uint64_t offset = 0;
    std::vector<unsigned char> bytes;
};

// One file's part of a change: the held file, the edits to make, and what they overwrite.
struct PendingChange {
    HeldFile* held = nullptr;
    std::vector<Edit> edits;
    RecordJournal journal { 0 };
};

// Journals what the edits and the seal will overwrite: the checksum and the stored length, and the
// bytes under each edit. A file with no bytes gets its header record in the same change.
PendingChange PrepareChange(HeldFile& held, std::vector<Edit> edits)
{
    PendingChange change { &held, {}, RecordJournal(held.image.size()) };
    if (held.image.empty())
        change.edits.push_back(Edit { 0, HeaderRecordBytes() });
    change.journal.Keep(held.image, kChecksumOffset, kStoredLengthOffset + 4);
    for (Edit& edit : edits) {
        change.journal.Keep(held.image, edit.offset, edit.bytes.size());
        change.edits.push_back(std::move(edit));
    }
    return change;
}

// Rewrites the stored length and the checksum from the image, which holds every byte the change wrote,
// in one write.
void SealHeld(HeldFile& held)
{
    std::vector<unsigned char>& image = held.image;
    if (image.size() < kChecksumOffset + 4)
        image.resize(kChecksumOffset + 4);
    size_t sealed = kChecksumOffset + 4;
    if (image.size() >= kStoredLengthOffset + 4 && image[kHeaderRecordOffset] == kHeaderKind) {
        WriteUint32LE(image.data() + kStoredLengthOffset, static_cast<uint32_t>(image.size()));
        sealed = kStoredLengthOffset + 4;
    }
    WriteUint32LE(image.data() + kChecksumOffset, RecordChecksum(image.data(), image.size()));
    WriteAt(held.file, 0, image.data(), sealed);
}

void ApplyEdits(const PendingChange& change)
{
    HeldFile& held = *change.held;
    for (const Edit& edit : change.edits) {
        WriteAt(held.file, edit.offset, edit.bytes.data(), edit.bytes.size());
        const size_t end = static_cast<size_t>(edit.offset) + edit.bytes.size();
        if (held.image.size() < end)
            held.image.resize(end);
        std::copy(edit.bytes.begin(), edit.bytes.end(), held.image.begin() + static_cast<ptrdiff_t>(edit.offset));
    }
    SealHeld(held);
}

// Puts back the first `count` files; best effort, as a journal left behind is played back by the next
// opener anyway.
void RollBackAll(const std::vector<PendingChange>& changes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        try {
            changes[i].journal.RollBack(changes[i].held->file);
            RemoveJournal(changes[i].held->file.GetFileName());
        } catch (const FileException&) {
        }
    }
}

// The folder part of a file's name, separator included; empty for a bare name.
std::string FolderPartOf(const std::string& fileName)
{
    return fileName.substr(0, fileName.find_last_of(kPathSeparator) + 1);
}

// Once per folder, not once per file: the twelve profile files of a group share theirs.
void FlushFolders(const std::vector<PendingChange>& changes)
{
    std::vector<std::string> flushed;
    for (const PendingChange& change : changes) {
        const std::string folder = FolderPartOf(change.held->file.GetFileName());
        if (std::find(flushed.begin(), flushed.end(), folder) != flushed.end())
            continue;
        FlushFolderOf(change.held->file.GetFileName());
        flushed.push_back(folder);
    }
}

// A change of several files commits at the removal of one marker, which every journal names; the marker
// lies beside the files, so a change across folders (none is made today) goes without one.
bool NeedsChangeSet(const std::vector<PendingChange>& changes)
{
    return changes.size() > 1 && std::all_of(changes.begin(), changes.end(), [&](const PendingChange& change) {
        return FolderPartOf(change.held->file.GetFileName()) == FolderPartOf(changes.front().held->file.GetFileName());
    });
}

// Every change of record files: the journals first, flushed; then the changes, each sealed and
// flushed; then the journals go. A program killed at any point leaves either journals, which the next
// opener plays back, or the finished change. A change that fails is undone at once from the same
// journals. A change of several files commits at one step: the removal of its marker, made before
// its journals. Until then each journal is played back; after it, a journal left behind is only
// removed, so the files show the change in all of them or in none.
void CommitChanges(std::vector<PendingChange> changes)
{
    const std::string first = changes.empty() ? std::string() : changes.front().held->file.GetFileName();
    const std::string changeSet = NeedsChangeSet(changes) ? CreateChangeSetMarker(first) : std::string();
    size_t stored = 0;
    try {
        for (PendingChange& change : changes) {
            change.journal.SetChangeSet(changeSet);
            change.journal.Store(JournalNameOf(change.held->file.GetFileName()));
            ++stored;
        }
        FlushFolders(changes);
        for (const PendingChange& change : changes) {
            ApplyEdits(change);
            change.held->file.Flush();
        }
        if (!changeSet.empty())
            CommitChangeSet(first, changeSet);
    } catch (const FileException&) {
        RollBackAll(changes, stored);
        if (!changeSet.empty())
            ForgetChangeSetUnlessNamed(first, changeSet);
        throw;
    }
    if (!changeSet.empty()) {
        // Committed: a journal that cannot be removed names a marker that is gone, and its file's next
        // opener removes it without undoing anything.
        for (const PendingChange& change : changes) {
            try {
                RemoveJournal(change.held->file.GetFileName());
            } catch (const FileException&) {
            }
        }
        FlushFolders(changes);
        return;
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        try {
            RemoveJournal(changes[i].held->file.GetFileName());
        } catch (const FileException&) {
            // A journal that stays would undo its change later: undo it now and say so.
            std::vector<PendingChange> rest(changes.begin() + static_cast<ptrdiff_t>(i), changes.end());
            RollBackAll(rest, rest.size());
            throw;
        }
    }
    FlushFolders(changes);
}

void CommitChange(HeldFile& held, std::vector<Edit> edits)
{
    CommitChanges({ PrepareChange(held, std::move(edits)) });
}

// Where a write goes: over the first record of the kind and sub-kind with the same length, or at the
// end of the file; the records of that kind and sub-kind before it with other lengths are superseded.
struct WritePlan {
    std::optional<size_t> target;
    std::vector<size_t> superseded;
};

WritePlan PlanReplace(const std::vector<unsigned char>& image, uint8_t kind, uint8_t subKind, size_t dataLength)
{
    WritePlan plan;
    RecordChain chain(image);
    while (const auto record = chain.Next()) {
        if (record->kind != kind || record->subKind != subKind)
            continue;
        if (record->data.size() == dataLength) {
            plan.target = record->offset;
            break;
        }
        plan.superseded.push_back(record->offset);
    }
    return plan;
}

// The record (head and data in one piece) over its target or at the end, and the superseded records
// marked deleted.
std::vector<Edit> WriteEdits(
    const std::vector<unsigned char>& image, const WritePlan& plan, std::vector<unsigned char> record)
{
    std::vector<Edit> edits;
    edits.push_back(Edit { plan.target ? *plan.target : AppendOffset(image), std::move(record) });
    for (const size_t superseded : plan.superseded)
        edits.push_back(Edit { superseded, { kDeletedKind } });
    return edits;
}

std::vector<unsigned char> RecordBytes(uint8_t kind, uint8_t subKind, std::span<const unsigned char> data)
{
    std::vector<unsigned char> bytes(kHeadSize + data.size());
    RecordHeader { kind, subKind, static_cast<uint16_t>(bytes.size()) }.Encode(bytes.data());
    std::copy(data.begin(), data.end(), bytes.begin() + kHeadSize);
    return bytes;
}

// One file of ChangeRecords, held exclusively, with its record as it is now.
struct HeldRecord {
    HeldFile held;
    bool isNew = false;
    bool isMissing = false; // a file a deletion found missing, and leaves so
    bool isFound = false; // whether the file holds the record
    std::vector<unsigned char> bytes; // head and data
};

// Holds, checks and reads one file of a change; the failure says why not.
Status HoldRecord(HeldRecord& record, const RecordFileChange& change, const std::string& operation)
{
    if (change.size == 0 || change.size > kMaxDataLength)
        return Refused(Failure::Refusal::BadValue, operation, change.fileName,
            "a record of " + std::to_string(change.size) + " bytes cannot be stored");
    const bool deletes = !change.deletedSubKinds.empty();
    if (Status held = HoldToChange(record.held, change.fileName, operation, !deletes); !held) {
        record.isMissing = deletes && IsMissingFile(held.Error());
        return record.isMissing ? Status {} : held;
    }
    record.isNew = record.held.image.empty();
    if (!record.isNew)
        if (Status sound = CheckSound(record.held.image, change.fileName, operation); !sound)
            return sound;
    record.bytes.assign(kHeadSize + change.size, 0);
    const auto found = FindRecordIn(record.held.image, change.kind, change.subKind, change.size);
    if (found)
        std::copy(found->data.begin(), found->data.end(), record.bytes.begin() + kHeadSize);
    record.isFound = found.has_value();
    if (change.presence == RecordPresence::Absent && record.isFound)
        return Refused(Failure::Refusal::AlreadyExists, operation, change.fileName, "the record is there already");
    if (change.presence == RecordPresence::Present && !record.isFound)
        return Refused(Failure::Refusal::NotFound, operation, change.fileName, "no such record");
    return {};
}

// The deletions a part asks for: the record a reader takes for each sub-kind, if it fills the size
// exactly (a shorter record of it is left alone).
std::vector<Edit> DeletionEdits(const HeldRecord& record, const RecordFileChange& change)
{
    std::vector<Edit> edits;
    for (const uint8_t subKind : change.deletedSubKinds) {
        const auto found = FindRecordIn(record.held.image, change.kind, subKind, change.size);
        if (found && found->data.size() == change.size)
            edits.push_back(Edit { found->offset, { kDeletedKind } });
    }
    return edits;
}

FileReadResult CannotOpen(const SharedFile& file)
{
    if (file.LastCause() == kCauseFileNotFound)
        return { FileReadStatus::Missing, "no such file" };
    return { FileReadStatus::Unopenable, "cannot be opened: " + DescribeOpenError(file.LastOpenError()),
        file.LastCause(), file.LastOpenError() };
}

// Undoes a cut-short change, waiting (as any open does) for a writer that still holds the file.
FileReadResult RecoverForReading(const std::string& fileName)
{
    SharedFile file;
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
FileReadResult OpenForReading(SharedFile& file, const std::string& fileName)
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
        if (FileReadResult recovered = RecoverForReading(fileName); !recovered.WasRead())
            return recovered;
    }
    return { FileReadStatus::Unopenable, "an unfinished change keeps coming back" };
}

FileReadResult Damaged(std::string problem)
{
    return { FileReadStatus::Damaged, std::move(problem) };
}

// The whole file in one read, checked as a whole. The image is kept even when the check fails.
FileReadResult ReadImage(const std::string& fileName, std::vector<unsigned char>& image)
{
    image.clear();
    SharedFile file;
    if (FileReadResult opened = OpenForReading(file, fileName); !opened.WasRead())
        return opened;
    if (!file.ReadWhole(image, kMaxFileLength)) {
        image.clear();
        return Damaged("changed while it was read");
    }
    return CheckRecordImage(image);
}

} // namespace

RecordHeader RecordHeader::Decode(const unsigned char* bytes)
{
    return RecordHeader { bytes[0], bytes[1], ReadUint16LE(bytes + 2) };
}

void RecordHeader::Encode(unsigned char* bytes) const
{
    bytes[0] = kind;
    bytes[1] = subKind;
    WriteUint16LE(bytes + 2, length);
}

uint32_t RecordChecksum(const unsigned char* bytes, size_t length)
{
    return length > kHeaderRecordOffset ? AddBytes(0, bytes + kHeaderRecordOffset, length - kHeaderRecordOffset) : 0;
}

int VerifyRecordImage(const unsigned char* bytes, size_t length)
{
    const uint32_t sum = length > kHeaderRecordOffset ? RecordChecksum(bytes, length) : 0;
    if (length < kChecksumOffset + 4 || ReadUint32LE(bytes + kChecksumOffset) != sum)
        return kVerifyChecksumWrong;
    if (length <= kHeaderRecordOffset || bytes[kHeaderRecordOffset] != kHeaderKind)
        return kVerifyNoHeader;
    if (length < kStoredLengthOffset + 4 || ReadUint32LE(bytes + kStoredLengthOffset) != length)
        return kVerifyLengthWrong;
    return kVerifyOk;
}

FileReadResult CheckRecordImage(std::span<const unsigned char> image)
{
    if (const int verified = VerifyRecordImage(image.data(), image.size()); verified != kVerifyOk)
        return Damaged(DescribeVerifyResult(verified, image.size()));
    return {};
}

std::optional<size_t> FindBrokenHead(const unsigned char* bytes, size_t length)
{
    size_t offset = kHeaderRecordOffset;
    while (offset < length) {
        if (length - offset < kHeadSize)
            return offset;
        const RecordHeader head = RecordHeader::Decode(bytes + offset);
        if (!IsUsableHead(head, offset, length))
            return offset;
        offset += head.length;
    }
    return std::nullopt;
}

FileReadResult ReadRecordFileImage(const std::string& fileName, std::vector<unsigned char>& image)
{
    return ReadImage(fileName, image);
}

std::string DescribeBrokenHead(size_t offset)
{
    return "record chain broken at offset " + std::to_string(offset);
}

FileReadResult InspectRecordFile(const std::string& fileName)
{
    std::vector<unsigned char> image;
    FileReadResult result = ReadImage(fileName, image);
    // A head that ends the chain early hides every record behind it from every reader, and a record
    // appended there would never be reached: a sound checksum does not make such a file whole.
    if (result.WasRead())
        if (const auto broken = FindBrokenHead(image.data(), image.size()))
            return Damaged(DescribeBrokenHead(*broken));
    return result;
}

int VerifyRecordFile(File& file)
{
    const FileSum computed = SumFile(file);
    unsigned char bytes[4];
    if (!ReadAt(file, kChecksumOffset, bytes, 4) || ReadUint32LE(bytes) != computed.sum)
        return kVerifyChecksumWrong;
    if (!ReadAt(file, kHeaderRecordOffset, bytes, 1) || bytes[0] != kHeaderKind)
        return kVerifyNoHeader;
    if (!ReadAt(file, kStoredLengthOffset, bytes, 4) || ReadUint32LE(bytes) != computed.length)
        return kVerifyLengthWrong;
    return kVerifyOk;
}

bool ResealRecordFile(const std::string& fileName)
{
    HeldFile held;
    if (!HoldForChange(held, fileName))
        return false;
    if (held.image.size() < kFirstRecordOffset || FindBrokenHead(held.image.data(), held.image.size()))
        return false;
    CommitChange(held, {});
    return true;
}

bool CreateRecordFile(SharedFile& file, const std::string& fileName)
{
    if (!file.OpenWithRetry(fileName, kOpenCreate))
        return false;
    WriteHeaderRecord(file);
    SealRecordFile(file);
    return true;
}

void SealRecordFile(File& file)
{
    const uint64_t position = file.GetPosition();
    unsigned char bytes[4];
    if (ReadAt(file, kHeaderRecordOffset, bytes, 1) && bytes[0] == kHeaderKind) {
        WriteUint32LE(bytes, static_cast<uint32_t>(file.GetLength()));
        WriteAt(file, kStoredLengthOffset, bytes, 4);
    }
    WriteUint32LE(bytes, SumFile(file).sum);
    WriteAt(file, kChecksumOffset, bytes, 4);
    file.Seek(static_cast<int64_t>(position), File::SeekFrom::Begin);
}

size_t RecordFile::ReadRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<unsigned char> buffer, bool verify)
{
    std::vector<unsigned char> image;
    const FileReadResult read = ReadImage(fileName, image);
    if (!read.WasRead() && (verify || read.status != FileReadStatus::Damaged))
        return 0;
    const auto record = FindRecordIn(image, kind, subKind, buffer.size());
    if (!record)
        return 0;
    std::copy(record->data.begin(), record->data.end(), buffer.begin());
    return record->data.size();
}

FileReadResult RecordFile::ForEachRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<unsigned char> buffer, const RecordFunction& function)
{
    std::vector<unsigned char> image;
    if (FileReadResult read = ReadImage(fileName, image); !read.WasRead())
        return read;
    RecordChain chain(image);
    while (const auto record = chain.Next()) {
        if (record->kind != kind || record->subKind != subKind || record->data.size() > buffer.size())
            continue;
        std::copy(record->data.begin(), record->data.end(), buffer.begin());
        const std::span<const unsigned char> data = buffer.first(record->data.size());
        if (function)
            function(data);
        else
            OnRecord(data, record->offset);
    }
    return {};
}

int RecordFile::WriteRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<const unsigned char> data, bool replace)
{
    // The length field has 16 bits: a larger record cannot be stored, and is refused rather than cut.
    // An empty record would look like the end of the file to every reader and hide all records after it.
    if (data.empty() || data.size() > kMaxDataLength)
        return 0;
    HeldFile held;
    if (!HoldForChange(held, fileName))
        return 0;

    const WritePlan plan = replace ? PlanReplace(held.image, kind, subKind, data.size()) : WritePlan {};
    // Behind a broken head no reader would ever reach the record.
    if (!plan.target && FindBrokenHead(held.image.data(), held.image.size()))
        return 0;
    CommitChange(held, WriteEdits(held.image, plan, RecordBytes(kind, subKind, data)));
    held.file.Close();
    return 1;
}

RecordChangeResult RecordFile::ChangeRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, size_t size, const ChangeFunction& change)
{
    const RecordFileChange one { fileName, kind, subKind, size, change, {}, RecordPresence::Any };
    return ChangeRecords(std::span(&one, 1)).result;
}

RecordChangeOutcome RecordChangeOutcome::Of(const Result<bool>& changed)
{
    if (changed)
        return { *changed ? RecordChangeResult::Written : RecordChangeResult::Declined, {}, {} };
    const Failure& failure = changed.Error();
    return { failure.refusal == Failure::Refusal::Damaged ? RecordChangeResult::Damaged : RecordChangeResult::NotOpened,
        failure.fileName, failure.detail };
}

RecordChangeOutcome RecordFile::ChangeRecords(std::span<const RecordFileChange> changes)
{
    return RecordChangeOutcome::Of(ApplyChanges(changes, {}));
}

Result<bool> RecordFile::ApplyChanges(std::span<const RecordFileChange> changes, const std::string& operation)
{
    // Every file is held before any is written, in the caller's order, so that two programs changing
    // the same files in the same order cannot each hold what the other waits for.
    std::vector<std::unique_ptr<HeldRecord>> held;
    for (const RecordFileChange& change : changes) {
        held.push_back(std::make_unique<HeldRecord>());
        if (Status holding = HoldRecord(*held.back(), change, operation); !holding)
            return holding.Error();
    }
    std::vector<PendingChange> pending;
    bool anyWritten = false;
    for (size_t i = 0; i < changes.size(); ++i) {
        HeldRecord& record = *held[i];
        const RecordFileChange& change = changes[i];
        if (record.isMissing)
            continue;
        if (!change.deletedSubKinds.empty()) {
            // Only a real change is sealed: re-sealing an untouched file would add nothing.
            if (std::vector<Edit> edits = DeletionEdits(record, change); !edits.empty()) {
                pending.push_back(PrepareChange(record.held, std::move(edits)));
                anyWritten = true;
            }
        } else if (change.change(std::span(record.bytes).subspan(kHeadSize))) {
            RecordHeader { change.kind, change.subKind, static_cast<uint16_t>(record.bytes.size()) }.Encode(
                record.bytes.data());
            const WritePlan plan = PlanReplace(record.held.image, change.kind, change.subKind, change.size);
            pending.push_back(PrepareChange(record.held, WriteEdits(record.held.image, plan, record.bytes)));
            anyWritten = true;
        } else if (record.isNew) {
            // A file created for a change that was then not made still gets its header: an empty
            // record file holds nothing, as the missing one did.
            pending.push_back(PrepareChange(record.held, {}));
        }
    }
    CommitChanges(std::move(pending));
    return anyWritten;
}

RecordChangeResult RecordFile::AppendRecordUnless(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<const unsigned char> data, const std::function<bool(std::span<const unsigned char> record)>& inTheWay)
{
    const Result<bool> appended = AppendRecordIfClear(fileName, kind, subKind, data, inTheWay, {});
    if (appended)
        return *appended ? RecordChangeResult::Written : RecordChangeResult::Declined;
    return appended.Error().refusal == Failure::Refusal::Damaged ? RecordChangeResult::Damaged
                                                                 : RecordChangeResult::NotOpened;
}

Result<bool> RecordFile::AppendRecordIfClear(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<const unsigned char> data, const std::function<bool(std::span<const unsigned char> record)>& inTheWay,
    const std::string& operation)
{
    if (data.empty() || data.size() > kMaxDataLength)
        return Refused(Failure::Refusal::BadValue, operation, fileName,
            "a record of " + std::to_string(data.size()) + " bytes cannot be stored");
    HeldFile held;
    if (Status holding = HoldToChange(held, fileName, operation); !holding)
        return holding.Error();
    if (!held.image.empty())
        if (Status sound = CheckSound(held.image, fileName, operation); !sound)
            return sound.Error();
    RecordChain chain(held.image);
    while (const auto record = chain.Next())
        if (record->kind == kind && record->subKind == subKind && inTheWay(record->data))
            return false;
    CommitChange(held, { Edit { AppendOffset(held.image), RecordBytes(kind, subKind, data) } });
    return true;
}

Result<bool> RecordFile::DeleteFirstRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
    const std::function<bool(std::span<const unsigned char> record)>& match, const std::string& operation)
{
    HeldFile held;
    if (!OpenWithinLimit(held.file, fileName, kOpenExistingChange)) {
        if (held.file.IsOpen() || held.file.LastCause() == kCauseNone)
            return Refused(Failure::Refusal::Damaged, operation, fileName, "larger than any record file");
        return OpenFailure(operation, fileName, held.file.LastOpenError());
    }
    RecoverHeld(held.file);
    if (!held.file.ReadWhole(held.image, kMaxFileLength))
        return Refused(Failure::Refusal::Damaged, operation, fileName, "changed while it was read");
    // Sealing a change into a damaged file would pass its damage for sound.
    if (Status sound = CheckSound(held.image, fileName, operation); !sound)
        return sound.Error();
    RecordChain chain(held.image);
    while (const auto found = chain.Next()) {
        if (found->kind == kind && found->subKind == subKind && match(found->data)) {
            CommitChange(held, { Edit { found->offset, { kDeletedKind } } });
            return true;
        }
    }
    return false;
}

void RecordFile::DeleteRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<const unsigned char> record, size_t keyLength)
{
    HeldFile held;
    if (!OpenWithinLimit(held.file, fileName, kOpenExistingChange))
        return;
    RecoverHeld(held.file);
    if (!held.file.ReadWhole(held.image, kMaxFileLength))
        return;
    const std::span<const unsigned char> key = record.first(std::min(keyLength, record.size()));
    RecordChain chain(held.image);
    while (const auto found = chain.Next()) {
        if (found->kind == kind && found->subKind == subKind && found->data.size() == record.size()
            && std::equal(key.begin(), key.end(), found->data.begin())) {
            // Only a real change is sealed: re-sealing an untouched file would pass its damage for sound.
            CommitChange(held, { Edit { found->offset, { kDeletedKind } } });
            break;
        }
    }
    held.file.Close();
}

bool RecordFile::DeleteFittingRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, size_t size)
{
    HeldFile held;
    if (!OpenWithinLimit(held.file, fileName, kOpenExistingChange))
        return false;
    RecoverHeld(held.file);
    if (!held.file.ReadWhole(held.image, kMaxFileLength))
        return false;
    const auto found = FindRecordIn(held.image, kind, subKind, size);
    if (!found || found->data.size() != size)
        return false;
    CommitChange(held, { Edit { found->offset, { kDeletedKind } } });
    return true;
}

FileReadResult RecordFile::ReadRecords(
    const std::string& fileName, std::vector<RecordRequest>& requests, bool readDamaged)
{
    std::vector<unsigned char> image;
    FileReadResult result = ReadImage(fileName, image);
    if (result.WasRead() || (readDamaged && result.status == FileReadStatus::Damaged))
        FillRecordRequests(image, requests);
    return result;
}

void RecordFile::OnRecord(std::span<const unsigned char>, uint64_t)
{
}

} // namespace custodia
