#include "parsers/BitmapFile.h"
#include "parsers/BitmapDecoder.h"
#include "platform/Endian.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace custodia {
namespace {

using namespace bitmaplayout;
using test::ReadBytes;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteBytes;
using Bytes = std::vector<unsigned char>;

// The fixtures were written by ImageMagick (tests/parsers/data/make-bitmaps.sh) from pictures whose
// pixels follow these formulas; the script holds the same ones.
struct Rgb {
    unsigned r, g, b;
};
uint32_t Argb(Rgb c)
{
    return 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b;
}

Rgb TwoColours(unsigned x, unsigned y)
{
    return ((x / 3 + y / 3) % 2) ? Rgb { 255, 255, 255 } : Rgb { 0, 0, 64 };
}
Rgb TwelveColours(unsigned x, unsigned y)
{
    const unsigned i = (x + 2 * y) % 12;
    return { i * 20, 255 - i * 15, i * i };
}
Rgb FortyColours(unsigned x, unsigned y)
{
    const unsigned i = (x * 5 + y) % 40;
    return { i * 6, i * 3 + 10, 250 - i * 5 };
}
Rgb ManyColours(unsigned x, unsigned y)
{
    return { x * 30, y * 40, (x * y * 7 + 5) % 256 };
}

std::string Fixture(const std::string& name)
{
    return (std::filesystem::path(CUSTODIA_SOURCE_DIR) / "tests/parsers/data" / name).string();
}

uint32_t InfoField32(const Bytes& file, size_t offset)
{
    return ReadUint32LE(file.data() + kFileHeaderSize + offset);
}
void SetInfoField32(Bytes& file, size_t offset, uint32_t value)
{
    WriteUint32LE(file.data() + kFileHeaderSize + offset, value);
}
void SetInfoField16(Bytes& file, size_t offset, uint16_t value)
{
    WriteUint16LE(file.data() + kFileHeaderSize + offset, value);
}

struct WrittenBitmap {
    const char* file;
    int width;
    int height;
    uint16_t bitsPerPixel;
    uint32_t compression;
    uint32_t infoHeaderSize;
    Rgb (*formula)(unsigned, unsigned);
};

const WrittenBitmap kWrittenBitmaps[] = {
    { "bits1.bmp", 13, 5, 1, kCompressionNone, kInfoHeaderSize, TwoColours },
    { "bits4.bmp", 7, 5, 4, kCompressionNone, kInfoHeaderSize, TwelveColours },
    { "bits8.bmp", 9, 6, 8, kCompressionNone, kInfoHeaderSize, FortyColours },
    { "bits8rle.bmp", 9, 6, 8, kCompressionRle8, kInfoHeaderSize, FortyColours },
    { "bits24.bmp", 7, 5, 24, kCompressionNone, kInfoHeaderSize, ManyColours },
    { "bits24v5.bmp", 7, 5, 24, kCompressionNone, kInfoHeaderV5Size, ManyColours },
    { "bits32v5.bmp", 7, 5, 32, kCompressionBitFields, kInfoHeaderV5Size, ManyColours },
};

void ExpectPixels(const DecodedBitmap& bitmap, const WrittenBitmap& written, bool flipped = false)
{
    ASSERT_EQ(bitmap.width, written.width);
    ASSERT_EQ(bitmap.height, written.height);
    ASSERT_EQ(bitmap.pixels.size(), size_t(written.width) * size_t(written.height));
    for (int y = 0; y < written.height; ++y) {
        const int sourceRow = flipped ? written.height - 1 - y : y;
        for (int x = 0; x < written.width; ++x)
            ASSERT_EQ(bitmap.pixels[size_t(y) * size_t(written.width) + size_t(x)],
                Argb(written.formula(unsigned(x), unsigned(sourceRow))))
                << "pixel " << x << "," << y;
    }
}

class WrittenBitmapTest : public ::testing::TestWithParam<WrittenBitmap> { };

TEST_P(WrittenBitmapTest, LoadsEveryPixelAsWritten)
{
    const WrittenBitmap& written = GetParam();
    BitmapFile bitmap;
    ASSERT_TRUE(bitmap.LoadBitmapFile(Fixture(written.file)));
    ExpectPixels(bitmap.GetBitmap(), written);
}

// The pixels are found by the colour-table rule, not through the file header's offset field; for files
// another writer made, the two must agree.
TEST_P(WrittenBitmapTest, PixelOffsetRuleAgreesWithTheWriter)
{
    const WrittenBitmap& written = GetParam();
    const Bytes file = ReadBytes(Fixture(written.file));
    const auto headers = ParseBitmapHeaders(file);
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers->bitsPerPixel, written.bitsPerPixel);
    EXPECT_EQ(headers->compression, written.compression);
    EXPECT_EQ(headers->infoHeaderSize, written.infoHeaderSize);
    EXPECT_EQ(headers->pixelOffset, ReadUint32LE(file.data() + kPixelOffsetOffset));
}

// Whatever the cut, a file shorter than its own pixels is refused, never read past its end.
TEST_P(WrittenBitmapTest, EveryTruncationIsRefusedOrStaysInsideTheFile)
{
    const WrittenBitmap& written = GetParam();
    const Bytes file = ReadBytes(Fixture(written.file));
    for (size_t length = 0; length < file.size(); ++length) {
        const Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(length));
        const auto bitmap = DecodeBitmap(cut);
        if (written.compression == kCompressionRle8) {
            // Runs are read while they last; the pixels the lost codes held stay at index 0.
            const bool headersWhole = length >= kFileHeaderSize + kInfoHeaderSize + 256 * kColorEntrySize;
            EXPECT_EQ(bitmap.has_value(), headersWhole) << "length " << length;
        } else {
            EXPECT_FALSE(bitmap) << "length " << length;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, WrittenBitmapTest, ::testing::ValuesIn(kWrittenBitmaps), [](const auto& info) {
    std::string name = info.param.file;
    return name.substr(0, name.find('.'));
});

TEST(BitmapDecoder, ColoursUsedZeroMeansTheFullPaletteBeforeThePixels)
{
    Bytes file = ReadBytes(Fixture("bits8.bmp"));
    ASSERT_EQ(InfoField32(file, kColorsUsedOffset), 256u);
    SetInfoField32(file, kColorsUsedOffset, 0);
    const auto headers = ParseBitmapHeaders(file);
    ASSERT_TRUE(headers);
    EXPECT_EQ(headers->pixelOffset, kFileHeaderSize + kInfoHeaderSize + 1024);
    ExpectPixels(*DecodeBitmap(file), kWrittenBitmaps[2]);

    const auto trueColour = ParseBitmapHeaders(ReadBytes(Fixture("bits24.bmp")));
    ASSERT_TRUE(trueColour);
    EXPECT_EQ(trueColour->pixelOffset, kFileHeaderSize + kInfoHeaderSize);
}

TEST(BitmapDecoder, NegativeHeightStoresRowsTopDown)
{
    Bytes file = ReadBytes(Fixture("bits24.bmp"));
    SetInfoField32(file, kHeightOffset, static_cast<uint32_t>(-5));
    const auto bitmap = DecodeBitmap(file);
    ASSERT_TRUE(bitmap);
    ExpectPixels(*bitmap, kWrittenBitmaps[4], true);
}

// Hand-made files for what no writer produces: an 8-bit or 4-bit picture with a chosen palette and
// chosen pixel bytes, laid out by the field offsets.
Bytes MakeBitmap(int32_t width, int32_t height, uint16_t bitsPerPixel, uint32_t compression,
    const std::vector<uint32_t>& palette, const Bytes& pixels)
{
    Bytes file(kFileHeaderSize + kInfoHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    WriteUint32LE(file.data() + kPixelOffsetOffset,
        uint32_t(kFileHeaderSize + kInfoHeaderSize + palette.size() * kColorEntrySize));
    SetInfoField32(file, kInfoSizeOffset, kInfoHeaderSize);
    SetInfoField32(file, kWidthOffset, static_cast<uint32_t>(width));
    SetInfoField32(file, kHeightOffset, static_cast<uint32_t>(height));
    SetInfoField16(file, kPlanesOffset, 1);
    SetInfoField16(file, kBitsPerPixelOffset, bitsPerPixel);
    SetInfoField32(file, kCompressionOffset, compression);
    SetInfoField32(file, kColorsUsedOffset, uint32_t(palette.size()));
    for (uint32_t colour : palette) {
        file.resize(file.size() + kColorEntrySize);
        WriteUint32LE(file.data() + file.size() - kColorEntrySize, colour & 0xFFFFFF);
    }
    file.insert(file.end(), pixels.begin(), pixels.end());
    WriteUint32LE(file.data() + kFileSizeOffset, uint32_t(file.size()));
    return file;
}

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kBlack = 0xFF000000u;

TEST(BitmapDecoder, IndexPastAShortColourTableIsBlack)
{
    // Two colours listed, one pixel asking for colour 200: 4 pixels of one row, padded to 4 bytes.
    const auto bitmap = DecodeBitmap(MakeBitmap(4, 1, 8, kCompressionNone, { kRed, kGreen }, { 0, 1, 200, 1 }));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->pixels, (std::vector<uint32_t> { kRed, kGreen, kBlack, kGreen }));
}

TEST(BitmapDecoder, RunLengthCodesStayInsideThePicture)
{
    const std::vector<uint32_t> palette { kBlack, kRed, kGreen, kBlue };
    struct Case {
        const char* what;
        uint32_t compression;
        Bytes codes;
        std::vector<uint32_t> pixels; // 3 wide, 2 high, top row first
    };
    const Case cases[] = {
        { "runs, end of line, end of bitmap", kCompressionRle8, { 2, 1, 1, 2, 0, 0, 3, 3, 0, 1 },
            { kBlue, kBlue, kBlue, kRed, kRed, kGreen } },
        { "a run longer than the row is cut at its edge", kCompressionRle8, { 200, 2, 0, 1 },
            { kBlack, kBlack, kBlack, kGreen, kGreen, kGreen } },
        { "absolute mode, padded to an even count", kCompressionRle8, { 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 0, 1 },
            { kRed, kRed, kBlack, kRed, kGreen, kBlue } },
        { "absolute mode running past the end of the file", kCompressionRle8, { 1, 3, 0, 200, 1, 2 },
            { kBlack, kBlack, kBlack, kBlue, kBlack, kBlack } },
        { "a delta past the picture ends it", kCompressionRle8, { 1, 1, 0, 2, 250, 250, 1, 2 },
            { kBlack, kBlack, kBlack, kRed, kBlack, kBlack } },
        { "a delta cut off by the end of the file", kCompressionRle8, { 1, 1, 0, 2, 1 },
            { kBlack, kBlack, kBlack, kRed, kBlack, kBlack } },
        { "four-bit runs alternate two colours", kCompressionRle4, { 3, 0x12, 0, 0, 2, 0x33 },
            { kBlue, kBlue, kBlack, kRed, kGreen, kRed } },
        { "four-bit absolute mode", kCompressionRle4, { 0, 3, 0x31, 0x20, 0, 1 },
            { kBlack, kBlack, kBlack, kBlue, kRed, kGreen } },
    };
    for (const Case& c : cases) {
        const uint16_t bits = c.compression == kCompressionRle4 ? 4 : 8;
        const auto bitmap = DecodeBitmap(MakeBitmap(3, 2, bits, c.compression, palette, c.codes));
        ASSERT_TRUE(bitmap) << c.what;
        EXPECT_EQ(bitmap->pixels, c.pixels) << c.what;
    }
}

// Damaged and hostile headers, each made from a sound 8-bit file by one change.
TEST(BitmapDecoder, RefusesDamagedHeaders)
{
    const Bytes good = ReadBytes(Fixture("bits8.bmp"));
    ASSERT_TRUE(DecodeBitmap(good));
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
    };
    const Case cases[] = {
        { "not BM", [](Bytes& f) { f[1] = 'A'; } },
        { "lower-case bm", [](Bytes& f) { f[0] = 'b', f[1] = 'm'; } },
        { "12-byte core header", [](Bytes& f) { SetInfoField32(f, kInfoSizeOffset, 12); } },
        { "header size unknown", [](Bytes& f) { SetInfoField32(f, kInfoSizeOffset, 64); } },
        { "header size past the file", [](Bytes& f) { SetInfoField32(f, kInfoSizeOffset, 0xFFFFFFFF); } },
        { "zero width", [](Bytes& f) { SetInfoField32(f, kWidthOffset, 0); } },
        { "negative width", [](Bytes& f) { SetInfoField32(f, kWidthOffset, static_cast<uint32_t>(-9)); } },
        { "zero height", [](Bytes& f) { SetInfoField32(f, kHeightOffset, 0); } },
        { "most negative height",
            [](Bytes& f) {
                SetInfoField32(f, kHeightOffset, static_cast<uint32_t>(std::numeric_limits<int32_t>::min()));
            } },
        { "width too large", [](Bytes& f) { SetInfoField32(f, kWidthOffset, 0x7FFFFFFF); } },
        { "rows past the file", [](Bytes& f) { SetInfoField32(f, kHeightOffset, 7); } },
        { "pixel count over the limit",
            [](Bytes& f) {
                SetInfoField32(f, kWidthOffset, 16384);
                SetInfoField32(f, kHeightOffset, 16384);
            } },
        { "zero bits per pixel", [](Bytes& f) { SetInfoField16(f, kBitsPerPixelOffset, 0); } },
        { "seven bits per pixel", [](Bytes& f) { SetInfoField16(f, kBitsPerPixelOffset, 7); } },
        { "64 bits per pixel", [](Bytes& f) { SetInfoField16(f, kBitsPerPixelOffset, 64); } },
        { "unknown compression", [](Bytes& f) { SetInfoField32(f, kCompressionOffset, 4); } },
        { "bit fields on 8 bits", [](Bytes& f) { SetInfoField32(f, kCompressionOffset, kCompressionBitFields); } },
        { "four-bit runs on 8 bits", [](Bytes& f) { SetInfoField32(f, kCompressionOffset, kCompressionRle4); } },
        { "compressed top-down",
            [](Bytes& f) {
                SetInfoField32(f, kCompressionOffset, kCompressionRle8);
                SetInfoField32(f, kHeightOffset, static_cast<uint32_t>(-6));
            } },
        { "colour table past the file", [](Bytes& f) { SetInfoField32(f, kColorsUsedOffset, 0xFFFFFFFF); } },
        { "colour table whose size overflows 32 bits",
            [](Bytes& f) { SetInfoField32(f, kColorsUsedOffset, 0x40000001); } },
        { "shorter than the 40-byte header", [](Bytes& f) { f.resize(kFileHeaderSize + kInfoHeaderSize - 1); } },
    };
    for (const Case& c : cases) {
        Bytes file = good;
        c.damage(file);
        EXPECT_FALSE(DecodeBitmap(file)) << c.what;
    }
}

TEST(BitmapDecoder, BitFieldMasksOfAFortyByteHeaderFollowIt)
{
    // 16 bits per pixel, masks 5-6-5 as the first three table entries; one pixel of full red, one of
    // full green, one of half blue.
    Bytes file = MakeBitmap(
        3, 1, 16, kCompressionBitFields, { 0xF800, 0x07E0, 0x001F }, { 0x00, 0xF8, 0xE0, 0x07, 0x10, 0x00, 0, 0 });
    SetInfoField32(file, kColorsUsedOffset, 0); // the masks are counted without it
    const auto bitmap = DecodeBitmap(file);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->pixels, (std::vector<uint32_t> { kRed, kGreen, 0xFF000000u | (0x10 * 255 / 31) }));
}

TEST(BitmapFile, KeepsThePathInItsParts)
{
    TempDir dir;
    BitmapFile bitmap;
    EXPECT_FALSE(bitmap.LoadBitmapFile(dir.file("pictures.d/splash.bmp")));
    EXPECT_EQ(bitmap.GetPathName(), dir.file("pictures.d/splash.bmp"));
    EXPECT_EQ(bitmap.GetFolder(), dir.file("pictures.d"));
    EXPECT_EQ(bitmap.GetFileName(), "splash.bmp");

    EXPECT_FALSE(bitmap.LoadBitmapFile("splash.bmp"));
    EXPECT_EQ(bitmap.GetFolder(), "");
    EXPECT_EQ(bitmap.GetFileName(), "splash.bmp");
}

TEST(BitmapFile, ABareNameIsReadFromTheCurrentDirectory)
{
    TempDir dir;
    WriteBytes(dir.file("splash.bmp"), ReadBytes(Fixture("bits4.bmp")));
    ScopedCurrentDirectory cwd(dir.path());
    BitmapFile bitmap;
    ASSERT_TRUE(bitmap.LoadBitmapFile("splash.bmp"));
    ExpectPixels(bitmap.GetBitmap(), kWrittenBitmaps[1]);
}

TEST(BitmapFile, AFailedLoadLeavesNoPicture)
{
    TempDir dir;
    BitmapFile bitmap;
    ASSERT_TRUE(bitmap.LoadBitmapFile(Fixture("bits1.bmp")));

    const std::vector<std::pair<const char*, Bytes>> files {
        { "empty", {} },
        { "shorter than the file header", { 'B', 'M', 0, 0, 0 } },
        { "text", Bytes { 'h', 'e', 'l', 'l', 'o', '\n' } },
    };
    for (const auto& [what, bytes] : files) {
        WriteBytes(dir.file("picture.bmp"), bytes);
        EXPECT_FALSE(bitmap.LoadBitmapFile(dir.file("picture.bmp"))) << what;
        EXPECT_FALSE(bitmap.HasBitmap()) << what;
    }
    EXPECT_FALSE(bitmap.LoadBitmapFile(dir.path())) << "a folder";
    EXPECT_FALSE(bitmap.LoadBitmapFile(dir.file("missing.bmp"))) << "missing";
    EXPECT_FALSE(bitmap.HasBitmap());
}

} // namespace
} // namespace custodia
