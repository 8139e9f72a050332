#include "cli/CliTest.h"
#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"

namespace custodia::test {
namespace {

class GroupCommandsTest : public CliTest {
protected:
    std::string ProfileOf(int program) const { return FileOf(kProfileFiles[static_cast<size_t>(program)].fileName); }

    GroupRecord StoredGroup(int program, uint8_t number) const
    {
        GroupRecordBytes bytes {};
        EXPECT_EQ(RecordFile().ReadRecord(ProfileOf(program), grouprecord::kKind, number, bytes, true), bytes.size());
        return GroupRecord::Decode(bytes);
    }
};

TEST_F(GroupCommandsTest, SaveWritesAllTwelveFilesAndShowPrintsEachRowToItsLength)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0", "--grant", "1:44", "--grant=3:21" });
    for (int program = 0; program < kProgramCount; ++program) {
        EXPECT_EQ(ReadBytes(ProfileOf(program)).size(), 35u + 4 + grouprecord::kSize) << program;
        EXPECT_EQ(StoredGroup(program, 5).name, "Admins");
    }
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tAdmins\n");
    EXPECT_EQ(RunOk({ "groups", "show", "lp", "5" }).out,
        "0\tconvert.prf\t0\n"
        "1\tsetup.prf\t000000000000000000000000000000000000000000001\n"
        "2\tdownload.prf\t000000000000\n"
        "3\tview.prf\t0000000000000000000001\n"
        "4\tautocall.prf\t0000000000\n"
        "5\talarmin.prf\t00000\n"
        "6\tcustodia.prf\t1\n"
        "7\tdatagen.prf\t0\n"
        "8\talarmpro.prf\t0000\n"
        "9\texport.prf\t0\n"
        "10\ttranslator.prf\t0\n"
        "11\treporter.prf\t0\n");
}

TEST_F(GroupCommandsTest, SaveStartsFromTheRightsTheGroupHas)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0", "--grant", "1:44" });
    RunOk({ "groups", "save", "lp", "5", "Supervisors", "--revoke", "1:44", "--grant", "2:11" });
    const Lines rows = SplitLines(RunOk({ "groups", "show", "lp", "5" }).out);
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[1], "1\tsetup.prf\t" + std::string(45, '0'));
    EXPECT_EQ(rows[2], "2\tdownload.prf\t000000000001");
    EXPECT_EQ(rows[6], "6\tcustodia.prf\t1");
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tSupervisors\n");
}

// Another program's record with rights past the row length: shown cut, and written back as zeros.
TEST_F(GroupCommandsTest, RightsPastTheRowLengthAreNeitherShownNorKept)
{
    GroupRecord record;
    record.name = "Wide";
    std::fill_n(record.rights.begin(), 100, 1);
    const GroupRecordBytes bytes = record.Encode();
    ASSERT_EQ(RecordFile().WriteRecord(ProfileOf(kProgramSetup), grouprecord::kKind, 9, bytes, true), 1);
    EXPECT_EQ(SplitLines(RunOk({ "groups", "show", "lp", "9" }).out)[1], "1\tsetup.prf\t" + std::string(45, '1'));

    RunOk({ "groups", "save", "lp", "9", "Wide" });
    const GroupRecord saved = StoredGroup(kProgramSetup, 9);
    EXPECT_TRUE(std::all_of(saved.rights.begin(), saved.rights.begin() + 45, [](unsigned char b) { return b == 1; }));
    EXPECT_TRUE(std::all_of(saved.rights.begin() + 45, saved.rights.end(), [](unsigned char b) { return b == 0; }));
}

TEST_F(GroupCommandsTest, DeleteRemovesTheGroupFromEveryFileThatHoldsIt)
{
    RunOk({ "groups", "save", "lp", "5", "Admins" });
    RunOk({ "groups", "save", "lp", "6", "Guests" });
    RunOk({ "groups", "delete", "lp", "5" });
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "6\tGuests\n");

    for (const auto& arguments :
        std::vector<std::vector<std::string>> { { "groups", "delete", "lp", "5" }, { "groups", "show", "lp", "5" } }) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(Contains(result.err, "no profile file holds group 5"));
    }
    RunOk({ "groups", "delete", "lp", "6" });
    EXPECT_EQ(Run({ "groups", "list", "lp" }).status, 1);
}

TEST_F(GroupCommandsTest, DamagedProfileFileStopsEveryChange)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0" });
    DamageRecordFile(ProfileOf(kProgramView));
    const auto before = Snapshot();
    for (const auto& arguments : std::vector<std::vector<std::string>> { { "groups", "save", "lp", "5", "Renamed" },
             { "groups", "save", "lp", "8", "New" }, { "groups", "delete", "lp", "5" } }) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(Contains(result.err, "lp/view.prf: damaged (checksum wrong); nothing was changed"));
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GroupCommandsTest, DamagedProfileFilesAreNotPassedOffAsEmpty)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0", "--grant", "3:0" });
    DamageRecordFile(ProfileOf(kProgramView));
    const CliResult shown = Run({ "groups", "show", "lp", "5" });
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(SplitLines(shown.out).size(), 12u);
    EXPECT_EQ(SplitLines(shown.out)[3], "3\tview.prf\t" + std::string(22, '0'));
    EXPECT_TRUE(Contains(shown.err, "lp/view.prf: damaged (checksum wrong); its row is shown as all zero"));

    DamageRecordFile(ProfileOf(kProgramSetup));
    const CliResult listed = Run({ "groups", "list", "lp" });
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.out, "");
    EXPECT_TRUE(Contains(listed.err, "lp/setup.prf: damaged"));
}

} // namespace
} // namespace custodia::test
