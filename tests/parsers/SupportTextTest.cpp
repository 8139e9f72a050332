#include "parsers/SupportText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace custodia {
namespace {

using supporttext::kMaxPieceLength;
using supporttext::kMaxText;
using test::ReadText;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteText;

std::string Line(size_t length, char c = 'x')
{
    return std::string(length, c);
}

struct SupportCase {
    const char* name;
    std::string file;
    std::string text;
};

const SupportCase kSupportCases[] = {
    { "ThreeOneLetterLines", "a\nb\nc\n", "a\r\nb\r\nc\r\n" },
    { "WindowsLineEnds", "a\r\nb\r\nc\r\n", "a\r\nb\r\nc\r\n" },
    { "NoFinalLineEnd", "a\nb\nc", "a\r\nb\r\nc\r\n" },
    { "EmptyFile", "", "" },
    { "BlankLines", "\n\r\n", "\r\n\r\n" },
    // A stray carriage return ends its piece; the rest of that piece is dropped.
    { "StrayCarriageReturn", "ab\rcd\nef\n", "ab\r\nef\r\n" },
    { "ZeroByte", std::string("ab\0cd\nef", 8), "ab\r\nef\r\n" },
    { "LineOfExactlyOneRead", Line(kMaxPieceLength) + "\nz", Line(kMaxPieceLength) + "\r\nz\r\n" },
    { "LongLineInReads", Line(kMaxPieceLength * 2 + 7) + "\n",
        Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n" + Line(7) + "\r\n" },
    // A character is not cut in two at the end of a read.
    { "Utf8AtTheEndOfARead", Line(kMaxPieceLength - 1) + "\xC3\xA4\n", Line(kMaxPieceLength - 1) + "\r\n\xC3\xA4\r\n" },
    // Seven full reads take 7 * 255 bytes; a last line of 212 fills the 1999 bytes exactly.
    { "FillsTheRoomExactly", Line(kMaxPieceLength * 7) + "\n" + Line(212, 'y') + "\n",
        Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n"
            + Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n"
            + Line(kMaxPieceLength) + "\r\n" + Line(212, 'y') + "\r\n" },
    // One byte more and the last line is left out, with everything after it.
    { "LineThatDoesNotFitEndsTheText", Line(kMaxPieceLength * 7) + "\n" + Line(213, 'y') + "\nz\n",
        Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n"
            + Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n" + Line(kMaxPieceLength) + "\r\n"
            + Line(kMaxPieceLength) + "\r\n" },
};

class SupportTextTest : public ::testing::TestWithParam<SupportCase> {
protected:
    TempDir m_folder;
    ScopedCurrentDirectory m_current { m_folder.path() };
};

TEST_P(SupportTextTest, ReadsWholeLinesWithWindowsLineEnds)
{
    WriteText(m_folder.file(supporttext::kFileName), GetParam().file);
    const std::string text = ReadSupportText();
    EXPECT_EQ(text, GetParam().text);
    EXPECT_LE(text.size(), kMaxText);
}

TEST_P(SupportTextTest, BytesInMemoryReadAsTheFileDoes)
{
    EXPECT_EQ(ParseSupportText(GetParam().file), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Files, SupportTextTest, ::testing::ValuesIn(kSupportCases),
    [](const auto& info) { return std::string(info.param.name); });

class SupportTextFileTest : public ::testing::Test {
protected:
    TempDir m_folder;
    ScopedCurrentDirectory m_current { m_folder.path() };
};

TEST_F(SupportTextFileTest, HugeFileKeepsOnlyWholeLinesThatFit)
{
    std::string file;
    for (int i = 0; i < 1000; ++i)
        file += "0123456789\n";
    WriteText(m_folder.file("techsprt.txt"), file + Line(100000) + "\n");
    const std::string text = ReadSupportText();
    // 166 lines of 12 bytes; the 167th would need 2004.
    ASSERT_EQ(text.size(), 166u * 12);
    EXPECT_EQ(text.substr(text.size() - 12), "0123456789\r\n");
}

TEST_F(SupportTextFileTest, MissingOrUnreadableFileGivesAnEmptyText)
{
    EXPECT_EQ(ReadSupportText(), "");
    std::filesystem::create_directory(m_folder.file("techsprt.txt"));
    EXPECT_EQ(ReadSupportText(), "");
}

TEST_F(SupportTextFileTest, InstalledSupportTextFitsWhole)
{
    const std::string installed = (std::filesystem::path(CUSTODIA_SOURCE_DIR) / "data/techsprt.txt").string();
    const std::string file = ReadText(installed);
    ASSERT_FALSE(file.empty());
    std::string expected;
    for (const char c : file)
        expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ReadSupportText(installed), expected);
}

} // namespace
} // namespace custodia
