#include "cli/CliTest.h"
#include "store/AccountService.h"

#include <sys/stat.h>

namespace custodia::test {
namespace {

// "lp" holds groups 0 and 7, slots 1 and 3 and two users; "to" is an empty folder.
class CopyCommandTest : public CliTest {
protected:
    CopyCommandTest()
    {
        RunOk({ "groups", "save", "lp", "0", "Staff", "--grant", "6:0" });
        RunOk({ "groups", "save", "lp", "7", "Readers", "--grant", "1:3" });
        RunOk({ "databases", "set", "lp", "1", "--path", "/data/north", "--description", "North" });
        RunOk({ "databases", "set", "lp", "3", "--path", "/data/south" });
        RunOk({ "users", "add", "lp", "anna", "--group", "7", "--database-mode", "1", "--database-mask", "5" },
            "a-secret\n");
        RunOk({ "users", "add", "lp", "bert" }, "b\n");
        EXPECT_EQ(::mkdir(m_dir.file("to").c_str(), 0755), 0);
    }
};

TEST_F(CopyCommandTest, CopiesEverythingThatFitsWithPasswords)
{
    EXPECT_EQ(RunOk({ "copy", "lp", "to", "--dry-run" }).out,
        "set database\t1\t/data/north\nset database\t3\t/data/south\nadd group\t0\tStaff\nadd group\t7\tReaders\n"
        "add user\tanna\nadd user\tbert\nwould copy 2 database slots, 2 groups, 2 users; nothing was changed\n");
    EXPECT_TRUE(Snapshot(m_dir.file("to")).empty());
    EXPECT_EQ(RunOk({ "copy", "lp", "to" }).out, "copied 2 database slots, 2 groups, 2 users\n");
    for (const std::vector<std::string>& list :
        std::vector<std::vector<std::string>> { { "users", "list" }, { "groups", "list" }, { "databases", "list" } }) {
        std::vector<std::string> of = list;
        of.push_back("lp");
        std::vector<std::string> copy = list;
        copy.push_back("to");
        EXPECT_EQ(RunOk(copy).out, RunOk(of).out) << list[0];
    }
    EXPECT_EQ(
        RunOk({ "groups", "show", "to", "7", "--rows" }).out, RunOk({ "groups", "show", "lp", "7", "--rows" }).out);
    EXPECT_EQ(RunOk({ "users", "check", "to", "anna" }, "a-secret\n").out, "ok\n");
}

TEST_F(CopyCommandTest, ReportsEveryMisfitAndChangesNothing)
{
    RunOk({ "groups", "save", "to", "7", "Writers" });
    RunOk({ "databases", "set", "to", "3", "--path", "/elsewhere" });
    RunOk({ "users", "add", "to", "bert" }, "x\n");
    const auto before = Snapshot();
    const CliResult refused = Run({ "copy", "lp", "to" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Contains(refused.err, "database slot 3: the target holds /elsewhere, not /data/south"));
    EXPECT_TRUE(Contains(refused.err, "group 7: the target's is named Writers, not Readers"));
    EXPECT_TRUE(Contains(refused.err, "user bert: a user bert exists already"));
    EXPECT_TRUE(Contains(refused.err, "3 of the accounts do not fit into"));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CopyCommandTest, CopiesOnlyWhatIsNamed)
{
    // The users alone do not fit: their groups are missing from the target.
    const CliResult users = Run({ "copy", "lp", "to", "--users" });
    EXPECT_EQ(users.status, 1);
    EXPECT_TRUE(Contains(users.err, "user bert: group 0 is not a group of the login path"));
    EXPECT_EQ(RunOk({ "copy", "lp", "to", "--groups" }).out, "copied 0 database slots, 2 groups, 0 users\n");
    EXPECT_FALSE(Snapshot(m_dir.file("to")).count(m_dir.file("to/tessel.pwd")));
    EXPECT_EQ(
        RunOk({ "copy", "lp", "to", "--databases", "--users" }).out, "copied 2 database slots, 0 groups, 2 users\n");
}

} // namespace
} // namespace custodia::test
