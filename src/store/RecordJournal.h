#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace custodia {

// "<name>-journal" beside a record file: what a change is about to overwrite, and what it will write,
// written and flushed before the change's first byte and removed once the change is sealed and flushed.
// A journal found while nobody changes the file means a change was cut short: putting the kept bytes
// back undoes it, but only while the file holds nothing but what it held before and what the change
// wrote. Programs that know nothing of journals may have changed the file since; their bytes are never
// overwritten. All integers little-endian.
namespace recordjournal {
inline constexpr const char kSuffix[] = "-journal";
// A journal set aside because the file changed after the change was cut short:
// "<name>-journal-kept-<date>-<time>", kept for a person to look at.
inline constexpr const char kKeptInfix[] = "-journal-kept-";
// The first layouts keep only what the change overwrites; they are still read, and played back as ever.
inline constexpr unsigned char kMagic[8] = { 'C', 'S', 'T', 'D', 'J', 'R', 'N', '1' };
// A journal of one file's part in a change of several files: the header is followed by the name of the
// change's marker (ChangeSetMarker.h), then come the ranges.
inline constexpr unsigned char kMagicInChangeSet[8] = { 'C', 'S', 'T', 'D', 'J', 'R', 'N', '2' };
// The layouts our writers make: the header goes on with what the change writes (below).
inline constexpr unsigned char kMagicWithWrites[8] = { 'C', 'S', 'T', 'D', 'J', 'R', 'N', '3' };
inline constexpr unsigned char kMagicWithWritesInChangeSet[8] = { 'C', 'S', 'T', 'D', 'J', 'R', 'N', '4' };
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kOldLengthOffset = 8; // 64 bits: the file's length before the change
inline constexpr size_t kRangeCountOffset = 16; // 32 bits
inline constexpr size_t kChecksumOffset = 20; // 32 bits: CRC-32 of every byte of the journal but these
inline constexpr size_t kHeaderSize = 24;
inline constexpr size_t kChangeSetLengthOffset = 24; // 16 bits, in a journal of a change set only
inline constexpr size_t kChangeSetNameOffset = 26;
// With writes: the file's length after the change's last write (64 bits), the SHA-256 of the whole file
// before the change (its 64 lower-case hexadecimal digits) and the number of writes (32 bits); in a
// journal of a change set the marker's name follows.
inline constexpr size_t kNewLengthOffset = 24;
inline constexpr size_t kOldHashOffset = 32;
inline constexpr size_t kOldHashSize = 64;
inline constexpr size_t kWriteCountOffset = 96;
inline constexpr size_t kHeaderWithWritesSize = 100;
// Each range: its offset in the file (64 bits), its length (32 bits), then the kept bytes. The writes
// follow the ranges, laid out the same way with the bytes the change writes, in the order it writes them.
inline constexpr size_t kRangeOffsetOffset = 0;
inline constexpr size_t kRangeLengthOffset = 8;
inline constexpr size_t kRangeHeadSize = 12;
// Far beyond any change of a record file (a record is at most 64 KiB); a longer journal is not ours.
inline constexpr size_t kMaxJournalSize = 16 * 1024 * 1024;
// Far beyond any record file: a journal whose lengths pass it is not ours.
inline constexpr uint64_t kMaxJournalledLength = uint64_t { 64 } << 20;
} // namespace recordjournal

// What happened to a journal found beside a file, or what would happen to it.
enum class JournalRecovery {
    None, // there was none
    RolledBack, // a cut-short change was undone
    Discarded, // the journal was torn, so its change had not begun; it was removed
    Committed, // the journal's change of several files had committed; the journal was removed
    NothingToUndo, // the file was as it was before the change's first write; the journal was removed
    KeptAside, // the file holds bytes the change did not write: it was left as it is, the journal kept
};

// What a journal found beside a file says about the file as it is now.
enum class JournalFinding {
    AsBefore, // the file holds none of the bytes the change wrote: there is nothing to undo
    CutShort, // it holds what it held before, except where the change wrote its own bytes
    ChangedSince, // something else changed it after the change was cut short (see the reason)
    Implausible, // the journal cannot belong to this file (see the reason)
};

struct JournalCheck {
    JournalFinding finding = JournalFinding::AsBefore;
    std::string reason; // for people, when the finding is ChangedSince or Implausible
};

class RecordJournal final {
public:
    explicit RecordJournal(uint64_t oldLength);

    // Keeps the file's bytes at offset..offset+count (cut at the file's end) before they change.
    void Keep(File& file, uint64_t offset, size_t count);
    // The same, taken from the file's bytes as they were read under the hold of the change.
    void Keep(std::span<const unsigned char> image, uint64_t offset, size_t count);
    // Records what the change will do to the file, whose whole bytes before the change are `before`:
    // each write in the order it is made, and the file's length after the last one.
    void RecordWrites(std::span<const unsigned char> before, uint64_t newLength);
    void AddWrite(uint64_t offset, std::span<const unsigned char> bytes);

    uint64_t OldLength() const { return m_oldLength; }
    // Whether the journal says what its change writes (every journal our writers make now does).
    bool HasWrites() const { return !m_oldHash.empty(); }
    // The marker of the change of several files this journal is part of; empty for a change of one file.
    const std::string& ChangeSet() const { return m_changeSet; }
    void SetChangeSet(std::string marker) { m_changeSet = std::move(marker); }
    std::vector<unsigned char> Encode() const;
    // Nothing unless the whole journal is there, checksum, magic and every length field right.
    static std::optional<RecordJournal> Decode(std::span<const unsigned char> bytes);

    // Compares the journal with the file's bytes as they are now. A journal of the first layouts, which
    // does not say what its change wrote, is only checked for lengths the file can have come from.
    JournalCheck Check(std::span<const unsigned char> image) const;

    // Writes the journal of the file as a new file (never through a link, never over another file) and
    // flushes it; the caller flushes the folder (FlushFolderOf), once for all the journals of a change.
    // Throws FileException.
    // The journal gets the permissions, owner and group of the file it belongs to, since it holds some
    // of its bytes.
    void Store(const std::string& fileName, const FileEnvironment& environment = FileEnvironment::System()) const;
    // Puts back every kept byte and the old length, and flushes the file. Throws FileException.
    void RollBack(File& file) const;

private:
    struct Range {
        uint64_t offset = 0;
        std::vector<unsigned char> bytes;
    };

    // Whether every byte that differs between the image and the file as it was is one this change writes
    // there; the offset of the first that is not.
    std::optional<uint64_t> FirstByteNotWritten(
        std::span<const unsigned char> image, std::span<const unsigned char> before) const;

    // The byte the file held at the offset before the change, where the journal keeps it.
    std::optional<unsigned char> KeptByteAt(uint64_t offset) const;
    // Whether the image holds, anywhere, a byte that this change wrote over another.
    bool HoldsAnyByteWritten(std::span<const unsigned char> image) const;

    uint64_t m_oldLength = 0;
    uint64_t m_newLength = 0;
    std::string m_oldHash; // empty in a journal of the first layouts
    std::string m_changeSet;
    std::vector<Range> m_ranges;
    std::vector<Range> m_writes;
};

// Writes the bytes as a new file (never through a link, never over another file) and flushes it; a file
// left half written is removed again. The file gets the permissions, owner and group of the file
// `accessOf` when one is named (see CopyAccess), else exactly `mode`, whatever the umask. Throws
// FileException.
void WriteNewFile(const std::string& fileName, std::span<const unsigned char> bytes, unsigned mode,
    const FileEnvironment& environment = FileEnvironment::System(), const std::string& accessOf = {});

std::string JournalNameOf(const std::string& fileName);
// Whether anything by the journal's name lies beside the file.
bool JournalExists(const std::string& fileName);
// Removes the journal; a journal that is gone already is fine. Throws FileException.
void RemoveJournal(const std::string& fileName, const FileEnvironment& environment = FileEnvironment::System());
// Makes the folder entries of the file's folder (a journal made or removed) reach the disk. Where a
// folder cannot be opened for that (some shares), the files' own flushes are all there is.
void FlushFolderOf(const std::string& fileName);
// The marker named by the journal by this name: empty when it names none, is torn or is gone; nothing
// when it cannot be read.
std::optional<std::string> ChangeSetOfJournal(const std::string& journalName);

// What recovery does, or would do, with the journal beside a file, and why, for people.
struct JournalPlan {
    JournalRecovery action = JournalRecovery::None;
    std::string detail;
};
// Reads the journal beside the file and decides what recovery would do with it, given the file's bytes
// as they are now; changes nothing. Throws FileException when the journal is there but cannot be read.
JournalPlan PlanJournalRecovery(const std::string& fileName, std::span<const unsigned char> image);
// For a file held exclusively: undoes the change its journal describes when the file holds nothing but
// what it held before and what that change wrote; removes a torn journal, the journal of a change of
// several files that had committed, and one whose change had not written anything yet; and otherwise
// leaves the file as it is and keeps the journal aside (KeptJournalNames), so that no other program's
// change is ever overwritten.
// Throws FileException when the journal is there but cannot be read, removed or kept aside, or the file
// cannot be read or written back: the file must then not be used as it is.
JournalPlan RecoverFromJournal(File& file);
// The journals kept aside beside the file, oldest first, by their full names.
std::vector<std::string> KeptJournalNames(const std::string& fileName);
// The same, from a listing of the file's folder (FolderEntryNames), so that a look at many files lists
// the folder once: on a share every listing is a round trip.
std::vector<std::string> KeptJournalNames(const std::string& fileName, const std::vector<std::string>& folderEntries);
// The names in the folder; none when it cannot be listed.
std::vector<std::string> FolderEntryNames(const std::string& folder);
// For people: what the plan means for the file.
std::string DescribeJournalPlan(const JournalPlan& plan);

// CRC-32 (the polynomial of zip and PNG).
uint32_t JournalChecksum(std::span<const unsigned char> bytes);

} // namespace custodia
