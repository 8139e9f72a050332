#include "words/LanguageFile.h"
#include "platform/Endian.h"
#include "words/WordFiles.h"
#include "words/WordTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace custodia {
namespace {

using test::TempDir;
using test::WriteLanguage;
using test::WriteWordFile;

std::vector<unsigned char> Resummed(std::vector<unsigned char> bytes)
{
    int sum = 0;
    for (size_t i = 0; i < languagefile::kChecksumOffset; ++i)
        sum += static_cast<signed char>(bytes[i]);
    WriteUint16LE(bytes.data() + languagefile::kChecksumOffset, static_cast<uint16_t>(sum & 0xFFFF));
    return bytes;
}

TEST(LanguageFileLayout, BuildsTheFieldsWhereReadersLookForThem)
{
    const std::vector<unsigned char> bytes = BuildLanguageFile({ "Deutsch", "ger" });
    ASSERT_EQ(206u, bytes.size());
    EXPECT_EQ(0, std::memcmp(bytes.data() + 100, "Deutsch\0", 8));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 200, "ger\0", 4));
    const std::optional<Language> language = ParseLanguageFile(bytes);
    ASSERT_TRUE(language);
    EXPECT_EQ("Deutsch", language->name);
    EXPECT_EQ("ger", language->extension);
}

TEST(LanguageFileLayout, RefusesWhatCannotBeWritten)
{
    EXPECT_THROW(BuildLanguageFile({ std::string(100, 'x'), "ger" }), std::invalid_argument);
    EXPECT_THROW(BuildLanguageFile({ "x", "germ" }), std::invalid_argument);
    EXPECT_NO_THROW(BuildLanguageFile({ std::string(99, 'x'), "ger" }));
}

TEST(LanguageFileLayout, RefusesDamagedImages)
{
    const std::vector<unsigned char> good = BuildLanguageFile({ "Deutsch", "ger" });
    std::vector<unsigned char> shorter(good.begin(), good.end() - 1);
    std::vector<unsigned char> longer = good;
    longer.push_back(0);
    std::vector<unsigned char> badSum = good;
    badSum[0] ^= 1;
    std::vector<unsigned char> nameUnterminated = good;
    std::fill(nameUnterminated.begin() + 100, nameUnterminated.begin() + 200, 'a');
    std::vector<unsigned char> extensionUnterminated = good;
    std::fill(extensionUnterminated.begin() + 200, extensionUnterminated.begin() + 204, 'g');
    std::vector<unsigned char> extensionWithPath = good;
    std::copy_n("../", 4, extensionWithPath.begin() + 200);

    EXPECT_FALSE(ParseLanguageFile(shorter));
    EXPECT_FALSE(ParseLanguageFile(longer));
    EXPECT_FALSE(ParseLanguageFile(badSum));
    EXPECT_FALSE(ParseLanguageFile(Resummed(nameUnterminated)));
    EXPECT_FALSE(ParseLanguageFile(Resummed(extensionUnterminated)));
    EXPECT_FALSE(ParseLanguageFile(Resummed(extensionWithPath)));
    // The first 100 bytes are free, as long as the checksum covers them.
    std::vector<unsigned char> freeBytes = good;
    std::fill(freeBytes.begin(), freeBytes.begin() + 100, 0xC8);
    EXPECT_TRUE(ParseLanguageFile(Resummed(freeBytes)));
}

TEST(ReadLanguageFile, ReadsFromTheTablesDirectoryOrTheCurrentOne)
{
    TempDir tableDir;
    TempDir currentDir;
    test::ScopedCurrentDirectory current(currentDir.path());
    WriteLanguage(tableDir.path(), "Deutsch", "ger");
    WriteLanguage(currentDir.path(), "Français", "fra");

    std::string name = "unchanged";
    std::string extension = "eng";
    EXPECT_TRUE(WordTable(tableDir.path()).ReadLanguageFile(name, extension));
    EXPECT_EQ("ger", extension);
    EXPECT_TRUE(WordTable().ReadLanguageFile(name, extension));
    EXPECT_EQ("Français", name);
    EXPECT_EQ("fra", extension);

    TempDir emptyDir;
    name = "unchanged";
    extension = "eng";
    EXPECT_FALSE(WordTable(emptyDir.path()).ReadLanguageFile(name, extension));
    EXPECT_EQ("unchanged", name);
    EXPECT_EQ("eng", extension);
}

TEST(ReadLanguageFile, LongerFileIsReadByItsFirst206Bytes)
{
    TempDir dir;
    std::vector<unsigned char> bytes = BuildLanguageFile({ "Deutsch", "ger" });
    bytes.insert(bytes.end(), { 'x', 'y' });
    test::WriteBytes(dir.file("default.lan"), bytes);
    std::string name, extension;
    EXPECT_TRUE(WordTable(dir.path()).ReadLanguageFile(name, extension));
    EXPECT_EQ("ger", extension);
}

// English "test.eng" with three words; the language pass decides the result.
class LanguagePassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteWordFile(m_dir.file("test.eng"), { "one", "two", "three" });
        m_table.LoadWordFiles({ { "none", 0, 3 } });
    }

    int Load() { return m_table.LoadWordFile(m_dir.path(), "test", 0, 3); }

    TempDir m_dir;
    WordTable m_table { m_dir.path() };
};

TEST_F(LanguagePassTest, WithoutLanguageFileEnglishOnly)
{
    EXPECT_EQ(kWordFileEnglishOnly, Load());
    EXPECT_EQ("two", m_table.GetWord(1));
}

TEST_F(LanguagePassTest, LanguageWordsReplaceEnglishOnes)
{
    WriteLanguage(m_dir.path(), "Deutsch", "ger");
    WriteWordFile(m_dir.file("test.ger"), { "eins", "zwei" });
    EXPECT_EQ(kWordFileLoaded, Load());
    EXPECT_EQ("eins", m_table.GetWord(0));
    EXPECT_EQ("zwei", m_table.GetWord(1));
    EXPECT_EQ("three", m_table.GetWord(2)); // past the end of the shorter translation
}

TEST_F(LanguagePassTest, MissingLanguageFileFailsWithEnglishKept)
{
    WriteLanguage(m_dir.path(), "Français", "fra");
    EXPECT_EQ(kWordFileFailed, Load());
    EXPECT_EQ("one", m_table.GetWord(0));
}

TEST_F(LanguagePassTest, DamagedLanguageFileKeepsEnglishWhereItCouldNotOverwrite)
{
    WriteLanguage(m_dir.path(), "Deutsch", "ger");
    std::vector<unsigned char> bytes = test::WordFileBytes({ "eins", "zwei", "drei" });
    bytes.resize(bytes.size() - 2); // "drei" cut short
    test::WriteBytes(m_dir.file("test.ger"), bytes);
    EXPECT_EQ(kWordFileFailed, Load());
    EXPECT_EQ("zwei", m_table.GetWord(1));
    EXPECT_EQ("three", m_table.GetWord(2));
}

TEST_F(LanguagePassTest, DamagedEnglishFileSkipsTheLanguage)
{
    WriteLanguage(m_dir.path(), "Deutsch", "ger");
    WriteWordFile(m_dir.file("test.ger"), { "eins" });
    std::vector<unsigned char> bytes = test::ReadBytes(m_dir.file("test.eng"));
    bytes.back() ^= 1;
    test::WriteBytes(m_dir.file("test.eng"), bytes);
    EXPECT_EQ(kWordFileFailed, Load());
    EXPECT_EQ("one", m_table.GetWord(0));
}

} // namespace
} // namespace custodia
