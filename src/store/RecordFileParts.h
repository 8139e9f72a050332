#pragma once

// The pieces the record file's jobs share: the checksum and seal, the opens and the recovery, and the
// journalled change. Only the record file's own sources include this.

#include "platform/File.h"
#include "platform/Result.h"
#include "platform/SharedFile.h"
#include "store/FileReadResult.h"
#include "store/RecordFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace custodia::recordparts {

inline constexpr unsigned kOpenRead = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
// Changes take the file exclusively for their whole length, so writers of one file take turns and a
// reader never sees a change half made; readers share the file with each other.
inline constexpr unsigned kOpenChange = openflags::kCreate | openflags::kNoTruncate | openflags::kReadWrite
    | openflags::kShareExclusive | openflags::kBinary | openflags::kPrivate;
inline constexpr unsigned kOpenExistingChange = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;
inline constexpr unsigned kOpenCreate
    = openflags::kCreate | openflags::kReadWrite | openflags::kShareDenyNone | openflags::kBinary | openflags::kPrivate;

// --- checksum, seal and check (RecordChecksum.cpp) ---

// The header record of a new file, its stored length a placeholder until it is sealed.
std::vector<unsigned char> HeaderRecordBytes();
// Writes the stored length and the checksum into the image, which holds every byte of the file, and
// returns how many bytes from its start the seal changed (to be written back in one write).
size_t SealImage(std::vector<unsigned char>& image);
const char* DescribeVerifyResult(int result, size_t length);
// Checksum, header record, stored length, and records back to back to the very end: what a change may
// be written into without sealing damage in as sound.
Status CheckSound(const std::vector<unsigned char>& image, const std::string& fileName, const std::string& operation);

// --- opening, creating and recovering (RecordFileOpen.cpp) ---

bool IsOversized(const File& file);
std::string DescribeOversized(uint64_t length);
// Opens the file unless it is larger than any record file can sensibly be: such a file is treated as
// damaged, so that a huge or sparse file is never summed or read whole.
bool OpenWithinLimit(SharedFile& file, const std::string& fileName, unsigned flags);
// A change cut short by a killed program is undone before anyone uses the file. The caller holds the
// file exclusively.
void RecoverHeld(File& file);

// A file held exclusively for a change, with its bytes as they are. Every decision is taken on the
// image, and the change is made to it as it is made to the file, so that sealing needs no second read.
struct HeldFile {
    explicit HeldFile(const FileEnvironment& environment = FileEnvironment::System())
        : file(environment)
    {
    }

    SharedFile file;
    std::vector<unsigned char> image;
};

// Opens the file for a change, creating it when it is missing and `create` allows, and reads it whole.
// The failure is that of the open that failed, or of the file's size.
Status HoldToChange(HeldFile& held, const std::string& fileName, const std::string& operation, bool create = true);
// The whole file in one read, checked as a whole. The image is kept even when the check fails.
FileReadResult ReadImage(
    const std::string& fileName, std::vector<unsigned char>& image, const FileEnvironment& environment);

// --- the journalled change (RecordFileChange.cpp) ---

// Bytes a change writes at an offset of a held file.
struct Edit {
    uint64_t offset = 0;
    std::vector<unsigned char> bytes;
};

// Journals, writes, seals and flushes one held file's edits; a program killed on the way leaves the
// file as it was.
void CommitChange(HeldFile& held, std::vector<Edit> edits);

// Where an appended record goes: after the last byte, or after the header record a file with no bytes
// gets in the same change.
uint64_t AppendOffset(const std::vector<unsigned char>& image);

// Where a write goes: over the first record of the kind and sub-kind with the same length, or at the
// end of the file; the records of that kind and sub-kind before it with other lengths are superseded.
struct WritePlan {
    std::optional<size_t> target;
    std::vector<size_t> superseded;
};
WritePlan PlanReplace(const std::vector<unsigned char>& image, uint8_t kind, uint8_t subKind, size_t dataLength);
// The record (head and data in one piece) over its target or at the end, and the superseded records
// marked deleted.
std::vector<Edit> WriteEdits(
    const std::vector<unsigned char>& image, const WritePlan& plan, std::vector<unsigned char> record);
std::vector<unsigned char> RecordBytes(uint8_t kind, uint8_t subKind, std::span<const unsigned char> data);

} // namespace custodia::recordparts
