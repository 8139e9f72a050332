#include "ui/WordText.h"
#include "app/MainWindowFixture.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "ui/FileCauseText.h"
#include "words/WordTable.h"

#include <gtest/gtest.h>

#include <cerrno>

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
    const NativePath path("/srv/J\xc3\xbcrgen");
    EXPECT_EQ(ToPath(PathText(path)), path);
    EXPECT_EQ(PathText(path), QString::fromUtf8("/srv/J\xc3\xbcrgen"));
}

// Causes of file errors come from the word files, so that a translation covers them; the message that
// the word files could not be read still names its cause in the file layer's plain words.
TEST(WordTextTest, FileCausesAreWordsWithThePlainTextsAsFallback)
{
    const auto installed = LoadInstalledWords();
    WordTable& translated = *installed;
    translated.StoreWord(
        "von einem anderen Programm belegt", WordNumber(Word::FirstFileCause) + kCauseSharingViolation);
    translated.StoreWord("keine gew\xf6hnliche Datei (%1)", WordNumber(Word::NotRegularFileCause));
    EXPECT_EQ(FileCauseText(translated, kCauseSharingViolation), QString("von einem anderen Programm belegt"));
    const OpenError pipe { kCauseInvalidFile, 0, OpenError::Refusal::NotRegularFile, "a named pipe (FIFO)" };
    EXPECT_EQ(
        OpenErrorText(translated, pipe), QString::fromUtf8("keine gew\xc3\xb6hnliche Datei (a named pipe (FIFO))"));

    const WordTable none;
    EXPECT_EQ(FileCauseText(none, kCauseDiskFull), QString("disk full"));
    EXPECT_EQ(FileCauseText(none, 99), QString("unknown file error"));
    EXPECT_EQ(OpenErrorText(none, pipe), QString::fromStdString(DescribeOpenError(pipe)));
    EXPECT_EQ(OpenErrorText(none, OpenError { kCauseAccessDenied, EROFS, OpenError::Refusal::None, {} }),
        QString("read-only file system"));
}

} // namespace
} // namespace custodia::test
