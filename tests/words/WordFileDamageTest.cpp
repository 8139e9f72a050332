#include "platform/Endian.h"
#include "words/WordFileFormat.h"
#include "words/WordFiles.h"
#include "words/WordTable.h"

#include <gtest/gtest.h>

namespace custodia {
namespace {

using test::TempDir;

const std::vector<std::string> kTexts = { "alpha", "beta<TAB>", "gamma" };

// Loads damaged bytes as family "test" (words 0..9) from a folder without "default.lan", where a whole
// English file gives 254.
class WordFileDamageTest : public ::testing::Test {
protected:
    int LoadBytes(const std::vector<unsigned char>& bytes)
    {
        m_table = std::make_unique<WordTable>(m_dir.path());
        m_table->LoadWordFiles({ { "none", 0, 10 } });
        test::WriteBytes(m_dir.file("test.eng"), bytes);
        return m_table->LoadWordFile(m_dir.path(), "test", 0, 10);
    }

    int StoredWords() const
    {
        int stored = 0;
        for (int i = 0; i < 10; ++i)
            stored += m_table->GetWord(i) != WordTable::kMissingWord;
        return stored;
    }

    // Offsets in the undamaged file.
    static size_t EntryOffset(size_t entry)
    {
        size_t offset = wordfile::kHeaderSize;
        for (size_t i = 0; i < entry; ++i)
            offset += wordfile::kEntryHeadSize + ("ref" + std::to_string(i)).size() + kTexts[i].size();
        return offset;
    }

    TempDir m_dir;
    std::unique_ptr<WordTable> m_table;
    const std::vector<unsigned char> m_good = test::WordFileBytes(kTexts);
};

TEST_F(WordFileDamageTest, GoodFileLoadsWhole)
{
    EXPECT_EQ(kWordFileEnglishOnly, LoadBytes(m_good));
    EXPECT_EQ(3, StoredWords());
    EXPECT_EQ("beta\t", m_table->GetWord(1));
}

TEST_F(WordFileDamageTest, AnyByteOfTheMagicSpoilsTheFile)
{
    for (size_t i = 0; i < wordfile::kMagicSize; ++i) {
        std::vector<unsigned char> bytes = m_good;
        bytes[i] ^= 0x20;
        // Keep the checksum right, so that only the magic is at fault.
        WriteUint16LE(bytes.data() + wordfile::kChecksumOffset,
            wordfile::SignedByteSum16(bytes.data(), wordfile::kChecksumOffset));
        EXPECT_EQ(kWordFileFailed, LoadBytes(bytes)) << "magic byte " << i;
        EXPECT_EQ(0, StoredWords()) << "magic byte " << i;
    }
}

TEST_F(WordFileDamageTest, HeaderChecksumCoversTheFreeBytes)
{
    for (size_t offset : { size_t { 24 }, size_t { 150 }, size_t { 299 }, size_t { 300 }, size_t { 301 } }) {
        std::vector<unsigned char> bytes = m_good;
        bytes[offset] ^= 0x01;
        EXPECT_EQ(kWordFileFailed, LoadBytes(bytes)) << "offset " << offset;
        EXPECT_EQ(0, StoredWords()) << "offset " << offset;
    }
}

TEST_F(WordFileDamageTest, ChecksumCountsBytesAsSigned)
{
    // 0xFF in the free header bytes counts as -1: an unsigned sum would differ.
    std::vector<unsigned char> bytes = m_good;
    std::fill(bytes.begin() + 100, bytes.begin() + 200, 0xFF);
    int sum = 0;
    for (size_t i = 0; i < wordfile::kChecksumOffset; ++i)
        sum += static_cast<signed char>(bytes[i]);
    WriteUint16LE(bytes.data() + wordfile::kChecksumOffset, static_cast<uint16_t>(sum & 0xFFFF));
    EXPECT_EQ(kWordFileEnglishOnly, LoadBytes(bytes));
    EXPECT_EQ(3, StoredWords());
}

TEST_F(WordFileDamageTest, BadEntryCheckFailsButKeepsTheWord)
{
    for (size_t checkOffset : { wordfile::kEntryFirstCheckOffset, wordfile::kEntryWordCheckOffset }) {
        std::vector<unsigned char> bytes = m_good;
        bytes[EntryOffset(1) + checkOffset] ^= 0x01;
        EXPECT_EQ(kWordFileFailed, LoadBytes(bytes));
        EXPECT_EQ(3, StoredWords());
        EXPECT_EQ("beta\t", m_table->GetWord(1));
    }
}

TEST_F(WordFileDamageTest, TruncationAtEveryOffsetNeverReadsPastTheEnd)
{
    for (size_t size = 0; size < m_good.size(); ++size) {
        const std::vector<unsigned char> bytes(m_good.begin(), m_good.begin() + static_cast<long>(size));
        const int result = LoadBytes(bytes);
        if (size < wordfile::kHeaderSize) {
            EXPECT_EQ(kWordFileFailed, result) << size;
            EXPECT_EQ(0, StoredWords()) << size;
            continue;
        }
        int wholeEntries = 0;
        while (wholeEntries < 3 && EntryOffset(wholeEntries + 1) <= size)
            ++wholeEntries;
        const size_t left = size - EntryOffset(wholeEntries);
        // A head cut short ends the file quietly; a text cut short is damage.
        const bool cutInText = left >= wordfile::kEntryHeadSize;
        EXPECT_EQ(cutInText ? kWordFileFailed : kWordFileEnglishOnly, result) << size;
        EXPECT_EQ(wholeEntries, StoredWords()) << size;
    }
}

struct HostileLength {
    const char* what;
    size_t field;
    uint16_t value;
};

class HostileLengthTest : public WordFileDamageTest, public ::testing::WithParamInterface<HostileLength> { };

TEST_P(HostileLengthTest, EndsTheFileAsDamagedKeepingEarlierWords)
{
    std::vector<unsigned char> bytes = m_good;
    WriteUint16LE(bytes.data() + EntryOffset(1) + GetParam().field, GetParam().value);
    EXPECT_EQ(kWordFileFailed, LoadBytes(bytes));
    EXPECT_EQ("alpha", m_table->GetWord(0));
    EXPECT_EQ(WordTable::kMissingWord, m_table->GetWord(1));
}

INSTANTIATE_TEST_SUITE_P(Lengths, HostileLengthTest,
    ::testing::Values(HostileLength { "negative first", wordfile::kEntryFirstLengthOffset, 0xFFFF },
        HostileLength { "most negative word", wordfile::kEntryWordLengthOffset, 0x8000 },
        HostileLength { "largest word", wordfile::kEntryWordLengthOffset, 0x7FFF },
        HostileLength { "first past the end", wordfile::kEntryFirstLengthOffset, 200 }),
    [](const ::testing::TestParamInfo<HostileLength>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            c = c == ' ' ? '_' : c;
        return name;
    });

TEST_F(WordFileDamageTest, EmptyAndShortFilesGiveNoWords)
{
    EXPECT_EQ(kWordFileFailed, LoadBytes({}));
    EXPECT_EQ(kWordFileFailed, LoadBytes(std::vector<unsigned char>(wordfile::kHeaderSize - 1, 0)));
    EXPECT_EQ(0, StoredWords());
}

TEST_F(WordFileDamageTest, MissingFileFails)
{
    WordTable table(m_dir.path());
    table.LoadWordFiles({ { "none", 0, 10 } });
    EXPECT_EQ(kWordFileFailed, table.LoadWordFile(m_dir.path(), "absent", 0, 10));
}

} // namespace
} // namespace custodia
