#include "store/OfficeNameList.h"
#include "platform/Platform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

class OfficeNameListTest : public ::testing::Test {
protected:
    OfficeNameListTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    const std::string& Folder() const { return m_dir.path(); }
    std::string OfficePath() const { return m_dir.file("officena.mes"); }

    void WriteEntries(const OfficeNameList::Entries& entries, size_t size = officenames::kSize)
    {
        RecordFile records;
        ASSERT_TRUE(records.WriteRecord(OfficePath(), 65, 0, std::span(entries).first(size), true).HasValue());
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
};

TEST_F(OfficeNameListTest, ReadsTheEntriesOfTheRecord)
{
    OfficeNameList::Entries entries {};
    std::memcpy(entries.data(), "001", 3);
    std::memcpy(entries.data() + 10, "Head office", 11);
    WriteEntries(entries);

    const OfficeNameList offices(Folder());
    EXPECT_TRUE(offices.WasRead());
    EXPECT_EQ(offices.GetNumberText(1), "001");
    EXPECT_EQ(offices.GetName(1), "Head office");
    for (int office = 2; office <= 100; ++office) {
        EXPECT_EQ(offices.GetNumberText(office), "");
        EXPECT_EQ(offices.GetName(office), "");
    }
    EXPECT_EQ(offices.GetName(0), "");
    EXPECT_EQ(offices.GetName(101), "");
}

TEST_F(OfficeNameListTest, UnterminatedTextsAreReadWithinTheirFields)
{
    OfficeNameList::Entries entries {};
    entries.fill('z');
    WriteEntries(entries);
    const OfficeNameList offices(Folder());
    EXPECT_EQ(offices.GetNumberText(100), std::string(9, 'z'));
    EXPECT_EQ(offices.GetName(100), std::string(49, 'z'));
}

TEST_F(OfficeNameListTest, MissingDamagedOrRecordlessFilesGiveEmptyOffices)
{
    const auto expectEmpty = [this](const char* what) {
        const OfficeNameList offices(Folder());
        EXPECT_FALSE(offices.WasRead()) << what;
        for (int office = 1; office <= 100; ++office)
            ASSERT_EQ(offices.GetName(office) + offices.GetNumberText(office), "") << what;
    };
    expectEmpty("missing");

    OfficeNameList::Entries entries {};
    entries.fill('n');
    WriteEntries(entries);
    Bytes file = ReadBytes(OfficePath());
    file[100] ^= 0x20;
    WriteBytes(OfficePath(), file);
    expectEmpty("damaged");

    std::filesystem::remove(OfficePath());
    RecordFile records;
    ASSERT_TRUE(records.WriteRecord(OfficePath(), 65, 1, entries, true).HasValue());
    expectEmpty("other sub-kind");
}

TEST_F(OfficeNameListTest, TheFolderTextIsAlwaysUsed)
{
    EXPECT_EQ(OfficeNameList(Folder()).GetFileName(), OfficePath());
    EXPECT_EQ(OfficeNameList("").GetFileName(), "/officena.mes");
}

TEST_F(OfficeNameListTest, SettingOneOfficeCreatesTheFileAndKeepsTheOthers)
{
    {
        OfficeNameList offices(Folder());
        ASSERT_TRUE(offices.SetOffice(7, "007", "Harbour"));
        ASSERT_EQ(offices.Save(), kOfficesSaved);
    }
    EXPECT_EQ(ReadBytes(OfficePath()).size(), 35u + 4u + 6000u);
    {
        OfficeNameList offices(Folder());
        ASSERT_TRUE(offices.WasRead());
        EXPECT_FALSE(offices.SetOffice(0, "x", "x"));
        EXPECT_FALSE(offices.SetOffice(101, "x", "x"));
        ASSERT_TRUE(offices.SetOffice(100, "0123456789", std::string(70, 'L')));
        ASSERT_EQ(offices.Save(), kOfficesSaved);
    }
    EXPECT_EQ(ReadBytes(OfficePath()).size(), 35u + 4u + 6000u) << "replaced in place";
    const OfficeNameList offices(Folder());
    EXPECT_EQ(offices.GetName(7), "Harbour");
    EXPECT_EQ(offices.GetNumberText(7), "007");
    EXPECT_EQ(offices.GetNumberText(100), "012345678");
    EXPECT_EQ(offices.GetName(100), std::string(49, 'L'));
    EXPECT_EQ(offices.GetName(99), "");
}

TEST_F(OfficeNameListTest, ADamagedFileIsNotWrittenOver)
{
    OfficeNameList::Entries entries {};
    std::memcpy(entries.data() + 10, "Kept", 4);
    WriteEntries(entries);
    Bytes file = ReadBytes(OfficePath());
    file[50] ^= 0x01;
    WriteBytes(OfficePath(), file);

    OfficeNameList offices(Folder());
    ASSERT_TRUE(offices.SetOffice(2, "2", "New"));
    EXPECT_EQ(offices.Save(), kOfficeFileDamaged);
    EXPECT_EQ(ReadBytes(OfficePath()), file);
    EXPECT_EQ(OfficeNameList(m_dir.file("absent")).Save(), kOfficeFileNotWritten);
}

} // namespace
} // namespace custodia
