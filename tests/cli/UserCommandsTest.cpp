#include "cli/CliTest.h"
#include "platform/Endian.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "support/StoredAccounts.h"

namespace custodia::test {
namespace {

class UserCommandsTest : public CliTest {
protected:
    UserCommandsTest() { RunOk({ "init", "lp" }); }

    Bytes UserFile() const { return ReadBytes(FileOf(passwordfile::kFileName)); }
    uint32_t RecordCount() const { return ReadUint32LE(UserFile().data() + passwordfile::kRecordCountOffset); }

    UserEntry Stored(const std::string& name) const
    {
        const FoundUser found = PasswordFileStore(NativePath(LoginPath())).FindUser(name);
        EXPECT_EQ(found.status, kUserFound);
        return found.entry;
    }
};

TEST_F(UserCommandsTest, AddListCheckAndDeleteAUser)
{
    RunOk({ "users", "add", "lp", "bob", "--full-name", "Bob Stone", "--description", "night shift", "--group", "7",
              "--database-mode", "1", "--database-mask", "4294967295" },
        "Se cret\n");
    EXPECT_EQ(UserFile().size(), 466u); // header, user record, access record
    EXPECT_EQ(RecordCount(), 2u);
    EXPECT_EQ(RunOk({ "users", "list", "lp" }).out, "bob\tBob Stone\t7\tnight shift\t1\t4294967295\n");
    EXPECT_EQ(Stored("bob").user.password, "Se cret");

    EXPECT_EQ(RunOk({ "users", "check", "lp", "bob" }, "Se cret\n").out, "ok\n");
    EXPECT_EQ(RunOk({ "users", "check", "lp", "bob" }, "Se cret\r\n").out, "ok\n");
    EXPECT_EQ(RunOk({ "users", "check", "lp", "bob" }, "Se cret").out, "ok\n");
    const CliResult wrong = Run({ "users", "check", "lp", "bob" }, "se cret\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "wrong password\n");

    RunOk({ "users", "delete", "lp", "bob" });
    EXPECT_EQ(RecordCount(), 0u);
    const CliResult none = Run({ "users", "list", "lp" });
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    const CliResult again = Run({ "users", "delete", "lp", "bob" });
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Contains(again.err, "bob: no such user"));
}

TEST_F(UserCommandsTest, PasswordIsNeverPrinted)
{
    const std::string password = "Zq8-unique-secret";
    std::string everything;
    for (const auto& arguments : std::vector<std::vector<std::string>> {
             { "users", "add", "lp", "bob" }, { "users", "check", "lp", "bob" }, { "users", "list", "lp" } }) {
        const CliResult result = Run(arguments, password + "\n");
        everything += result.out + result.err;
    }
    EXPECT_EQ(everything.find(password), std::string::npos) << everything;
}

TEST_F(UserCommandsTest, ReplacingAUserKeepsItsOfficeSelectionAndTheValuesNotGiven)
{
    RunOk({ "users", "add", "lp", "bob", "--full-name", "Bob", "--description", "desk 4", "--group", "3" }, "one\n");
    UserEntry entry = Stored("bob");
    entry.access.SetOfficeSelectionEnabled(2, true);
    entry.access.SetOfficeAllowed(2, 17, true);
    ASSERT_TRUE(
        StoreUser(LoginPath(), UserEntry { UserRecord { 0, 0, "bob", "Bob", "desk 4", "one", 3 }, entry.access }));
    const size_t length = UserFile().size();

    RunOk({ "users", "add", "lp", "bob", "--group", "9" }, "two\n");
    const UserEntry replaced = Stored("bob");
    EXPECT_EQ(replaced.user.password, "two");
    EXPECT_EQ(replaced.user.groupNumber, 9);
    EXPECT_EQ(replaced.user.fullName, "Bob");
    EXPECT_EQ(replaced.user.description, "desk 4");
    EXPECT_TRUE(replaced.access.IsOfficeAllowed(2, 17));
    EXPECT_TRUE(replaced.access.IsOfficeSelectionEnabled(2));
    EXPECT_EQ(UserFile().size(), length);
    EXPECT_EQ(RecordCount(), 2u);
}

TEST_F(UserCommandsTest, FreedSlotsAreReusedAndListedInFileOrder)
{
    RunOk({ "users", "add", "lp", "ann" }, "a\n");
    RunOk({ "users", "add", "lp", "bob" }, "b\n");
    RunOk({ "users", "delete", "lp", "ann" });
    RunOk({ "users", "add", "lp", "cat", "--full-name", "Cat" }, "c\n");
    EXPECT_EQ(UserFile().size(), 54u + 4 * 206);
    // The new user's record lands in the later free slot, ann's old access record, before bob; its
    // access record in the earlier one.
    EXPECT_EQ(RunOk({ "users", "list", "lp" }).out, "cat\tCat\t0\t\t0\t0\nbob\t\t0\t\t0\t0\n");
    EXPECT_EQ(RunOk({ "users", "check", "lp", "cat" }, "c\n").out, "ok\n");
}

TEST_F(UserCommandsTest, DeleteRemovesEveryRecordOfTheName)
{
    // Another program left the name twice, with different texts.
    ASSERT_TRUE(StoreUser(LoginPath(), UserRecord { 0, 0, "bob", "First", "", "x", 0 }));
    PasswordFileRecord second = UserRecord { 0, 0, "bob", "Second", "", "y", 0 }.Encode();
    Bytes bytes = UserFile();
    bytes.insert(bytes.end(), second.begin(), second.end());
    WriteUint32LE(bytes.data() + passwordfile::kRecordCountOffset, 3);
    WriteBytes(FileOf(passwordfile::kFileName), bytes);

    RunOk({ "users", "delete", "lp", "bob" });
    EXPECT_EQ(Run({ "users", "list", "lp" }).status, 1);
    EXPECT_EQ(RecordCount(), 0u);
}

struct CheckStatusCase {
    const char* name;
    Bytes userFile; // empty: no file at all
    std::string expected;
};

void PrintTo(const CheckStatusCase& check, std::ostream* out)
{
    *out << check.name;
}

class CheckStatusTest : public CliTest, public ::testing::WithParamInterface<CheckStatusCase> { };

Bytes Header(const std::string& title)
{
    Bytes bytes(passwordfile::kHeaderSize, 0);
    std::copy(title.begin(), title.end(), bytes.begin());
    return bytes;
}

TEST_P(CheckStatusTest, PrintsTheLookUpStatusAndFails)
{
    if (!GetParam().userFile.empty())
        WriteBytes(FileOf(passwordfile::kFileName), GetParam().userFile);
    const CliResult result = Run({ "users", "check", "lp", "bob" }, "pw\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, GetParam().expected + "\n");
}

INSTANTIATE_TEST_SUITE_P(Statuses, CheckStatusTest,
    ::testing::Values(CheckStatusCase { "NoFile", {}, "251" },
        CheckStatusCase { "WrongTitle", Header("Quarva for Windows"), "252" },
        CheckStatusCase { "ShortHeader", Bytes(53, 'Q'), "253" },
        CheckStatusCase { "NoSuchUser", Header(passwordfile::kTitle), "255" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UserCommandsTest, NameDifferingOnlyInCaseIsNoSuchUser)
{
    RunOk({ "users", "add", "lp", "Bob" }, "pw\n");
    EXPECT_EQ(Run({ "users", "check", "lp", "bob" }, "pw\n").out, "255\n");
    EXPECT_EQ(Run({ "users", "delete", "lp", "bob" }).status, 1);
}

// A file with a wrong title or a cut header is refused by every command that would use it.
TEST_F(UserCommandsTest, DamagedUserFileIsReportedAndLeftAlone)
{
    for (const Bytes& damaged : { Header("Another Title"), Bytes(20, 'Q') }) {
        WriteBytes(FileOf(passwordfile::kFileName), damaged);
        const auto before = Snapshot();
        for (const auto& arguments : std::vector<std::vector<std::string>> {
                 { "users", "add", "lp", "bob" }, { "users", "delete", "lp", "bob" }, { "users", "list", "lp" } }) {
            const CliResult result = Run(arguments, "pw\n");
            EXPECT_EQ(result.status, 1) << arguments[1];
            EXPECT_TRUE(Contains(result.err, "lp/tessel.pwd: damaged")) << arguments[1];
            EXPECT_EQ(result.out, "");
        }
        EXPECT_EQ(Snapshot(), before);
    }
}

TEST_F(CliTest, UsersOfAFolderThatIsNotThereFail)
{
    for (const auto& arguments : std::vector<std::vector<std::string>> { { "users", "add", "nowhere", "bob" },
             { "users", "list", "nowhere" }, { "users", "delete", "nowhere", "bob" } }) {
        const CliResult result = Run(arguments, "pw\n");
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(Contains(result.err, "nowhere: no such folder"));
    }
    EXPECT_EQ(Snapshot().size(), 0u);
}

TEST_F(CliTest, AddingTheFirstUserCreatesTheUserFile)
{
    RunOk({ "users", "add", "lp", "bob" }, "pw\n");
    EXPECT_EQ(ReadBytes(FileOf(passwordfile::kFileName)).size(), 466u);
}

} // namespace
} // namespace custodia::test
