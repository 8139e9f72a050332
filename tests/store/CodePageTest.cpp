#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace custodia {
namespace {

TEST(CodePageTest, TextRoundTripsThroughTheStoredBytes)
{
    const std::string utf8 = "J\xc3\xbcrgen M\xc3\xbcller \xe2\x82\xac";
    const StorableText stored = Utf8ToStored(utf8);
    ASSERT_TRUE(stored.IsStorable()) << stored.refused;
    EXPECT_EQ(stored.bytes, "J\xfcrgen M\xfcller \x80");
    EXPECT_EQ(StoredToUtf8(stored.bytes), utf8);
}

// Whatever another program or an older version stored comes back byte for byte when it is stored again,
// the five bytes the code page leaves undefined included.
TEST(CodePageTest, EveryStoredByteRoundTrips)
{
    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all += static_cast<char>(byte);
    const StorableText again = Utf8ToStored(StoredToUtf8(all));
    ASSERT_TRUE(again.IsStorable()) << again.refused;
    EXPECT_EQ(again.bytes, all);
    // UTF-8 written before reads as its bytes.
    EXPECT_EQ(StoredToUtf8("\xc3\xbc"), "\xc3\x83\xc2\xbc");
}

struct RefusalCase {
    const char* name;
    std::string utf8;
    std::string refused;
};

class CodePageRefusalTest : public ::testing::TestWithParam<RefusalCase> { };

TEST_P(CodePageRefusalTest, IsNamedNeverReplaced)
{
    const StorableText stored = Utf8ToStored(GetParam().utf8);
    EXPECT_FALSE(stored.IsStorable());
    EXPECT_EQ(stored.refused, GetParam().refused);
}

INSTANTIATE_TEST_SUITE_P(Characters, CodePageRefusalTest,
    ::testing::Values(RefusalCase { "GreekOmega", "x\xce\xa9y", "'\xce\xa9' (U+03A9)" },
        RefusalCase { "Emoji", "\xf0\x9f\x98\x80", "'\xf0\x9f\x98\x80' (U+1F600)" },
        RefusalCase { "NotUtf8", "ab\xff", "the byte 0xFF, which is not UTF-8" },
        RefusalCase { "CutSequence", "ab\xc3", "the byte 0xC3, which is not UTF-8" },
        RefusalCase { "Overlong", "\xc0\xaf", "the byte 0xC0, which is not UTF-8" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodePageTest, Utf8IsRecognisedInStoredBytes)
{
    EXPECT_TRUE(LooksLikeUtf8("J\xc3\xbcrgen"));
    EXPECT_FALSE(LooksLikeUtf8("J\xfcrgen"));
    EXPECT_FALSE(LooksLikeUtf8("plain"));
}

} // namespace
} // namespace custodia
