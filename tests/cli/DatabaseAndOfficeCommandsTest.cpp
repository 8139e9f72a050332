#include "cli/CliTest.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/OfficeNameList.h"

namespace custodia::test {
namespace {

std::string EmptySlots(int from, int to)
{
    std::string lines;
    for (int slot = from; slot <= to; ++slot)
        lines += std::to_string(slot) + "\t\t\t0\t\n";
    return lines;
}

TEST_F(CliTest, LoginPathWithoutDatabaseListHasTenEmptySlots)
{
    EXPECT_EQ(RunOk({ "databases", "list", "lp" }).out, EmptySlots(1, 10));
}

TEST_F(CliTest, DatabaseSetChangesOneSlotAndKeepsTheRestOfTheImage)
{
    RunOk({ "databases", "set", "lp", "2", "--path", "/data/north", "--mirror", "/backup/north", "--mirror-on",
        "--description", "North" });
    EXPECT_EQ(ReadBytes(FileOf(databaselist::kFileName)).size(), 19335u);
    EXPECT_EQ(RunOk({ "databases", "list", "lp" }).out,
        EmptySlots(1, 1) + "2\t/data/north\t/backup/north\t1\tNorth\n" + EmptySlots(3, 10));

    // Bytes the console does not use, as another program left them.
    const DatabaseListStore store { NativePath(LoginPath()) };
    DatabaseList image;
    ASSERT_TRUE(store.Load(image).WasRead());
    for (size_t i = databaselist::kUnusedOffset; i < databaselist::kSize; ++i)
        image.GetImage()[i] = static_cast<unsigned char>(i * 7);
    image.SetPath(12, "/slot/thirteen");
    ASSERT_TRUE(store.Save(image));

    RunOk({ "databases", "set", "lp", "10", "--path", "/data/ten", "--description", "Ten" });
    RunOk({ "databases", "set", "lp", "2", "--mirror-off", "--description", "" });
    DatabaseList reread;
    ASSERT_TRUE(store.Load(reread).WasRead());
    DatabaseList expected = image;
    expected.SetPath(9, "/data/ten");
    expected.SetDescription(9, "Ten");
    expected.SetMirrorOn(1, false);
    expected.SetDescription(1, "");
    EXPECT_TRUE(reread.GetImage() == expected.GetImage());
    EXPECT_EQ(SplitLines(RunOk({ "databases", "list", "lp" }).out)[1], "2\t/data/north\t/backup/north\t0\t");
}

TEST_F(CliTest, DamagedDatabaseListIsReportedAndLeftAlone)
{
    RunOk({ "databases", "set", "lp", "1", "--path", "/data/one" });
    DamageRecordFile(FileOf(databaselist::kFileName));
    const auto before = Snapshot();
    const CliResult set = Run({ "databases", "set", "lp", "1", "--path", "/data/other" });
    EXPECT_EQ(set.status, 1);
    EXPECT_TRUE(Contains(set.err, "lp/tessel.dbs: damaged (checksum wrong); nothing was changed"));
    const CliResult list = Run({ "databases", "list", "lp" });
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliTest, FolderWithoutOfficeNamesHasHundredEmptyOffices)
{
    const Lines offices = SplitLines(RunOk({ "offices", "list", "lp" }).out);
    ASSERT_EQ(offices.size(), 100u);
    EXPECT_EQ(offices.front(), "1\t\t");
    EXPECT_EQ(offices.back(), "100\t\t");
}

TEST_F(CliTest, OfficeSetWritesOneOfficeAndKeepsTheOthers)
{
    RunOk({ "offices", "set", "lp", "1", "123456789", std::string(49, 'H') });
    RunOk({ "offices", "set", "lp", "100", "Z-9", "Last office" });
    RunOk({ "offices", "set", "lp", "1", "001", "Head office" });
    EXPECT_EQ(ReadBytes(FileOf(officenames::kFileName)).size(), 35u + 4 + officenames::kSize);
    const Lines offices = SplitLines(RunOk({ "offices", "list", "lp" }).out);
    ASSERT_EQ(offices.size(), 100u);
    EXPECT_EQ(offices[0], "1\t001\tHead office");
    EXPECT_EQ(offices[1], "2\t\t");
    EXPECT_EQ(offices[99], "100\tZ-9\tLast office");
}

TEST_F(CliTest, DamagedOfficeNamesAreReportedAndLeftAlone)
{
    RunOk({ "offices", "set", "lp", "1", "001", "Head office" });
    DamageRecordFile(FileOf(officenames::kFileName));
    const auto before = Snapshot();
    const CliResult set = Run({ "offices", "set", "lp", "2", "002", "Branch" });
    EXPECT_EQ(set.status, 1);
    EXPECT_TRUE(Contains(set.err, "lp/officena.mes: damaged (checksum wrong); nothing was changed"));
    EXPECT_EQ(Run({ "offices", "list", "lp" }).status, 1);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(Contains(Run({ "offices", "list", "nowhere" }).err, "nowhere: no such folder"));
}

} // namespace
} // namespace custodia::test
