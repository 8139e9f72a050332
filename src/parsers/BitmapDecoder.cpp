#include "parsers/BitmapDecoder.h"

#include "platform/Endian.h"

#include <bit>
#include <limits>

namespace custodia {

namespace {

using namespace bitmaplayout;

constexpr uint32_t kOpaque = 0xFF000000u;

bool IsKnownInfoHeaderSize(uint32_t size)
{
    return size == kInfoHeaderSize || size == kInfoHeaderV2Size || size == kInfoHeaderV3Size
        || size == kInfoHeaderV4Size || size == kInfoHeaderV5Size;
}

bool IsKnownFormat(uint16_t bitsPerPixel, uint32_t compression)
{
    switch (bitsPerPixel) {
    case 1:
    case 24:
        return compression == kCompressionNone;
    case 4:
        return compression == kCompressionNone || compression == kCompressionRle4;
    case 8:
        return compression == kCompressionNone || compression == kCompressionRle8;
    case 16:
    case 32:
        return compression == kCompressionNone || compression == kCompressionBitFields;
    default:
        return false;
    }
}

// The colour table's entries: for up to 8 bits per pixel the colours-used count, or the full palette
// when it is 0; above that the colours-used count, plus the three masks when a 40-byte header has bit
// fields (the larger headers carry the masks inside themselves).
uint64_t ColorTableEntries(const BitmapHeaders& headers)
{
    if (headers.bitsPerPixel <= 8)
        return headers.colorsUsed != 0 ? headers.colorsUsed : uint64_t { 1 } << headers.bitsPerPixel;
    uint64_t entries = headers.colorsUsed;
    if (headers.compression == kCompressionBitFields && headers.infoHeaderSize < kInfoHeaderV2Size)
        entries += kBitFieldMaskCount;
    return entries;
}

struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t maximum = 0; // the largest value of the channel after the shift

    explicit ChannelMask(uint32_t bits)
        : mask(bits)
    {
        if (bits == 0)
            return;
        shift = std::countr_zero(bits);
        maximum = bits >> shift;
    }

    uint32_t Extract(uint32_t value) const
    {
        if (maximum == 0)
            return 0;
        const uint64_t channel = (value & mask) >> shift;
        return static_cast<uint32_t>(channel * 255 / maximum);
    }
};

struct ColorMasks {
    ChannelMask red;
    ChannelMask green;
    ChannelMask blue;

    uint32_t ToArgb(uint32_t value) const
    {
        return kOpaque | (red.Extract(value) << 16) | (green.Extract(value) << 8) | blue.Extract(value);
    }
};

ColorMasks MasksOf(std::span<const unsigned char> file, const BitmapHeaders& headers)
{
    if (headers.compression != kCompressionBitFields) {
        if (headers.bitsPerPixel == 16)
            return { ChannelMask(0x7C00), ChannelMask(0x03E0), ChannelMask(0x001F) };
        return { ChannelMask(0xFF0000), ChannelMask(0xFF00), ChannelMask(0xFF) };
    }
    // The masks follow the 40-byte header's fields, inside a larger header or as the first three table
    // entries of a 40-byte one: the same place in the file either way.
    const unsigned char* info = file.data() + kFileHeaderSize;
    return { ChannelMask(ReadUint32LE(info + kRedMaskOffset)), ChannelMask(ReadUint32LE(info + kGreenMaskOffset)),
        ChannelMask(ReadUint32LE(info + kBlueMaskOffset)) };
}

std::vector<uint32_t> ReadPalette(std::span<const unsigned char> file, const BitmapHeaders& headers)
{
    std::vector<uint32_t> palette;
    if (headers.bitsPerPixel > 8)
        return palette;
    palette.reserve(headers.colorTableEntries);
    for (size_t i = 0; i < headers.colorTableEntries; ++i) {
        const unsigned char* entry = file.data() + headers.colorTableOffset + i * kColorEntrySize;
        palette.push_back(kOpaque | (uint32_t { entry[2] } << 16) | (uint32_t { entry[1] } << 8) | entry[0]);
    }
    return palette;
}

uint32_t PaletteIndex(const unsigned char* row, int x, uint16_t bitsPerPixel)
{
    const size_t bit = static_cast<size_t>(x) * bitsPerPixel;
    const unsigned byte = row[bit / 8];
    const unsigned shift = 8 - bitsPerPixel - bit % 8; // the leftmost pixel sits in the high bits
    return (byte >> shift) & ((1u << bitsPerPixel) - 1);
}

void DecodeRow(const unsigned char* row, const BitmapHeaders& headers, const std::vector<uint32_t>& palette,
    const ColorMasks& masks, uint32_t* out)
{
    for (int x = 0; x < headers.width; ++x) {
        switch (headers.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
            // An index past a short table cannot come from a sound file; black, not a read past the table.
            const uint32_t index = PaletteIndex(row, x, headers.bitsPerPixel);
            out[x] = index < palette.size() ? palette[index] : kOpaque;
            break;
        }
        case 16:
            out[x] = masks.ToArgb(ReadUint16LE(row + 2 * static_cast<size_t>(x)));
            break;
        case 24: {
            const unsigned char* p = row + 3 * static_cast<size_t>(x);
            out[x] = kOpaque | (uint32_t { p[2] } << 16) | (uint32_t { p[1] } << 8) | p[0];
            break;
        }
        case 32:
            out[x] = masks.ToArgb(ReadUint32LE(row + 4 * static_cast<size_t>(x)));
            break;
        }
    }
}

// Expands run-length compressed pixels into one palette index per pixel, rows from the bottom as
// stored. Runs and deltas that reach past the picture are cut at its edge, and the data ends at the end
// of the file whatever the codes say; pixels no code reaches keep index 0.
std::vector<unsigned char> ExpandRunLength(std::span<const unsigned char> data, const BitmapHeaders& headers)
{
    const size_t width = size_t(headers.width);
    const size_t height = size_t(headers.height);
    const bool fourBits = headers.compression == kCompressionRle4;
    std::vector<unsigned char> indices(width * height, 0);
    size_t x = 0;
    size_t y = 0;
    size_t at = 0;
    auto put = [&](unsigned char index) {
        if (x < width && y < height)
            indices[y * width + x] = index;
        ++x;
    };
    auto nibbleOrByte = [fourBits](unsigned char value, size_t i) -> unsigned char {
        if (!fourBits)
            return value;
        return (i % 2 == 0) ? static_cast<unsigned char>(value >> 4) : static_cast<unsigned char>(value & 0x0F);
    };
    while (at + 2 <= data.size() && y < height) {
        const unsigned char count = data[at];
        const unsigned char code = data[at + 1];
        at += 2;
        if (count > 0) {
            for (size_t i = 0; i < count && x < width; ++i)
                put(nibbleOrByte(code, i));
            continue;
        }
        if (code == kRleEndOfLine) {
            x = 0;
            ++y;
        } else if (code == kRleEndOfBitmap) {
            break;
        } else if (code == kRleDelta) {
            if (at + 2 > data.size())
                break;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            // Absolute mode: `code` pixels given one by one, their bytes padded to an even count.
            const size_t bytes = fourBits ? (code + 1u) / 2 : code;
            if (bytes > data.size() - at)
                break;
            for (size_t i = 0; i < code; ++i)
                put(nibbleOrByte(data[at + (fourBits ? i / 2 : i)], i));
            at += bytes + bytes % 2;
        }
    }
    return indices;
}

void DecodeRunLength(std::span<const unsigned char> file, const BitmapHeaders& headers,
    const std::vector<uint32_t>& palette, DecodedBitmap& bitmap)
{
    const std::vector<unsigned char> indices = ExpandRunLength(file.subspan(headers.pixelOffset), headers);
    const size_t width = size_t(headers.width);
    for (size_t y = 0; y < size_t(headers.height); ++y) {
        const size_t storedRow = size_t(headers.height) - 1 - y;
        for (size_t x = 0; x < width; ++x) {
            const unsigned char index = indices[storedRow * width + x];
            bitmap.pixels[y * width + x] = index < palette.size() ? palette[index] : kOpaque;
        }
    }
}

} // namespace

std::optional<BitmapHeaders> ParseBitmapHeaders(std::span<const unsigned char> file)
{
    if (file.size() < kFileHeaderSize + kInfoHeaderSize)
        return std::nullopt;
    if (file[0] != kSignature[0] || file[1] != kSignature[1])
        return std::nullopt;
    const unsigned char* info = file.data() + kFileHeaderSize;
    BitmapHeaders headers;
    headers.infoHeaderSize = ReadUint32LE(info + kInfoSizeOffset);
    if (!IsKnownInfoHeaderSize(headers.infoHeaderSize) || file.size() < kFileHeaderSize + headers.infoHeaderSize)
        return std::nullopt;

    headers.width = ReadInt32LE(info + kWidthOffset);
    const int32_t storedHeight = ReadInt32LE(info + kHeightOffset);
    headers.bitsPerPixel = ReadUint16LE(info + kBitsPerPixelOffset);
    headers.compression = ReadUint32LE(info + kCompressionOffset);
    headers.colorsUsed = ReadUint32LE(info + kColorsUsedOffset);
    if (!IsKnownFormat(headers.bitsPerPixel, headers.compression))
        return std::nullopt;
    // A negative height means rows stored top-down; the most negative value has no positive twin.
    if (headers.width <= 0 || storedHeight == 0 || storedHeight == std::numeric_limits<int32_t>::min())
        return std::nullopt;
    headers.topDown = storedHeight < 0;
    if (headers.topDown && headers.IsRunLength())
        return std::nullopt; // compressed pixels are only ever stored bottom-up
    headers.height = headers.topDown ? -storedHeight : storedHeight;
    if (headers.width > kMaxDimension || headers.height > kMaxDimension
        || uint64_t(headers.width) * uint64_t(headers.height) > kMaxPixelCount)
        return std::nullopt;

    headers.colorTableOffset = kFileHeaderSize + headers.infoHeaderSize;
    const uint64_t entries = ColorTableEntries(headers);
    const uint64_t available = file.size() - headers.colorTableOffset;
    if (entries > available / kColorEntrySize)
        return std::nullopt;
    headers.colorTableEntries = static_cast<size_t>(entries);
    // The pixels start where the colour table ends; the file header's offset field is not consulted, so
    // the pictures installed for the suite read the same here as everywhere else.
    headers.pixelOffset = headers.colorTableOffset + headers.colorTableEntries * kColorEntrySize;

    if (headers.IsRunLength())
        return headers; // how far the runs reach is found while decoding them
    headers.rowStride = static_cast<size_t>((uint64_t(headers.width) * headers.bitsPerPixel + 31) / 32 * 4);
    const uint64_t pixelBytes = uint64_t(headers.rowStride) * uint64_t(headers.height);
    if (pixelBytes > file.size() - headers.pixelOffset)
        return std::nullopt;
    return headers;
}

std::optional<DecodedBitmap> DecodeBitmap(std::span<const unsigned char> file)
{
    const std::optional<BitmapHeaders> headers = ParseBitmapHeaders(file);
    if (!headers)
        return std::nullopt;
    const std::vector<uint32_t> palette = ReadPalette(file, *headers);
    const ColorMasks masks = MasksOf(file, *headers);

    DecodedBitmap bitmap;
    bitmap.width = headers->width;
    bitmap.height = headers->height;
    bitmap.pixels.resize(size_t(headers->width) * size_t(headers->height));
    if (headers->IsRunLength()) {
        DecodeRunLength(file, *headers, palette, bitmap);
        return bitmap;
    }
    for (int y = 0; y < headers->height; ++y) {
        const int storedRow = headers->topDown ? y : headers->height - 1 - y;
        const unsigned char* row = file.data() + headers->pixelOffset + size_t(storedRow) * headers->rowStride;
        DecodeRow(row, *headers, palette, masks, bitmap.pixels.data() + size_t(y) * size_t(headers->width));
    }
    return bitmap;
}

} // namespace custodia
