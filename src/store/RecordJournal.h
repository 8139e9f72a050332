#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace custodia {

class File;

// "<name>-journal" beside a record file: what a change is about to overwrite, written and flushed
// before the change's first byte and removed once the change is sealed and flushed. A journal found
// while nobody changes the file means a change was cut short: putting the kept bytes back undoes it.
// All integers little-endian.
namespace recordjournal {
inline constexpr const char kSuffix[] = "-journal";
inline constexpr unsigned char kMagic[8] = { 'C', 'S', 'T', 'D', 'J', 'R', 'N', '1' };
// A journal of one file's part in a change of several files: the header is followed by the name of the
// change's marker (ChangeSetMarker.h), then come the ranges.
inline constexpr unsigned char kMagicInChangeSet[8] = { 'C', 'S', 'T', 'D', 'J', 'R', 'N', '2' };
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kOldLengthOffset = 8; // 64 bits: the file's length before the change
inline constexpr size_t kRangeCountOffset = 16; // 32 bits
inline constexpr size_t kChecksumOffset = 20; // 32 bits: CRC-32 of every byte of the journal but these
inline constexpr size_t kHeaderSize = 24;
inline constexpr size_t kChangeSetLengthOffset = 24; // 16 bits, in a journal of a change set only
inline constexpr size_t kChangeSetNameOffset = 26;
// Each range: its offset in the file (64 bits), its length (32 bits), then the kept bytes.
inline constexpr size_t kRangeOffsetOffset = 0;
inline constexpr size_t kRangeLengthOffset = 8;
inline constexpr size_t kRangeHeadSize = 12;
// Far beyond any change of a record file (a record is at most 64 KiB); a longer journal is not ours.
inline constexpr size_t kMaxJournalSize = 16 * 1024 * 1024;
} // namespace recordjournal

// What happened to a journal found beside a file.
enum class JournalRecovery {
    None, // there was none
    RolledBack, // a cut-short change was undone
    Discarded, // the journal was torn, so its change had not begun; it was removed
    Committed, // the journal's change of several files had committed; the journal was removed
};

class RecordJournal final {
public:
    explicit RecordJournal(uint64_t oldLength);

    // Keeps the file's bytes at offset..offset+count (cut at the file's end) before they change.
    void Keep(File& file, uint64_t offset, size_t count);
    // The same, taken from the file's bytes as they were read under the hold of the change.
    void Keep(std::span<const unsigned char> image, uint64_t offset, size_t count);

    uint64_t OldLength() const { return m_oldLength; }
    // The marker of the change of several files this journal is part of; empty for a change of one file.
    const std::string& ChangeSet() const { return m_changeSet; }
    void SetChangeSet(std::string marker) { m_changeSet = std::move(marker); }
    std::vector<unsigned char> Encode() const;
    // Nothing unless the whole journal is there, checksum, magic and every length field right.
    static std::optional<RecordJournal> Decode(std::span<const unsigned char> bytes);

    // Writes the journal as a new file (never through a link, never over another file) and flushes it;
    // the caller flushes the folder (FlushFolderOf), once for all the journals of a change. Throws
    // FileException.
    void Store(const std::string& journalName) const;
    // Puts back every kept byte and the old length, and flushes the file. Throws FileException.
    void RollBack(File& file) const;

private:
    struct Range {
        uint64_t offset = 0;
        std::vector<unsigned char> bytes;
    };

    uint64_t m_oldLength = 0;
    std::string m_changeSet;
    std::vector<Range> m_ranges;
};

// Writes the bytes as a new file (never through a link, never over another file) and flushes it; a file
// left half written is removed again. Throws FileException.
void WriteNewFile(const std::string& fileName, std::span<const unsigned char> bytes, unsigned mode);

std::string JournalNameOf(const std::string& fileName);
// Whether anything by the journal's name lies beside the file.
bool JournalExists(const std::string& fileName);
// Removes the journal; a journal that is gone already is fine. Throws FileException.
void RemoveJournal(const std::string& fileName);
// Makes the folder entries of the file's folder (a journal made or removed) reach the disk. Where a
// folder cannot be opened for that (some shares), the files' own flushes are all there is.
void FlushFolderOf(const std::string& fileName);
// The marker named by the journal by this name: empty when it names none, is torn or is gone; nothing
// when it cannot be read.
std::optional<std::string> ChangeSetOfJournal(const std::string& journalName);
// For a file held exclusively: undoes the change its journal describes, or removes a torn journal, or
// the journal of a change of several files that had committed.
// Throws FileException when the journal is there but cannot be read or removed, or the file cannot be
// written back: the file must then not be used as it is.
JournalRecovery RecoverFromJournal(File& file);

// CRC-32 (the polynomial of zip and PNG).
uint32_t JournalChecksum(std::span<const unsigned char> bytes);

} // namespace custodia
