#include "words/WordTable.h"
#include "words/WordFiles.h"

#include <gtest/gtest.h>

namespace custodia {
namespace {

using test::TempDir;
using test::WriteWordFile;

// A table over one family "test" of the given count, read from its own folder.
class WordTableTest : public ::testing::Test {
protected:
    int Load(const std::vector<std::string>& texts, int base = 0, int count = 10)
    {
        WriteWordFile(m_dir.file("test.eng"), texts);
        return m_table.LoadWordFile(m_dir.path(), "test", base, count);
    }

    void SetUp() override { m_table.LoadWordFiles({ { "none", 0, 10 } }); }

    TempDir m_dir;
    WordTable m_table { m_dir.path() };
};

TEST_F(WordTableTest, AbsentWordsReadAsFiveStars)
{
    EXPECT_EQ(kWordFileEnglishOnly, Load({ "zero", "one" }));
    EXPECT_EQ("zero", m_table.GetWord(0));
    EXPECT_EQ("one", m_table.GetWord(1));
    for (int number : { 2, 9, 10, -1, 1008, -2147483647 - 1, 2147483647 })
        EXPECT_EQ("*****", m_table.GetWord(number)) << number;
}

TEST_F(WordTableTest, NewTableHasNoWords)
{
    WordTable empty;
    EXPECT_EQ(0, empty.GetWordCount());
    EXPECT_EQ("*****", empty.GetWord(0));
}

struct Expansion {
    const char* stored;
    const char* shown;
};

class WordExpansionTest : public ::testing::TestWithParam<Expansion> { };

TEST_P(WordExpansionTest, StoredTextIsExpanded)
{
    TempDir dir;
    WriteWordFile(dir.file("test.eng"), { GetParam().stored });
    WordTable table(dir.path());
    table.LoadWordFiles({ { "test", 0, 1 } });
    EXPECT_EQ(GetParam().shown, table.GetWord(0));
}

INSTANTIATE_TEST_SUITE_P(Escapes, WordExpansionTest,
    ::testing::Values(Expansion { "&Name<TAB>x", "Name\tx" }, // ampersand first, then the tab
        Expansion { "a&&b", "a&b" }, // only the first one goes
        Expansion { "&a&b&c", "a&b&c" }, Expansion { "one<CR>two", "one\r\ntwo" },
        Expansion { "<TAB><TAB><CR><CR>", "\t\t\r\n\r\n" },
        Expansion { "<tab><Cr>", "<tab><Cr>" }, // escapes are upper case
        Expansion { "<TA&B>", "\t" }, // the & goes before escapes are looked for
        Expansion { "<TAB", "<TAB" }, Expansion { "", "" }));

TEST_F(WordTableTest, FamilyStoresOnlyItsCountFromItsBase)
{
    m_table.LoadWordFiles({ { "none", 0, 20 } });
    EXPECT_EQ(kWordFileEnglishOnly, Load({ "a", "b", "c", "d", "e" }, 7, 3));
    EXPECT_EQ("*****", m_table.GetWord(6));
    EXPECT_EQ("a", m_table.GetWord(7));
    EXPECT_EQ("c", m_table.GetWord(9));
    EXPECT_EQ("*****", m_table.GetWord(10)); // entries past the count are read but not stored
}

TEST_F(WordTableTest, EntriesPastTheCountAreStillChecked)
{
    std::vector<unsigned char> bytes = test::WordFileBytes({ "a", "b" });
    bytes.back() ^= 0x01; // the word text of the second entry
    test::WriteBytes(m_dir.file("test.eng"), bytes);
    EXPECT_EQ(kWordFileFailed, m_table.LoadWordFile(m_dir.path(), "test", 0, 1));
    EXPECT_EQ("a", m_table.GetWord(0));
}

TEST_F(WordTableTest, FamilyBeyondTheTableStoresNothingOutside)
{
    EXPECT_EQ(kWordFileEnglishOnly, Load({ "a", "b", "c" }, 9, 3));
    EXPECT_EQ(10, m_table.GetWordCount());
    EXPECT_EQ("a", m_table.GetWord(9));
    EXPECT_EQ("*****", m_table.GetWord(10));
    EXPECT_EQ(kWordFileEnglishOnly, Load({ "a" }, 2147483647, 5));
    EXPECT_EQ(kWordFileEnglishOnly, Load({ "a" }, -1, 5));
    EXPECT_EQ("*****", m_table.GetWord(0));
}

TEST_F(WordTableTest, LoadingAgainReplacesAndKeepsOthers)
{
    Load({ "first", "second" });
    const std::string& kept = m_table.GetWord(1);
    m_table.LoadWordFiles({ { "none", 0, 5000 } }); // a larger table keeps the texts where they are
    EXPECT_EQ("second", kept);
    Load({ "again" });
    EXPECT_EQ("again", m_table.GetWord(0));
    EXPECT_EQ("second", m_table.GetWord(1));
    EXPECT_EQ(5000, m_table.GetWordCount());
}

TEST_F(WordTableTest, StoreWordIgnoresNumbersOutsideTheTable)
{
    m_table.StoreWord("x", -1);
    m_table.StoreWord("x", 10);
    m_table.StoreWord("&y", 3);
    EXPECT_EQ("y", m_table.GetWord(3));
    EXPECT_EQ("*****", m_table.GetWord(10));
}

TEST(WordTableCount, GrowsToTheLargestFamilyAndNeverShrinks)
{
    WordTable table;
    table.LoadWordFiles({ { "absent-a", 788, 220 }, { "absent-b", 0, 788 } });
    EXPECT_EQ(1008, table.GetWordCount());
    table.LoadWordFiles({ { "absent-a", 0, 10 }, { "absent-b", -5, 3 }, { "absent-c", 4, -2 } });
    EXPECT_EQ(1008, table.GetWordCount());
}

} // namespace
} // namespace custodia
