#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace custodia {

// "tessel.pwd": a 54-byte header, then fixed 206-byte records back to back to the end of the file.
// Not a record file: no checksum, no tags, just the record type in byte 0 of each record.
namespace passwordfile {
inline constexpr const char kFileName[] = "tessel.pwd";
inline constexpr const char kTitle[] = "Quarva For Windows";

inline constexpr size_t kTitleOffset = 0;
inline constexpr size_t kTitleSize = 50;
inline constexpr size_t kRecordCountOffset = 50;
inline constexpr size_t kHeaderSize = 54;

inline constexpr size_t kFirstRecordOffset = kHeaderSize;
inline constexpr size_t kRecordSize = 206;
inline constexpr size_t kRecordTypeOffset = 0;

// The suite keeps two records per user and no program manages more than a few thousand users; a file
// of more records than this is refused as damaged without being read (a sparse file of gigabytes
// would otherwise read as millions of empty users).
inline constexpr uint64_t kMaxRecordCount = 65536;
inline constexpr uint64_t kMaxFileLength = kHeaderSize + kMaxRecordCount * kRecordSize;

inline constexpr uint8_t kUserRecordType = 0;
inline constexpr uint8_t kFreeRecordType = 1;
inline constexpr uint8_t kAccessRecordType = 2;
} // namespace passwordfile

using PasswordFileHeaderBytes = std::array<unsigned char, passwordfile::kHeaderSize>;
using PasswordFileRecord = std::array<unsigned char, passwordfile::kRecordSize>;
// One record's bytes where they lie, in a record of its own or in the image of a whole file.
using PasswordRecordBytes = std::span<const unsigned char, passwordfile::kRecordSize>;

// The header of "tessel.pwd". The record count counts the records in use, users and access records
// together; only the start-up check reads it.
struct PasswordFileHeader {
    std::string title = passwordfile::kTitle;
    uint32_t recordCount = 0;

    // Readers accept a file only with this exact title (bytes up to the terminator, case-sensitive).
    bool HasValidTitle() const { return title == passwordfile::kTitle; }

    static PasswordFileHeader Decode(const PasswordFileHeaderBytes& bytes);
    PasswordFileHeaderBytes Encode() const;
};

// Byte 0 of a record: user, free, access record; any other value counts as free.
inline uint8_t RecordTypeOf(PasswordRecordBytes record)
{
    return record[passwordfile::kRecordTypeOffset];
}

// "tessel.pwd" in a login path.
std::string PasswordFilePath(const std::string& loginPath);

// Offset in the file of the record with the given index.
inline uint64_t PasswordRecordOffset(uint64_t index)
{
    return passwordfile::kFirstRecordOffset + index * passwordfile::kRecordSize;
}

} // namespace custodia
