// Checks the data that the build installs beside the programs: the compiled words, the help text, the
// support text and the pictures.
#include "platform/Endian.h"
#include "store/RightsCatalogue.h"
#include "words/WordFileFormat.h"
#include "words/WordFiles.h"
#include "words/WordTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace custodia {
namespace {

using test::BuiltDataFolder;
using test::OutputFolder;

// Entries of a word file, counted by walking their lengths.
int CountEntries(const std::vector<unsigned char>& bytes)
{
    int entries = 0;
    size_t offset = wordfile::kHeaderSize;
    while (offset + wordfile::kEntryHeadSize <= bytes.size()) {
        offset += wordfile::kEntryHeadSize + ReadUint16LE(&bytes[offset + wordfile::kEntryFirstLengthOffset])
            + ReadUint16LE(&bytes[offset + wordfile::kEntryWordLengthOffset]);
        ++entries;
    }
    EXPECT_EQ(bytes.size(), offset);
    return entries;
}

// Every number of the console's used-words list (one number or range "A-B" at the start of a line).
std::vector<int> UsedWords()
{
    std::vector<int> numbers;
    std::istringstream lines(test::ReadText(BuiltDataFolder() + "/used-words.txt"));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const int first = std::stoi(line);
        const size_t dash = line.find('-');
        const size_t space = line.find(' ');
        const int last = dash != std::string::npos && dash < space ? std::stoi(line.substr(dash + 1)) : first;
        for (int n = first; n <= last; ++n)
            numbers.push_back(n);
    }
    return numbers;
}

class InstalledWordsTest : public ::testing::Test {
protected:
    void SetUp() override { m_table.LoadWordFiles(ConsoleWordFamilies()); }

    WordTable m_table { OutputFolder() };
};

TEST_F(InstalledWordsTest, FamiliesHoldExactlyTheirCounts)
{
    EXPECT_EQ(788, CountEntries(test::ReadBytes(OutputFolder() + "/gnrlword.eng")));
    EXPECT_EQ(220, CountEntries(test::ReadBytes(OutputFolder() + "/cstdword.eng")));
    EXPECT_EQ(1008, m_table.GetWordCount());
    EXPECT_EQ(kWordFileEnglishOnly, m_table.LoadWordFile(OutputFolder(), "gnrlword", 0, 788));
    EXPECT_EQ(kWordFileEnglishOnly, m_table.LoadWordFile(OutputFolder(), "cstdword", 788, 220));
}

TEST_F(InstalledWordsTest, EveryUsedWordHasAText)
{
    const std::vector<int> used = UsedWords();
    ASSERT_GT(used.size(), 200u);
    for (int number : used) {
        const std::string& text = m_table.GetWord(number);
        EXPECT_NE(WordTable::kMissingWord, text) << "word " << number;
        EXPECT_FALSE(text.empty()) << "word " << number;
        EXPECT_EQ(std::string::npos, text.find('<')) << "word " << number << " keeps an escape: " << text;
    }
}

// The rights pages take their tab and row texts from the catalogue, not from the used-words list.
TEST_F(InstalledWordsTest, EveryRightAndPageOfTheCatalogueHasAText)
{
    const std::vector<int> used = UsedWords();
    for (const RightsPage& page : RightsPages()) {
        std::vector<int> words { page.titleWord };
        for (const RightRow& row : page.rows)
            words.push_back(row.labelWord);
        for (int number : words) {
            EXPECT_NE(WordTable::kMissingWord, m_table.GetWord(number)) << "word " << number;
            EXPECT_NE(std::find(used.begin(), used.end(), number), used.end()) << "word " << number << " not listed";
        }
    }
}

TEST_F(InstalledWordsTest, TextsComeOutAsShown)
{
    EXPECT_EQ("OK", m_table.GetWord(0));
    EXPECT_EQ("&File", m_table.GetWord(5)); // a menu shortcut survives its doubled ampersand
    EXPECT_EQ("Login Paths", m_table.GetWord(916));
    EXPECT_EQ("Download by modem", m_table.GetWord(1007));
    EXPECT_EQ(WordTable::kMissingWord, m_table.GetWord(2)); // a number the console does not use
    EXPECT_EQ(WordTable::kMissingWord, m_table.GetWord(1008));
}

// The installation plus the German files and a "default.lan" naming them, as a translated
// installation would be laid out.
class LanguageSwitchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : { "gnrlword.eng", "cstdword.eng" })
            std::filesystem::copy_file(OutputFolder() + "/" + name, m_dir.file(name));
        for (const char* name : { "gnrlword.ger", "cstdword.ger" })
            std::filesystem::copy_file(BuiltDataFolder() + "/ger/" + name, m_dir.file(name));
    }

    test::TempDir m_dir;
};

TEST_F(LanguageSwitchTest, DefaultLanSwitchesTheWords)
{
    WordTable english(m_dir.path());
    english.LoadWordFiles(ConsoleWordFamilies());
    EXPECT_EQ("&File", english.GetWord(5));

    std::filesystem::copy_file(BuiltDataFolder() + "/ger/default.lan", m_dir.file("default.lan"));
    WordTable german(m_dir.path());
    german.LoadWordFiles(ConsoleWordFamilies());
    std::string name, extension;
    ASSERT_TRUE(german.ReadLanguageFile(name, extension));
    EXPECT_EQ("ger", extension);
    EXPECT_EQ(kWordFileLoaded, german.LoadWordFile(m_dir.path(), "gnrlword", 0, 788));
    EXPECT_EQ("&Datei", german.GetWord(5));
    EXPECT_EQ("Benutzername:", german.GetWord(92));
    EXPECT_EQ("Anmeldepfade", german.GetWord(916));
    // Word files hold the suite's code page, Windows-1252, as the shared files do.
    EXPECT_EQ("L\xf6schen", german.GetWord(925));
    // Words without a translation keep their English text.
    EXPECT_EQ(english.GetWord(899), german.GetWord(899));
    for (int number : UsedWords())
        EXPECT_NE(WordTable::kMissingWord, german.GetWord(number)) << "word " << number;
}

TEST(InstalledHelpFile, IsAHelpFileWithTitles)
{
    std::istringstream lines(test::ReadText(OutputFolder() + "/Custodia Help.eng"));
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_NE(std::string::npos, line.find("<BRENIC HELP FILE>"));
    int titles = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 998u) << line;
        titles += line.find("<T>") != std::string::npos;
    }
    EXPECT_GE(titles, 8);
}

TEST(InstalledSupportText, FitsTheSupportBox)
{
    const std::string text = test::ReadText(OutputFolder() + "/techsprt.txt");
    std::istringstream lines(text);
    size_t shown = 1; // the terminator
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_LT(line.size(), 253u) << line;
        shown += line.size() + 2; // each line is shown with CR LF
    }
    EXPECT_GE(count, 3);
    EXPECT_LE(shown, 2000u);
}

struct Picture {
    const char* name;
    int minWidth, maxWidth, minHeight, maxHeight;
};

class InstalledPictureTest : public ::testing::TestWithParam<Picture> { };

TEST_P(InstalledPictureTest, IsAPlainBitmap)
{
    const std::vector<unsigned char> bytes = test::ReadBytes(OutputFolder() + "/" + GetParam().name);
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ('B', bytes[0]);
    EXPECT_EQ('M', bytes[1]);
    EXPECT_EQ(bytes.size(), ReadUint32LE(&bytes[2]));
    EXPECT_EQ(40u, ReadUint32LE(&bytes[14])); // the 40-byte information header
    const int width = ReadInt32LE(&bytes[18]);
    const int height = ReadInt32LE(&bytes[22]);
    const int bits = ReadUint16LE(&bytes[28]);
    EXPECT_GE(width, GetParam().minWidth);
    EXPECT_LE(width, GetParam().maxWidth);
    EXPECT_GE(height, GetParam().minHeight);
    EXPECT_LE(height, GetParam().maxHeight);
    EXPECT_TRUE(bits == 24 || bits == 8) << bits;
    EXPECT_EQ(0u, ReadUint32LE(&bytes[30])); // uncompressed
    const size_t rowBytes = (static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4;
    const size_t colours = bits == 8 ? (ReadUint32LE(&bytes[46]) ? ReadUint32LE(&bytes[46]) : 256) : 0;
    // Loaders find the pixels after the colour table, not at the header's offset: both must agree.
    EXPECT_EQ(54 + 4 * colours, ReadUint32LE(&bytes[10]));
    EXPECT_EQ(54 + 4 * colours + rowBytes * static_cast<size_t>(height), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Pictures, InstalledPictureTest,
    ::testing::Values(Picture { "splash.bmp", 300, 340, 220, 260 }, Picture { "helpbarlogo.bmp", 16, 64, 16, 64 }),
    [](const ::testing::TestParamInfo<Picture>& info) {
        return std::string(info.param.name).substr(0, std::string(info.param.name).find('.'));
    });

} // namespace
} // namespace custodia
