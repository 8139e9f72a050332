#include "platform/Platform.h"
#include "words/WordFiles.h"
#include "words/WordTable.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace custodia {
namespace {

using test::TempDir;
using test::WriteWordFile;

// Three candidate places, each holding its own version of family "test", with a current directory of
// its own that the test restores.
class LoadWordFilesTest : public ::testing::Test {
protected:
    std::string Canonical(const std::string& path) { return std::filesystem::canonical(path).string(); }

    TempDir m_tableDir;
    TempDir m_currentDir;
    TempDir m_programDir;
    test::ScopedCurrentDirectory m_current { m_currentDir.path() };
    const std::vector<WordFamily> m_families { { "test", 0, 2 } };
};

TEST_F(LoadWordFilesTest, TableDirectoryComesFirst)
{
    WriteWordFile(m_tableDir.file("test.eng"), { "table" });
    WriteWordFile(m_currentDir.file("test.eng"), { "current" });
    WordTable table(m_tableDir.path());
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles(m_families);
    EXPECT_EQ("table", table.GetWord(0));
}

TEST_F(LoadWordFilesTest, CurrentDirectoryWhenTheTableHasNone)
{
    WriteWordFile(m_tableDir.file("test.eng"), { "table" });
    WriteWordFile(m_currentDir.file("test.eng"), { "current" });
    WordTable table;
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles(m_families);
    EXPECT_EQ("current", table.GetWord(0));
}

TEST_F(LoadWordFilesTest, ProgramFolderLastAndItBecomesTheCurrentDirectory)
{
    WriteWordFile(m_programDir.file("test.eng"), { "program" });
    WordTable table(m_tableDir.path());
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles(m_families);
    EXPECT_EQ("program", table.GetWord(0));
    EXPECT_EQ(Canonical(m_programDir.path()), Canonical(CurrentDirectory()));
}

TEST_F(LoadWordFilesTest, FailedPlaceLeavesItsWordsForTheNextToOverwrite)
{
    // The table's directory has a damaged file with two words; the current directory a good one word.
    std::vector<unsigned char> bytes = test::WordFileBytes({ "damaged", "kept" });
    bytes.back() ^= 0x20; // fails the check of "kept", which is stored as read
    test::WriteBytes(m_tableDir.file("test.eng"), bytes);
    WriteWordFile(m_currentDir.file("test.eng"), { "current" });
    WordTable table(m_tableDir.path());
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles(m_families);
    EXPECT_EQ("current", table.GetWord(0));
    EXPECT_EQ("kepT", table.GetWord(1));
    EXPECT_EQ(Canonical(m_currentDir.path()), Canonical(CurrentDirectory()));
}

TEST_F(LoadWordFilesTest, LanguageWithoutFilesMovesOnToTheNextPlace)
{
    // "default.lan" names a language whose files exist nowhere: every place fails its language pass,
    // so all three are tried, and the English words of the last one stay.
    test::WriteLanguage(m_currentDir.path(), "Français", "fra");
    WriteWordFile(m_currentDir.file("test.eng"), { "current" });
    WriteWordFile(m_programDir.file("test.eng"), { "program" });
    WordTable table;
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles(m_families);
    EXPECT_EQ("program", table.GetWord(0));
}

TEST_F(LoadWordFilesTest, NothingAnywhereLeavesTheWordsEmptyAndTheDirectoryAlone)
{
    WordTable table(m_tableDir.path());
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles(m_families);
    EXPECT_EQ(2, table.GetWordCount());
    EXPECT_EQ(WordTable::kMissingWord, table.GetWord(0));
    EXPECT_EQ(Canonical(m_currentDir.path()), Canonical(CurrentDirectory()));
}

TEST_F(LoadWordFilesTest, FamiliesLoadInTheOrderGiven)
{
    WriteWordFile(m_currentDir.file("low.eng"), { "low0", "low1" });
    WriteWordFile(m_currentDir.file("high.eng"), { "high2" });
    WordTable table;
    table.SetProgramFolder(m_programDir.path());
    table.LoadWordFiles({ { "high", 2, 1 }, { "low", 0, 2 } });
    EXPECT_EQ(3, table.GetWordCount());
    EXPECT_EQ("low1", table.GetWord(1));
    EXPECT_EQ("high2", table.GetWord(2));
}

} // namespace
} // namespace custodia
