#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace custodia {

class File;
class SharedFile;

// Record file layout: a checksum, a header record carrying the file length and a fixed text, then
// tagged variable-length records back to back. All integers little-endian.
namespace recordfile {
inline constexpr size_t kChecksumOffset = 0;
inline constexpr size_t kHeaderRecordOffset = 4;
inline constexpr size_t kStoredLengthOffset = 8;
inline constexpr size_t kHeaderTextOffset = 12;
inline constexpr const char kHeaderText[] = "QUARVA FOR WINDOWS V1.0";
inline constexpr size_t kHeaderTextLength = sizeof kHeaderText - 1; // 23, no terminating zero
inline constexpr size_t kFirstRecordOffset = kHeaderTextOffset + kHeaderTextLength; // 35
inline constexpr size_t kHeadSize = 4;
inline constexpr uint8_t kHeaderKind = 0x81;
inline constexpr uint8_t kDeletedKind = 0xFF;
inline constexpr uint16_t kHeaderRecordLength = 8 + kHeaderTextLength; // 31
inline constexpr size_t kMaxDataLength = 0xFFFF - kHeadSize; // 65531
// No record file of the suite comes near this (a profile file with 256 groups and every one rewritten
// many times stays under a few megabytes); a larger one is refused as damaged without being read.
inline constexpr uint64_t kMaxFileLength = uint64_t { 64 } << 20;

// Verification results.
inline constexpr int kVerifyOk = 0;
inline constexpr int kVerifyLengthWrong = 1;
inline constexpr int kVerifyChecksumWrong = 2;
inline constexpr int kVerifyNoHeader = 3;
} // namespace recordfile

// The 4-byte head of every record.
struct RecordHeader {
    uint8_t kind = 0;
    uint8_t subKind = 0;
    uint16_t length = 0; // head included

    static RecordHeader Decode(const unsigned char* bytes);
    void Encode(unsigned char* bytes) const;
};

// One element of a ReadRecords request chain.
struct RecordRequest {
    uint8_t kind = 0;
    uint8_t subKind = 0;
    void* buffer = nullptr;
    int32_t size = 0;
    int32_t count = 0;
    int32_t bytesRead = 0; // set by ReadRecords
    RecordRequest* next = nullptr;
};

// Reads and writes record files. Each call opens the file, works, seals it after a change and closes
// it again, so that several programs can use one file in turn; the object keeps nothing between calls.
class RecordFile {
public:
    using RecordFunction = std::function<void(const unsigned char* data)>;

    virtual ~RecordFile() = default;

    // Data bytes of the first record of the kind and sub-kind that fits the buffer, or 0.
    size_t ReadRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, void* buffer, size_t size,
        size_t count, bool verify);
    // Every fitting record in file order, read into the buffer, then handed to the function (or to
    // OnRecord when none is given). Does nothing unless the file verifies.
    void ForEachRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, void* buffer, size_t size,
        size_t count, const RecordFunction& function = {});
    // 1 if written, 0 if the file could neither be opened nor created.
    int WriteRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, const void* data, size_t size,
        size_t count, bool replace);
    // Marks deleted the first record of exactly size * count data bytes that starts with the key.
    void DeleteRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, const void* key, size_t size,
        size_t keyLength, size_t count);
    // Fills the requests from one read of the whole file: 0, or -1 if the file cannot be read or verified.
    int ReadRecords(const std::string& fileName, RecordRequest* requests);

protected:
    virtual void OnRecord(const unsigned char* data, uint64_t recordOffset);
};

// Checks an open record file: one of recordfile::kVerify*.
int VerifyRecordFile(File& file);
// Checks a record file's bytes in memory: one of recordfile::kVerify*.
int VerifyRecordImage(const unsigned char* bytes, size_t length);
// Rewrites the stored length and the checksum after a change; keeps the file position.
void SealRecordFile(File& file);
// Creates (or empties) a record file holding only its header record; the file stays open for the
// change that asked for it.
bool CreateRecordFile(SharedFile& file, const std::string& fileName);
// Sum of the bytes from offset 4 to the end, as unsigned bytes, wrapping at 32 bits.
uint32_t RecordChecksum(const unsigned char* bytes, size_t length);

} // namespace custodia
