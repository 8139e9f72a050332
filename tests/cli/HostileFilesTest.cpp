#include "cli/CliTest.h"
#include "store/PasswordFile.h"
#include "store/ProfileStore.h"
#include "support/StoredAccounts.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia::test {
namespace {

// What may stand where a shared file belongs, and the words that name it in messages.
enum class Hostile { Fifo, DevZero, Folder, Sparse };

struct HostileCase {
    const char* name;
    Hostile kind;
    const char* named; // part of the message that names what was found
};

Bytes ValidPasswordHeader()
{
    const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
    return Bytes(header.begin(), header.end());
}

// A sparse file of 2 GB: reading it whole would take seconds and as much memory.
constexpr off_t kSparseLength = off_t { 2 } << 30;

void Plant(const std::string& path, Hostile kind, const Bytes& start = {})
{
    switch (kind) {
    case Hostile::Fifo:
        ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
        break;
    case Hostile::DevZero:
        std::filesystem::create_symlink("/dev/zero", path);
        break;
    case Hostile::Folder:
        std::filesystem::create_directory(path);
        break;
    case Hostile::Sparse: {
        WriteBytes(path, start);
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSparseLength), 0);
        ::close(fd);
        break;
    }
    }
}

// A shared file and the commands that read or change it.
struct SharedFileCommands {
    std::string file; // relative to the test folder
    std::vector<std::vector<std::string>> commands;
};

std::vector<SharedFileCommands> EveryShareFile()
{
    return {
        { "lp/tessel.pwd",
            { { "users", "list", "lp" }, { "users", "add", "lp", "bob" }, { "users", "delete", "lp", "bob" } } },
        { "lp/setup.prf", { { "groups", "list", "lp" }, { "groups", "save", "lp", "1", "Night" } } },
        { "lp/tessel.dbs", { { "databases", "list", "lp" }, { "databases", "set", "lp", "1", "--path", "/d" } } },
        { "lp/officena.mes", { { "offices", "list", "lp" }, { "offices", "set", "lp", "1", "01", "North" } } },
        { "custo.cfg", { { "paths", "list" }, { "paths", "add", "/srv/a" } } },
    };
}

class HostileFileTest : public CliTest, public ::testing::WithParamInterface<HostileCase> { };

// Each command ends at once (a hang is killed by the runner and fails here) with the file and what
// stands there named; nothing is created beside it.
TEST_P(HostileFileTest, EverySharedFileIsRefusedAtOnceNamingWhatIsThere)
{
    for (const SharedFileCommands& shared : EveryShareFile()) {
        const std::string path = m_dir.file(shared.file);
        // The password file keeps a valid header, so that only its size can give it away.
        Plant(path, GetParam().kind, shared.file == "lp/tessel.pwd" ? ValidPasswordHeader() : Bytes {});
        for (const auto& command : shared.commands) {
            const CliResult result = Run(command, "pw\n");
            EXPECT_EQ(result.status, 1) << command[0] << " " << command[1] << ": " << result.err;
            EXPECT_TRUE(Contains(result.err, shared.file + ": ")) << command[1];
            EXPECT_TRUE(Contains(result.err, GetParam().named)) << command[1];
        }
        std::filesystem::remove(path);
    }
}

// verify reads every file and says what it found, without waiting.
TEST_P(HostileFileTest, VerifyNamesWhatStandsInPlaceOfAFile)
{
    RunOk({ "init", "lp" });
    std::filesystem::remove(FileOf("tessel.pwd"));
    Plant(FileOf("tessel.pwd"), GetParam().kind, ValidPasswordHeader());
    Plant(FileOf("view.prf"), GetParam().kind);
    const CliResult result = Run({ "verify", "lp" });
    EXPECT_EQ(result.status, 1);
    const Lines lines = SplitLines(result.out);
    ASSERT_EQ(lines.size(), 2u) << result.out;
    for (const std::string& line : lines)
        EXPECT_TRUE(Contains(line, GetParam().named));
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileFileTest,
    ::testing::Values(HostileCase { "Fifo", Hostile::Fifo, "not a regular file (a named pipe (FIFO))" },
        HostileCase { "DevZero", Hostile::DevZero, "not a regular file (a character device)" },
        HostileCase { "Folder", Hostile::Folder, "not a regular file (a folder)" },
        HostileCase { "SparseTwoGigabytes", Hostile::Sparse, "more than the" }),
    [](const auto& info) { return std::string(info.param.name); });

class SymlinkTest : public CliTest {
protected:
    std::string Outside(const std::string& name) const { return m_dir.file("outside/" + name); }
};

// A link to a missing file would make every writer create its target, wherever it points.
TEST_F(SymlinkTest, DanglingLinksAreRefusedAndNothingIsCreatedOutside)
{
    std::filesystem::create_directory(m_dir.file("outside"));
    const std::vector<std::pair<std::string, std::vector<std::string>>> writes {
        { "lp/tessel.pwd", { "users", "add", "lp", "bob" } },
        { "lp/setup.prf", { "groups", "save", "lp", "1", "Night" } },
        { "lp/tessel.dbs", { "databases", "set", "lp", "1", "--path", "/d" } },
        { "lp/officena.mes", { "offices", "set", "lp", "1", "01", "North" } },
        { "custo.cfg", { "paths", "add", "/srv/a" } },
    };
    for (const auto& [file, command] : writes) {
        const std::string target = Outside(std::filesystem::path(file).filename());
        std::filesystem::create_symlink(target, m_dir.file(file));
        const CliResult result = Run(command, "pw\n");
        EXPECT_EQ(result.status, 1) << file;
        EXPECT_TRUE(Contains(result.err, file + ": "));
        EXPECT_TRUE(Contains(result.err, "a symbolic link to a missing file; no file is created through it"));
        EXPECT_FALSE(std::filesystem::exists(target)) << target;
    }
}

TEST_F(SymlinkTest, LinkToAnExistingFileKeepsWorking)
{
    RunOk({ "init", "real" });
    std::filesystem::create_symlink(m_dir.file("real/tessel.pwd"), FileOf("tessel.pwd"));
    RunOk({ "users", "add", "lp", "bob" }, "pw\n");
    EXPECT_EQ(RunOk({ "users", "list", "real" }).out, "bob\t\t0\t\t0\t0\n");
}

// A log link in the current folder must not turn every failed open into a write elsewhere.
TEST_F(SymlinkTest, ErrorLogIsNeverWrittenThroughALink)
{
    WriteText(m_dir.file("victim"), "precious\n");
    std::filesystem::create_symlink(m_dir.file("victim"), m_dir.file("FileErrors.txt"));
    std::filesystem::create_directory(FileOf("setup.prf"));
    EXPECT_EQ(Run({ "groups", "list", "lp" }).status, 1);
    EXPECT_EQ(ReadText(m_dir.file("victim")), "precious\n");
}

class ForgedOutputTest : public CliTest { };

// Names written by another program, with tabs, line ends, backslashes and terminal escapes.
TEST_F(ForgedOutputTest, ForgedNamesPrintEscapedAndVerifyWarns)
{
    RunOk({ "init", "lp" });
    UserEntry forged;
    forged.user.userName = "tp\tfake\t9";
    forged.user.fullName = "\x1b[31mred\x1b[0m";
    forged.user.description = "line\nforged\\";
    forged.user.password = "pw";
    ASSERT_TRUE(StoreUser(LoginPath(), forged));
    ASSERT_TRUE(ProfileStore(NativePath(LoginPath()))
                    .ChangeGroup(3, "a\r\nb\x9b", SaveMode::CreateOnly, [](int, std::span<unsigned char>) {}));

    EXPECT_EQ(
        RunOk({ "users", "list", "lp" }).out, "tp\\tfake\\t9\t\\x1B[31mred\\x1B[0m\t0\tline\\nforged\\\\\t0\t0\n");
    // 0x9B is "›" in the suite's code page; only the line ends are escaped.
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "3\ta\\r\\nb\xe2\x80\xba\n");

    const CliResult verified = Run({ "verify", "lp" });
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_TRUE(Contains(verified.out, "tessel.pwd\twarning\tuser 'tp\\tfake\\t9': name holds control characters"));
    EXPECT_TRUE(Contains(verified.out, "user 'tp\\tfake\\t9': full name holds control characters"));
    EXPECT_TRUE(Contains(verified.out, "setup.prf\twarning\tgroup 3: name holds control characters"));
}

// Permissions do not bind root, so these run custodiactl as another user then.
class PermissionTest : public CliTest {
protected:
    void SetUp() override
    {
        // The other user must reach the folder and write the error log in it.
        std::filesystem::permissions(m_dir.path(), std::filesystem::perms::all);
        RunOk({ "init", "lp" });
        std::filesystem::permissions(LoginPath(),
            std::filesystem::perms::owner_all | std::filesystem::perms::group_read | std::filesystem::perms::group_exec
                | std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
        const CliResult probe = RunCliAsOtherUser(m_dir.path(), { "--help" });
        if (probe.status != 0)
            GTEST_SKIP() << "custodiactl cannot run as user " << kOtherUserId << " here";
    }
};

TEST_F(PermissionTest, ReadOnlyFileFailsAtOnceNamingTheCause)
{
    ::chmod(FileOf("tessel.pwd").c_str(), 0444);
    // The trail may be written: what is under test is the user file's own refusal.
    WriteText(FileOf("custodia-audit.trail"), "");
    ::chmod(FileOf("custodia-audit.trail").c_str(), 0666);
    const CliResult result = RunCliAsOtherUser(m_dir.path(), { "users", "add", "lp", "bob" }, "pw\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.err, "lp/tessel.pwd: the user could not be saved: no permission"));
    // One try, not sixty: the log line says so.
    EXPECT_TRUE(Contains(ReadText(m_dir.file("FileErrors.txt")), "lp/tessel.pwd (tries:1 cause:5)"));
}

// A profile file that may be read but not written stops a group save inside its hold of all twelve,
// after the files before it are held: none is written, and the message names the one that refused.
TEST_F(PermissionTest, GroupSaveStoppedByAReadOnlyProfileFileWritesNone)
{
    RunOk({ "groups", "save", "lp", "5", "Admins" });
    // The other user may write the folder (for the journals) and every profile file but one.
    std::filesystem::permissions(LoginPath(), std::filesystem::perms::all);
    for (const auto& entry : std::filesystem::directory_iterator(LoginPath()))
        ::chmod(entry.path().c_str(), 0666);
    ::chmod(FileOf("view.prf").c_str(), 0444);
    const auto before = Snapshot(LoginPath());

    const CliResult result
        = RunCliAsOtherUser(m_dir.path(), { "groups", "save", "lp", "5", "Renamed", "--grant", "6:0" });
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(
        result.err, "lp/view.prf: the group could not be saved: no permission (EACCES); no profile file was changed"));
    EXPECT_EQ(Snapshot(LoginPath()), before);
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tAdmins\n");
}

TEST_F(PermissionTest, VerifyTellsNoPermissionFromDamage)
{
    // No read permission for anyone but root.
    ::chmod(FileOf("tessel.pwd").c_str(), 0);
    RunOk({ "groups", "save", "lp", "1", "Night" });
    ::chmod(FileOf("view.prf").c_str(), 0);
    DamageRecordFile(FileOf("setup.prf"));
    // Account files are created closed to others; this one was opened to them, as a peer may leave it.
    ::chmod(FileOf("setup.prf").c_str(), 0644);
    const CliResult result = RunCliAsOtherUser(m_dir.path(), { "verify", "lp" });
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.out, "tessel.pwd\tno permission\tcannot be opened: no permission\n"));
    EXPECT_TRUE(Contains(result.out, "view.prf\tno permission\tcannot be opened: no permission\n"));
    EXPECT_TRUE(Contains(result.out, "setup.prf\tdamaged\tchecksum wrong\n"));
}

class PasswordLineTest : public CliTest { };

TEST_F(PasswordLineTest, MissingLineIsRefusedAndEmptyLineWarns)
{
    const CliResult missing = Run({ "users", "add", "lp", "bob" }, "");
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(Contains(missing.err, "no password: standard input ended before a line"));
    EXPECT_FALSE(std::filesystem::exists(FileOf("tessel.pwd")));

    const CliResult empty = Run({ "users", "add", "lp", "bob" }, "\n");
    EXPECT_EQ(empty.status, 0);
    EXPECT_TRUE(Contains(empty.err, "warning: bob has an empty password and cannot log on"));
}

class CodePageTest : public CliTest { };

TEST_F(CodePageTest, TextsAreStoredInWindows1252AndShownAsUtf8)
{
    RunOk({ "users", "add", "lp", "J\xc3\xbcrgen", "--full-name", "J\xc3\xbcrgen M\xc3\xbcller \xe2\x82\xac" }, "pw\n");
    const Bytes bytes = ReadBytes(FileOf("tessel.pwd"));
    const std::string stored(bytes.begin(), bytes.end());
    EXPECT_NE(stored.find("J\xfcrgen M\xfcller \x80"), std::string::npos);
    EXPECT_EQ(stored.find("\xc3\xbc"), std::string::npos);
    EXPECT_EQ(
        RunOk({ "users", "list", "lp" }).out, "J\xc3\xbcrgen\tJ\xc3\xbcrgen M\xc3\xbcller \xe2\x82\xac\t0\t\t0\t0\n");
    RunOk({ "users", "delete", "lp", "J\xc3\xbcrgen" });
}

TEST_F(CodePageTest, CharacterTheCodePageLacksIsRefusedNamingIt)
{
    const CliResult result = Run({ "users", "add", "lp", "bob", "--full-name", "\xce\xa9mega" }, "pw\n");
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(Contains(result.err, "full name: the character '\xce\xa9' (U+03A9) cannot be stored"));
    EXPECT_FALSE(std::filesystem::exists(FileOf("tessel.pwd")));
}

// 42 characters of two UTF-8 bytes each are 42 stored bytes: the limit counts what is stored.
TEST_F(CodePageTest, LimitsCountStoredBytes)
{
    std::string name;
    for (int i = 0; i < 42; ++i)
        name += "\xc3\xbc";
    RunOk({ "users", "add", "lp", name }, "pw\n");
    const CliResult longer = Run({ "users", "add", "lp", name + "\xc3\xbc" }, "pw\n");
    EXPECT_EQ(longer.status, 2);
    EXPECT_TRUE(Contains(longer.err, "user name is 43 bytes long; at most 42"));
}

} // namespace
} // namespace custodia::test
