#include "cli/CliTest.h"
#include "store/DatabaseListStore.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "support/StoredAccounts.h"

#include <algorithm>

namespace custodia::test {
namespace {

TEST_F(CliTest, ProgramHelpNamesEveryCommandAndEachCommandHasItsOwn)
{
    const CliResult help = RunOk({ "--help" });
    const Lines commands = { "init", "users list", "users add", "users delete", "users check", "groups list",
        "groups show", "groups save", "groups delete", "databases list", "databases set", "offices list", "offices set",
        "paths list", "paths add", "paths remove", "verify", "repair" };
    for (const std::string& command : commands) {
        EXPECT_TRUE(Contains(help.out, "  " + command + " ")) << command;
        std::vector<std::string> arguments = SplitWords(command);
        arguments.push_back("--help");
        const CliResult own = RunOk(arguments);
        EXPECT_TRUE(Contains(own.out, "usage: custodiactl " + command)) << command;
    }
    EXPECT_TRUE(Contains(RunOk({ "users", "--help" }).out, "users check PATH NAME"));
}

// A user called "--help" can still be named, after "--".
TEST_F(CliTest, DoubleDashEndsOptions)
{
    RunOk({ "init", "lp" });
    RunOk({ "users", "add", "lp", "--", "--help" }, "pw\n");
    EXPECT_EQ(RunOk({ "users", "list", "lp" }).out, "--help\t\t0\t\t0\t0\n");
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments; // "LP" stands for the prepared login path
    std::string input;
    std::string message; // part of what stderr must say
};

void PrintTo(const UsageCase& usage, std::ostream* out)
{
    *out << usage.name;
}

class UsageErrorTest : public CliTest, public ::testing::WithParamInterface<UsageCase> {
protected:
    // A login path with something in every file, so that a command that wrongly went ahead would show.
    // Made through the store, which is quicker than starting the program for each.
    void SetUp() override
    {
        ASSERT_TRUE(StoreUser(LoginPath(), UserRecord { 0, 0, "bob", "Bob", "", "pw", 0 }));
        ASSERT_TRUE(
            ProfileStore(NativePath(LoginPath()))
                .ChangeGroup(5, "Admins", SaveMode::CreateOnly, [](int program, std::span<unsigned char> rights) {
                    rights[0] = program == kProgramCustodia ? 1 : 0;
                }));
        DatabaseList databases;
        databases.SetPath(0, "/data/one");
        ASSERT_TRUE(DatabaseListStore(NativePath(LoginPath())).Save(databases));
        OfficeNameList offices(LoginPath());
        offices.SetOffice(1, "001", "Head office");
        ASSERT_EQ(offices.Save(), kOfficesSaved);
        LoginPathList paths(m_dir.file(loginpaths::kFileName));
        ASSERT_TRUE(paths.StoreLoginPath("/srv/one"));
    }
};

TEST_P(UsageErrorTest, IsRefusedWithStatusTwoAndChangesNothing)
{
    const UsageCase& usage = GetParam();
    std::vector<std::string> arguments = usage.arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("LP"), LoginPath());
    const auto before = Snapshot();

    const CliResult result = Run(arguments, usage.input);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, usage.message));
    EXPECT_EQ(Snapshot(), before);
}

const std::string k43(43, 'n');
const std::string k51(51, 't');
const std::string k100(100, 'g');
const std::string k129(129, 'p');
const std::string k255(255, 'l');

INSTANTIATE_TEST_SUITE_P(Cases, UsageErrorTest,
    ::testing::Values(UsageCase { "NoCommand", {}, "", "no command given" },
        UsageCase { "UnknownCommand", { "user" }, "", "unknown command 'user'" },
        UsageCase { "NoSubCommand", { "users" }, "", "no sub-command" },
        UsageCase { "UnknownSubCommand", { "users", "remove", "LP", "bob" }, "", "unknown sub-command 'remove'" },
        UsageCase { "MissingOperand", { "users", "add", "LP" }, "pw\n", "missing NAME" },
        UsageCase { "ExtraOperand", { "users", "list", "LP", "more" }, "", "unexpected argument 'more'" },
        UsageCase {
            "UnknownOption", { "users", "add", "LP", "bob", "--fullname", "x" }, "pw\n", "unknown option --fullname" },
        UsageCase { "OptionWithoutValue", { "users", "add", "LP", "bob", "--group" }, "pw\n", "--group needs a value" },
        UsageCase {
            "OptionTwice", { "users", "add", "LP", "bob", "--group", "1", "--group=2" }, "pw\n", "more than once" },
        UsageCase {
            "GroupNotANumber", { "users", "add", "LP", "bob", "--group", "1x" }, "pw\n", "from 0 to 255, not '1x'" },
        UsageCase { "GroupTooLarge", { "users", "add", "LP", "bob", "--group=256" }, "pw\n", "from 0 to 255" },
        UsageCase {
            "MaskTooLarge", { "users", "add", "LP", "bob", "--database-mask", "4294967296" }, "pw\n", "4294967295" },
        UsageCase {
            "UserNameTooLong", { "users", "add", "LP", k43 }, "pw\n", "user name is 43 bytes long; at most 42" },
        UsageCase { "UserNameEmpty", { "users", "add", "LP", "" }, "pw\n", "user name is empty" },
        UsageCase {
            "FullNameTooLong", { "users", "add", "LP", "bob", "--full-name", k51 }, "pw\n", "full name is 51 bytes" },
        UsageCase {
            "DescriptionTooLong", { "users", "add", "LP", "bob", "--description", k51 }, "pw\n", "description is 51" },
        UsageCase { "TabInText", { "users", "add", "LP", "bob", "--full-name", "a\tb" }, "pw\n", "tab or a line end" },
        UsageCase { "PasswordTooLong", { "users", "add", "LP", "bob" }, k51 + "\n", "password is 51 bytes" },
        UsageCase { "PasswordNotAscii", { "users", "add", "LP", "bob" }, "caf\xc3\xa9\n", "printable ASCII" },
        UsageCase { "CheckedPasswordTooLong", { "users", "check", "LP", "bob" }, k51 + "\n", "password is 51 bytes" },
        UsageCase { "GroupNumberTooLarge", { "groups", "save", "LP", "256", "X" }, "", "group number must be" },
        UsageCase { "GroupNameTooLong", { "groups", "save", "LP", "5", k100 }, "", "group name is 100 bytes" },
        UsageCase { "GroupNameEmpty", { "groups", "save", "LP", "5", "" }, "", "group name is empty" },
        UsageCase {
            "RightWithoutPosition", { "groups", "save", "LP", "5", "A", "--grant", "6" }, "", "PROGRAM:POSITION" },
        UsageCase { "RightOfNoProgram", { "groups", "save", "LP", "5", "A", "--grant", "12:0" }, "", "from 0 to 11" },
        UsageCase { "RightPastRowLength", { "groups", "save", "LP", "5", "A", "--revoke", "6:1" }, "", "from 0 to 0" },
        UsageCase { "GrantedAndRevoked", { "groups", "save", "LP", "5", "A", "--grant", "1:3", "--revoke", "1:3" }, "",
            "both granted and revoked" },
        UsageCase { "NegativeGroup", { "groups", "show", "LP", "-1" }, "", "unknown option -1" },
        UsageCase { "SlotZero", { "databases", "set", "LP", "0", "--path", "/x" }, "", "slot must be" },
        UsageCase { "SlotEleven", { "databases", "set", "LP", "11", "--path", "/x" }, "", "from 1 to 10" },
        UsageCase { "NothingToChange", { "databases", "set", "LP", "1" }, "", "nothing to change" },
        UsageCase { "MirrorOnAndOff", { "databases", "set", "LP", "1", "--mirror-on", "--mirror-off" }, "",
            "cannot be given together" },
        UsageCase { "SwitchWithValue", { "databases", "set", "LP", "1", "--mirror-on=1" }, "", "takes no value" },
        UsageCase {
            "DatabasePathTooLong", { "databases", "set", "LP", "1", "--path", k129 }, "", "database path is 129" },
        UsageCase {
            "MirrorPathTooLong", { "databases", "set", "LP", "1", "--mirror", k129 }, "", "mirror path is 129" },
        UsageCase { "DatabaseDescriptionTooLong", { "databases", "set", "LP", "1", "--description", k51 }, "",
            "description is 51" },
        UsageCase { "OfficeZero", { "offices", "set", "LP", "0", "1", "x" }, "", "office number must be" },
        UsageCase { "OfficePastHundred", { "offices", "set", "LP", "101", "1", "x" }, "", "from 1 to 100" },
        UsageCase { "OfficeNumberTextTooLong", { "offices", "set", "LP", "1", "0123456789", "x" }, "",
            "office number text is 10 bytes" },
        UsageCase { "OfficeNameTooLong", { "offices", "set", "LP", "1", "1", std::string(50, 'o') }, "",
            "office name is 50 bytes" },
        UsageCase { "LoginPathTooLong", { "paths", "add", k255 }, "", "login path is 255 bytes" },
        UsageCase { "LoginPathEmpty", { "paths", "remove", "" }, "", "login path is empty" },
        UsageCase { "InitEmpty", { "init", "" }, "", "login path is empty" },
        UsageCase { "VerifyWithoutPath", { "verify" }, "", "missing PATH" },
        UsageCase { "RepairOfAnotherFile", { "repair", "LP", "../setup.prf" }, "",
            "'../setup.prf' is none of the shared files this command repairs" },
        UsageCase {
            "RepairOfTwoFiles", { "repair", "LP", "setup.prf", "view.prf" }, "", "unexpected argument 'view.prf'" }),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace custodia::test
