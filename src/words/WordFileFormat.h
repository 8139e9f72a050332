#pragma once

#include <cstddef>
#include <cstdint>

namespace custodia::wordfile {

// Binary word file: a 302-byte header, then entries back to back to the end of the file. Entries carry
// no word number: the k-th entry is word base + k of the family that the loader names.
inline constexpr char kMagic[] = "Brenic Binary Word File"; // 23 letters and the zero byte: 24 bytes
inline constexpr size_t kMagicSize = 24;
inline constexpr size_t kChecksumOffset = 300; // covers bytes 0..299
inline constexpr size_t kHeaderSize = 302;

// Entry head: two signed 16-bit lengths, each followed by the low byte of its text's byte sum and a
// spare byte. The first text is a reference copy that readers check but do not use.
inline constexpr size_t kEntryFirstLengthOffset = 0;
inline constexpr size_t kEntryFirstCheckOffset = 2;
inline constexpr size_t kEntryWordLengthOffset = 4;
inline constexpr size_t kEntryWordCheckOffset = 6;
inline constexpr size_t kEntryHeadSize = 8;
inline constexpr int kMaxTextLength = 32767;
// A family holds at most about a thousand words of a line or two; a larger file is refused unread.
inline constexpr uint64_t kMaxFileLength = uint64_t { 16 } << 20;

// The header checksums of word and language files: the low 16 bits of the sum of the bytes, each taken
// as a signed value (-128..127), as the other programs of the suite compute it.
inline uint16_t SignedByteSum16(const unsigned char* bytes, size_t count)
{
    int32_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += static_cast<int8_t>(bytes[i]);
    return static_cast<uint16_t>(sum & 0xFFFF);
}

// The check byte of an entry text: the low 8 bits of the sum of its bytes.
inline uint8_t ByteSum8(const unsigned char* bytes, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

} // namespace custodia::wordfile
