#include "cli/CliTest.h"
#include "platform/Endian.h"
#include "store/DatabaseList.h"
#include "store/PasswordFile.h"

#include <filesystem>

namespace custodia::test {
namespace {

TEST_F(CliTest, InitCreatesTheFoldersAndAnEmptyUserFile)
{
    const CliResult result = RunOk({ "init", "sites/north/" });
    const std::string made = std::filesystem::canonical(m_dir.path()).string() + "/sites/north";
    EXPECT_EQ(result.out, made + "\n");
    const Bytes header = ReadBytes(made + "/tessel.pwd");
    ASSERT_EQ(header.size(), passwordfile::kHeaderSize);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(header.data())), passwordfile::kTitle);
    EXPECT_EQ(ReadUint32LE(header.data() + passwordfile::kRecordCountOffset), 0u);

    // Again, on a login path that has a user: the file is left as it is.
    RunOk({ "users", "add", made, "bob" }, "pw\n");
    const auto before = Snapshot();
    EXPECT_EQ(RunOk({ "init", made }).out, made + "\n");
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(CliTest, InitRefusesWhatCannotBeALoginPath)
{
    WriteBytes(FileOf(passwordfile::kFileName), Bytes(10, 'x'));
    const auto before = Snapshot();
    const CliResult damaged = Run({ "init", "lp" });
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.out, "");
    EXPECT_TRUE(Contains(damaged.err, "tessel.pwd: damaged (header is 10 bytes, 54 expected); it was left as it is"));

    const CliResult extension = Run({ "init", "sites/north.dir" });
    EXPECT_EQ(extension.status, 1);
    EXPECT_TRUE(Contains(extension.err, "sites/north.dir: cannot be a login path"));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("sites")));
}

class VerifyCommandTest : public CliTest {
protected:
    VerifyCommandTest()
    {
        RunOk({ "init", "lp" });
        RunOk({ "groups", "save", "lp", "1", "Everyone" });
        RunOk({ "databases", "set", "lp", "1", "--path", "/data/one" });
    }
};

TEST_F(VerifyCommandTest, ReportsEveryFilePresent)
{
    Lines expected { "tessel.pwd\tok" };
    for (const char* profile : { "convert.prf", "setup.prf", "download.prf", "view.prf", "autocall.prf", "alarmin.prf",
             "custodia.prf", "datagen.prf", "alarmpro.prf", "export.prf", "translator.prf", "reporter.prf" })
        expected.push_back(std::string(profile) + "\tok");
    expected.push_back("tessel.dbs\tok");
    EXPECT_EQ(SplitLines(RunOk({ "verify", "lp" }).out), expected);

    std::filesystem::remove(FileOf("view.prf"));
    std::filesystem::remove(FileOf("tessel.dbs"));
    EXPECT_EQ(SplitLines(RunOk({ "verify", "lp" }).out).size(), 12u);
}

TEST_F(VerifyCommandTest, NamesEachDamageAndChangesNothing)
{
    DamageRecordFile(FileOf("setup.prf"));
    Bytes database = ReadBytes(FileOf("tessel.dbs"));
    WriteUint32LE(database.data() + 8, 12345); // stored length wrong, checksum made right again
    database[0] = database[1] = database[2] = database[3] = 0;
    uint32_t sum = 0;
    for (size_t i = 4; i < database.size(); ++i)
        sum += database[i];
    WriteUint32LE(database.data(), sum);
    WriteBytes(FileOf("tessel.dbs"), database);
    WriteBytes(FileOf("custodia.prf"), Bytes { 1, 2 });
    const auto before = Snapshot();

    const CliResult result = Run({ "verify", "lp" });
    EXPECT_EQ(result.status, 1);
    const Lines lines = SplitLines(result.out);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "tessel.pwd\tok");
    EXPECT_EQ(lines[2], "setup.prf\tdamaged\tchecksum wrong");
    EXPECT_EQ(lines[7], "custodia.prf\tdamaged\ttoo short");
    EXPECT_EQ(lines[13], "tessel.dbs\tdamaged\tstored length wrong");
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(VerifyCommandTest, ReportsAMissingOrDamagedUserFile)
{
    Bytes users = ReadBytes(FileOf(passwordfile::kFileName));
    users.push_back(0); // a torn record after the header
    WriteBytes(FileOf(passwordfile::kFileName), users);
    CliResult result = Run({ "verify", "lp" });
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(SplitLines(result.out)[0], "tessel.pwd\tdamaged\t1 bytes after the last whole record");

    std::filesystem::remove(FileOf(passwordfile::kFileName));
    result = Run({ "verify", "lp" });
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(SplitLines(result.out)[0], "tessel.pwd\tmissing");

    result = Run({ "verify", "nowhere" });
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.err, "nowhere: no such folder"));
}

// A write that fails after the file was opened is reported with the file's name, never a crash.
TEST_F(CliTest, FileErrorAfterOpeningIsReportedWithTheFileName)
{
    const CliResult result = RunCli(m_dir.path(), { "databases", "set", "lp", "1", "--path", "/data/one" }, "", 4096);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, "custodiactl: lp/tessel.dbs: ")) << result.err;
}

} // namespace
} // namespace custodia::test
