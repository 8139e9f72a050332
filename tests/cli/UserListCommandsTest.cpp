#include "cli/CliTest.h"
#include "store/AccountService.h"

#include <sys/stat.h>

namespace custodia::test {
namespace {

// "lp" holds groups 0 and 7, database slots 1 and 3 and three users with office selections; the
// second login path "to" holds the same groups and slots and no users.
class UserListCommandsTest : public CliTest {
protected:
    UserListCommandsTest()
    {
        for (const std::string path : { "lp", "to" }) {
            if (path == "to") {
                EXPECT_EQ(::mkdir(m_dir.file(path).c_str(), 0755), 0);
            }
            RunOk({ "groups", "save", path, "0", "Staff" });
            RunOk({ "groups", "save", path, "7", "Readers, night" });
            RunOk({ "databases", "set", path, "1", "--path", "/data/north" });
            RunOk({ "databases", "set", path, "3", "--path", "/data/south" });
        }
        Save("anna", [](UserEntry& e) {
            e.user = UserRecord { 1, 0b101, "anna", "Anna \"Nan\" Berg", "day, late", "a", 7 };
            e.access.SetOfficeSelectionEnabled(0, true);
            for (const int office : { 1, 2, 3, 17, 100 })
                e.access.SetOfficeAllowed(0, office, true);
            e.access.SetOfficeSelectionEnabled(10, true);
        });
        Save("M\xFCller", [](UserEntry& e) { e.user = UserRecord { 0, 0, "M\xFCller", "", "line1", "b", 0 }; });
        Save("carl", [](UserEntry& e) {
            e.user = UserRecord { 0, 4, "carl", "Carl", "", "c", 0 };
            e.access.SetOfficeSelectionEnabled(2, true);
            e.access.SetOfficeAllowed(2, 50, true);
        });
    }

    void Save(const std::string& name, const std::function<void(UserEntry&)>& change) const
    {
        ASSERT_TRUE(AccountService(NativePath(LoginPath())).SaveUser(name, SaveMode::CreateOnly, change));
    }

    std::vector<UserEntry> Users(const std::string& path) const
    {
        const auto users = AccountService(NativePath(m_dir.file(path))).LoadUsers();
        EXPECT_TRUE(users);
        return users ? *users : std::vector<UserEntry>();
    }

    std::string List(const std::string& name, const std::string& text) const
    {
        WriteText(m_dir.file(name), text);
        return name;
    }
};

TEST_F(UserListCommandsTest, ExportThenImportIntoAnEmptyLoginPathGivesTheSameUsers)
{
    for (const std::string format : { "csv", "tsv" }) {
        SCOPED_TRACE(format);
        ::unlink(m_dir.file("to/tessel.pwd").c_str());
        const CliResult exported = RunOk({ "users", "export", "lp", "--format", format });
        EXPECT_EQ(exported.out.find("\xFC"), std::string::npos) << "UTF-8, not the stored code page";
        List("users." + format, exported.out);
        const CliResult imported
            = RunOk({ "users", "import", "to", "users." + format, "--format", format, "--allow-no-password" });
        EXPECT_EQ(imported.out, "added 3, changed 0, left 0, deleted 0\n");

        std::vector<UserEntry> expected = Users("lp");
        for (UserEntry& entry : expected)
            entry.user.password.clear(); // never exported
        EXPECT_EQ(Users("to"), expected);
        // And the list of the copy is the list of the original.
        EXPECT_EQ(RunOk({ "users", "export", "to", "--format", format }).out, exported.out);
    }
}

TEST_F(UserListCommandsTest, ExportWritesAHeaderAndEscapesAsTheListsDo)
{
    const Lines csv = SplitLines(RunOk({ "users", "export", "lp" }).out);
    ASSERT_EQ(csv.size(), 4u);
    EXPECT_EQ(csv[0],
        "name,full name,description,group,group name,database mode,database mask,offices 1,offices 2,offices 3,"
        "offices 4,offices 5,offices 6,offices 7,offices 8,offices 9,offices 10,offices current\r");
    EXPECT_EQ(
        csv[1], "anna,\"Anna \"\"Nan\"\" Berg\",\"day, late\",7,\"Readers, night\",1,5,\"1-3,17,100\",,,,,,,,,,none\r");
    EXPECT_EQ(SplitLines(RunOk({ "users", "export", "lp", "--format", "tsv" }).out)[2],
        "M\xC3\xBCller\t\tline1\t0\tStaff\t0\t0\t\t\t\t\t\t\t\t\t\t\t");
    const CliResult missing = Run({ "users", "export", "to" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(Contains(missing.err, "tessel.pwd: no such file"));
}

TEST_F(UserListCommandsTest, OneBadLineAmongAThousandChangesNothingAndIsNamed)
{
    std::string csv = "name,group,password\n";
    for (int i = 0; i < 1000; ++i)
        csv += "user" + std::to_string(i) + (i == 733 ? ",3" : ",7") + ",pw" + std::to_string(i) + "\n";
    List("many.csv", csv);
    const auto before = Snapshot();
    const CliResult refused = Run({ "users", "import", "lp", "many.csv" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(SplitLines(refused.err),
        (Lines { "custodiactl: many.csv:735: group 3 is not a group of the login path",
            "custodiactl: 1 line is bad; nothing was changed" }));
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(UserListCommandsTest, ADryRunSaysWhatWouldHappenAndChangesNothing)
{
    List("list.csv", "name,full name,offices current,password\nanna,Anna,,\ncarl,Carl,,\nnew,,3,s3cret\n");
    const auto before = Snapshot();
    const std::vector<std::string> import { "users", "import", "lp", "list.csv", "--replace", "--delete-missing" };
    std::vector<std::string> dryRun = import;
    dryRun.push_back("--dry-run");
    EXPECT_EQ(RunOk(dryRun).out,
        "add\tnew\nchange\tanna\tfull name, offices current\nleave\tcarl\ndelete\tM\xC3\xBCller\n"
        "would add 1, change 1, leave 1, delete 1; nothing was changed\n");
    EXPECT_EQ(Snapshot(), before);

    EXPECT_EQ(RunOk(import).out, "added 1, changed 1, left 1, deleted 1\n");
    const std::vector<UserEntry> users = Users("lp");
    ASSERT_EQ(users.size(), 3u);
    EXPECT_EQ(users[0].user.fullName, "Anna");
    EXPECT_EQ(users[0].user.password, "a") << "kept: the list gave none";
    EXPECT_EQ(users[0].user.databaseMask, 0b101u) << "kept: the list has no such column";
    EXPECT_EQ(RunOk({ "users", "check", "lp", "new" }, "s3cret\n").out, "ok\n");
}

TEST_F(UserListCommandsTest, PasswordsOfTheListAreNeverPrinted)
{
    const std::string good = "Zq8-good-secret";
    const std::string bad = "Zq9-b\xC3\xA4"
                            "d-secret";
    List("secret.csv", "name,password\nnew1," + good + "\nnew2," + bad + "\nnew1," + good + "\n");
    std::string everything;
    for (const std::vector<std::string>& arguments :
        std::vector<std::vector<std::string>> { { "users", "import", "lp", "secret.csv" },
            { "users", "import", "lp", "secret.csv", "--dry-run" }, { "users", "import", "lp", "-" } }) {
        const CliResult result = Run(arguments, ReadText(m_dir.file("secret.csv")));
        EXPECT_EQ(result.status, 1);
        everything += result.out + result.err;
    }
    EXPECT_EQ(everything.find("Zq8"), std::string::npos) << everything;
    EXPECT_EQ(everything.find("Zq9"), std::string::npos) << everything;
    EXPECT_TRUE(Contains(everything, "secret.csv:3: the password must be"));
    EXPECT_TRUE(Contains(everything, "on line 2 already"));
}

TEST_F(UserListCommandsTest, AListThatIsNoListIsRefusedWithItsLine)
{
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        { "name,password\nok,pw\n\"never,pw\n", "list.csv:3: a quoted field never ends" },
        { "name,password\nbad\"quote,pw\n", "list.csv:2: a quote inside a field" },
        { "", "list.csv:1: the list has no header line" },
        { "nom,password\nx,pw\n", "list.csv:1: header: 'nom' is not a column" },
    };
    for (const Case& list : cases) {
        List("list.csv", list.text);
        const CliResult refused = Run({ "users", "import", "lp", "list.csv" });
        EXPECT_EQ(refused.status, 1) << list.text;
        EXPECT_TRUE(Contains(refused.err, list.message));
    }
}

TEST_F(UserListCommandsTest, WrongArgumentsExitWithTwo)
{
    List("list.csv", "name\n");
    for (const std::vector<std::string>& arguments :
        std::vector<std::vector<std::string>> { { "users", "import", "lp", "list.csv", "--replace", "--skip-existing" },
            { "users", "import", "lp", "list.csv", "--format", "xml" }, { "users", "export", "lp", "--format", "x" },
            { "users", "import", "lp" } })
        EXPECT_EQ(Run(arguments).status, 2) << arguments.back();
    EXPECT_EQ(Run({ "users", "import", "lp", "missing.csv" }).status, 1);
}

} // namespace
} // namespace custodia::test
