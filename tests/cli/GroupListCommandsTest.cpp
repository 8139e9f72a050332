#include "cli/CliTest.h"

#include <sys/stat.h>

namespace custodia::test {
namespace {

// "lp" holds groups 0 and 7 with rights in several programs, two database slots and two users.
class GroupListCommandsTest : public CliTest {
protected:
    GroupListCommandsTest()
    {
        RunOk({ "groups", "save", "lp", "0", "Staff", "--grant", "1:0", "--grant", "6:0" });
        RunOk(
            { "groups", "save", "lp", "7", "Night, \"late\"", "--grant", "1:44", "--grant", "3:21", "--grant", "0:0" });
        RunOk({ "databases", "set", "lp", "1", "--path", "/data/north" });
        RunOk({ "databases", "set", "lp", "3", "--path", "/data/south" });
        RunOk({ "users", "add", "lp", "anna", "--group", "7", "--database-mode", "1", "--database-mask", "5" }, "a\n");
        RunOk({ "users", "add", "lp", "bert" }, "b\n");
        EXPECT_EQ(::mkdir(m_dir.file("to").c_str(), 0755), 0);
    }

    std::string Rows(const std::string& path, const std::string& group) const
    {
        return RunOk({ "groups", "show", path, group, "--rows" }).out;
    }
};

TEST_F(GroupListCommandsTest, ExportThenImportIntoAnEmptyLoginPathGivesTheSameAccounts)
{
    WriteText(m_dir.file("groups.csv"), RunOk({ "groups", "export", "lp" }).out);
    WriteText(m_dir.file("users.csv"), RunOk({ "users", "export", "lp" }).out);
    EXPECT_EQ(RunOk({ "groups", "import", "to", "groups.csv" }).out, "added 2, changed 0, left 0, deleted 0\n");
    RunOk({ "databases", "set", "to", "1", "--path", "/data/north" });
    RunOk({ "databases", "set", "to", "3", "--path", "/data/south" });
    RunOk({ "users", "import", "to", "users.csv", "--allow-no-password" });

    EXPECT_EQ(RunOk({ "groups", "list", "to" }).out, RunOk({ "groups", "list", "lp" }).out);
    for (const std::string group : { "0", "7" })
        EXPECT_EQ(Rows("to", group), Rows("lp", group)) << group;
    EXPECT_EQ(RunOk({ "users", "list", "to" }).out, RunOk({ "users", "list", "lp" }).out);
    EXPECT_EQ(RunOk({ "groups", "export", "to" }).out, ReadText(m_dir.file("groups.csv")));
}

TEST_F(GroupListCommandsTest, ExportNamesEveryProgramOfEveryGroup)
{
    const Lines lines = SplitLines(RunOk({ "groups", "export", "lp", "--format", "tsv" }).out);
    ASSERT_EQ(lines.size(), 1u + 2 * 12);
    EXPECT_EQ(lines[0], "group\tname\tprogram\trights");
    EXPECT_EQ(lines[1], "0\tStaff\tconvert\t");
    EXPECT_TRUE(Contains(lines[2], "0\tStaff\tsetup\tRun Setup"));
    EXPECT_EQ(lines[13], "7\tNight, \"late\"\tconvert\t#0"); // no page of the console names it
}

TEST_F(GroupListCommandsTest, ABadLineChangesNoProfileFile)
{
    WriteText(m_dir.file("groups.csv"),
        "group,name,program,rights\n5,Five,setup,Run Setup\n7,Night,setup,Fly\n7,Night,paint,\n");
    const auto before = Snapshot();
    const CliResult refused = Run({ "groups", "import", "lp", "groups.csv", "--replace" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Contains(refused.err, "groups.csv:3: 'Fly' is not a right of setup"));
    EXPECT_TRUE(Contains(refused.err, "groups.csv:4: 'paint' is not one of the twelve programs"));
    EXPECT_TRUE(Contains(refused.err, "2 lines are bad; nothing was changed"));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GroupListCommandsTest, ReplacingSetsTheProgramsGivenAndKeepsTheOthers)
{
    WriteText(m_dir.file("groups.csv"), "group,name,program,rights\n7,Night,setup,Run Setup\n");
    const auto before = Snapshot();
    EXPECT_EQ(RunOk({ "groups", "import", "lp", "groups.csv", "--replace", "--dry-run" }).out,
        "change\t7\tNight\nwould add 0, change 1, leave 0, delete 0; nothing was changed\n");
    EXPECT_EQ(Snapshot(), before);
    RunOk({ "groups", "import", "lp", "groups.csv", "--replace" });
    const Lines rows = SplitLines(Rows("lp", "7"));
    EXPECT_EQ(rows[0], "0\tconvert.prf\t1") << "kept";
    EXPECT_EQ(rows[1], "1\tsetup.prf\t1" + std::string(44, '0')) << "exactly the rights named";
    EXPECT_TRUE(Contains(RunOk({ "groups", "list", "lp" }).out, "7\tNight\n"));
}

} // namespace
} // namespace custodia::test
