#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace custodia {

// The device-independent bitmap file: a 14-byte file header, an information header, an optional colour
// table of 4-byte entries (blue, green, red, unused) and the pixel rows, each padded to 4 bytes.
namespace bitmaplayout {
inline constexpr unsigned char kSignature[2] = { 'B', 'M' };
inline constexpr size_t kFileHeaderSize = 14;
inline constexpr size_t kFileSizeOffset = 2;
inline constexpr size_t kPixelOffsetOffset = 10; // not used for reading: see LocatePixels

// Offsets inside the information header, which starts right after the file header.
inline constexpr size_t kInfoSizeOffset = 0;
inline constexpr size_t kWidthOffset = 4;
inline constexpr size_t kHeightOffset = 8;
inline constexpr size_t kPlanesOffset = 12;
inline constexpr size_t kBitsPerPixelOffset = 14;
inline constexpr size_t kCompressionOffset = 16;
inline constexpr size_t kColorsUsedOffset = 32;
inline constexpr size_t kRedMaskOffset = 40; // in the larger headers only
inline constexpr size_t kGreenMaskOffset = 44;
inline constexpr size_t kBlueMaskOffset = 48;

inline constexpr size_t kInfoHeaderSize = 40;
// Later headers extend the 40-byte one; the fields above keep their places.
inline constexpr size_t kInfoHeaderV2Size = 52;
inline constexpr size_t kInfoHeaderV3Size = 56;
inline constexpr size_t kInfoHeaderV4Size = 108;
inline constexpr size_t kInfoHeaderV5Size = 124;

inline constexpr size_t kColorEntrySize = 4;
inline constexpr size_t kBitFieldMaskCount = 3;

inline constexpr uint32_t kCompressionNone = 0;
inline constexpr uint32_t kCompressionRle8 = 1;
inline constexpr uint32_t kCompressionRle4 = 2;
inline constexpr uint32_t kCompressionBitFields = 3;

// Run-length codes: a zero count starts an escape, whose second byte says which.
inline constexpr unsigned char kRleEndOfLine = 0;
inline constexpr unsigned char kRleEndOfBitmap = 1;
inline constexpr unsigned char kRleDelta = 2;

// A picture larger than this is refused rather than decoded: these files are splash pictures and logos,
// and a hostile header must not make the console allocate gigabytes.
inline constexpr int32_t kMaxDimension = 16384;
inline constexpr uint64_t kMaxPixelCount = uint64_t { 1 } << 24;
} // namespace bitmaplayout

// What the headers of a bitmap file say, and where its colour table and pixels are.
struct BitmapHeaders {
    uint32_t infoHeaderSize = 0;
    int32_t width = 0;
    int32_t height = 0; // rows; the file stores them bottom-up unless topDown
    bool topDown = false;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    size_t colorTableOffset = 0; // from the start of the file
    size_t colorTableEntries = 0;
    size_t pixelOffset = 0; // from the start of the file
    size_t rowStride = 0; // bytes per stored row, padding included; unused when run-length compressed

    bool IsRunLength() const
    {
        return compression == bitmaplayout::kCompressionRle8 || compression == bitmaplayout::kCompressionRle4;
    }
};

// A decoded picture: rows from the top, each pixel 0xAARRGGBB, always opaque.
struct DecodedBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Reads and checks the headers of a whole bitmap file. Nothing if the file is not one this reader
// takes: shorter than its headers, not "BM", an unknown header size or pixel format, a colour table or
// pixel rows that would reach past the end of the file, or a picture over the size limits.
std::optional<BitmapHeaders> ParseBitmapHeaders(std::span<const unsigned char> file);

// Decodes a whole bitmap file; nothing where ParseBitmapHeaders refuses it.
std::optional<DecodedBitmap> DecodeBitmap(std::span<const unsigned char> file);

} // namespace custodia
