#include "app/WordText.h"

#include <gtest/gtest.h>

namespace custodia::test {
namespace {

// What the supervisor types is stored in the suite's code page and shown again unchanged.
TEST(WordTextTest, StoredTextsRoundTripAndARefusedCharacterIsNamed)
{
    const QString typed = QString::fromUtf8("J\xc3\xbcrgen M\xc3\xbcller \xe2\x82\xac");
    QString refused;
    const auto stored = ToStoredText(typed, &refused);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, "J\xfcrgen M\xfcller \x80");
    EXPECT_EQ(StoredText(*stored), typed);
    EXPECT_TRUE(refused.isEmpty());

    EXPECT_FALSE(ToStoredText(QString::fromUtf8("\xce\xa9mega"), &refused));
    EXPECT_EQ(refused, QString::fromUtf8("'\xce\xa9' (U+03A9)"));
}

// Paths are the platform's own bytes, not the suite's code page.
TEST(WordTextTest, PathsKeepThePlatformsBytes)
{
    const std::string path = "/srv/J\xc3\xbcrgen";
    EXPECT_EQ(ToPath(PathText(path)), path);
}

} // namespace
} // namespace custodia::test
