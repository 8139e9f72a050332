#include "store/DatabaseList.h"
#include "platform/Endian.h"
#include "platform/Platform.h"
#include "store/DatabaseListStore.h"
#include "store/RecordFile.h"
#include "store/Session.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

std::string At(const DatabaseList::Image& image, size_t offset)
{
    return reinterpret_cast<const char*>(image.data() + offset);
}

TEST(DatabaseListImageTest, FieldsLieAtTheirOffsets)
{
    EXPECT_EQ(databaselist::kMirrorPathOffset, 4112u);
    EXPECT_EQ(databaselist::kMirrorSwitchOffset, 8224u);
    EXPECT_EQ(databaselist::kDescriptionOffset, 8240u);
    EXPECT_EQ(databaselist::kUnusedOffset, 9056u);

    DatabaseList list;
    list.SetPath(0, "/data/plant");
    list.SetPath(9, "/data/ten");
    list.SetMirrorPath(1, "/mirror/one");
    list.SetMirrorOn(1, true);
    list.SetDescription(15, "sixteenth");
    const DatabaseList::Image& image = list.GetImage();
    EXPECT_EQ(At(image, 0), "/data/plant");
    EXPECT_EQ(At(image, 9 * 257), "/data/ten");
    EXPECT_EQ(At(image, 4112 + 257), "/mirror/one");
    EXPECT_EQ(image[8224 + 1], 1);
    EXPECT_EQ(At(image, 8240 + 15 * 51), "sixteenth");
    EXPECT_EQ(std::count_if(image.begin(), image.end(), [](unsigned char b) { return b != 0; }), 11 + 9 + 11 + 1 + 9);

    EXPECT_EQ(list.GetMirrorPath(1), "/mirror/one");
    EXPECT_TRUE(list.IsMirrorOn(1));
    EXPECT_FALSE(list.IsSlotEmpty(0));
    EXPECT_TRUE(list.IsSlotEmpty(2));
}

TEST(DatabaseListImageTest, WritesStayInsideTheirFieldsAndSlots)
{
    DatabaseList list;
    list.GetImage().fill(0xEE);
    list.SetPath(0, std::string(400, 'p'));
    list.SetDescription(15, std::string(80, 'd'));
    list.SetPath(16, "outside");
    list.SetDescription(-1, "outside");
    list.SetMirrorOn(16, true);
    const DatabaseList::Image& image = list.GetImage();
    EXPECT_EQ(list.GetPath(0), std::string(256, 'p'));
    EXPECT_EQ(image[256], 0);
    EXPECT_EQ(image[257], 0xEE) << "slot 1 untouched";
    EXPECT_EQ(list.GetDescription(15), std::string(50, 'd'));
    EXPECT_EQ(image[9056], 0xEE) << "unused area untouched";
    EXPECT_EQ(std::count(image.begin(), image.end(), 0xEE), static_cast<long>(19296 - 257 - 51));
    EXPECT_EQ(list.GetPath(16), "");
    EXPECT_FALSE(list.IsMirrorOn(-1));

    // Unterminated fields are read within the field.
    DatabaseList full;
    full.GetImage().fill('x');
    EXPECT_EQ(full.GetPath(15), std::string(256, 'x'));
    EXPECT_EQ(full.GetDescription(15), std::string(50, 'x'));
}

class DatabaseListFileTest : public ::testing::Test {
protected:
    DatabaseListFileTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    std::string ListPath() const { return m_dir.file("tessel.dbs"); }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    DatabaseListStore m_databases { NativePath(m_dir.path()) };
    // Keeps the list last read, as the console's session does.
    Session m_session;
};

TEST_F(DatabaseListFileTest, SavingIntoALoginPathWithoutTheFileCreates19335Bytes)
{
    DatabaseList list;
    list.SetPath(2, "/srv/db3");
    list.SetDescription(2, "third");
    ASSERT_TRUE(m_databases.Save(list));
    const Bytes file = ReadBytes(ListPath());
    ASSERT_EQ(file.size(), 19335u);
    EXPECT_EQ(ReadUint32LE(file.data() + 8), 19335u);
    EXPECT_EQ(file[35], 87);
    EXPECT_EQ(file[36], 1);
    EXPECT_EQ(ReadUint16LE(file.data() + 37), 19300);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data() + 39 + 2 * 257)), "/srv/db3");

    EXPECT_EQ(m_session.GetDatabaseList(), nullptr);
    ASSERT_TRUE(m_session.LoadDatabaseList(m_databases).WasRead());
    EXPECT_EQ(m_session.GetDatabaseList()->GetImage(), list.GetImage());
}

TEST_F(DatabaseListFileTest, TheUnusedAreaIsWrittenBackAsItWasRead)
{
    DatabaseList::Image foreign {};
    for (size_t i = databaselist::kUnusedOffset; i < foreign.size(); ++i)
        foreign[i] = static_cast<unsigned char>(i * 7);
    RecordFile records;
    ASSERT_TRUE(records.WriteRecord(ListPath(), 87, 1, foreign, true).HasValue());

    ASSERT_TRUE(m_session.LoadDatabaseList(m_databases).WasRead());
    DatabaseList edited = *m_session.GetDatabaseList();
    edited.SetPath(0, "/changed");
    edited.SetMirrorOn(0, true);
    ASSERT_TRUE(m_databases.Save(edited));

    const Bytes file = ReadBytes(ListPath());
    ASSERT_EQ(file.size(), 19335u) << "replaced in place";
    EXPECT_TRUE(std::equal(
        foreign.begin() + databaselist::kUnusedOffset, foreign.end(), file.begin() + 39 + databaselist::kUnusedOffset));
    DatabaseList reread;
    ASSERT_TRUE(m_databases.Load(reread).WasRead());
    EXPECT_EQ(reread.GetPath(0), "/changed");
}

TEST_F(DatabaseListFileTest, MissingOrForeignFilesGiveAZeroImage)
{
    EXPECT_EQ(m_session.LoadDatabaseList(m_databases).status, FileReadStatus::Missing);
    const DatabaseList::Image zero {};
    EXPECT_EQ(m_session.GetDatabaseList()->GetImage(), zero);

    // A load after a good one starts from zero again.
    DatabaseList list;
    list.SetPath(0, "/x");
    ASSERT_TRUE(m_databases.Save(list));
    ASSERT_TRUE(m_session.LoadDatabaseList(m_databases).WasRead());
    WriteBytes(ListPath(), Bytes(3, 0x81));
    EXPECT_EQ(m_session.LoadDatabaseList(m_databases).status, FileReadStatus::Damaged);
    EXPECT_EQ(m_session.GetDatabaseList()->GetImage(), zero);

    EXPECT_FALSE(DatabaseListStore(NativePath(m_dir.file("absent"))).Save(list));
}

} // namespace
} // namespace custodia
