#include "cli/CliTest.h"
#include "platform/Endian.h"
#include "store/DatabaseList.h"
#include "store/PasswordFile.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"
#include "support/KillAtWrite.h"

#include <filesystem>
#include <sys/stat.h>

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

// The user file's scrambling can be reversed: under the usual umask, others still get no access.
TEST_F(CliTest, InitCreatesTheUserFileClosedToOthers)
{
    const mode_t previous = ::umask(022);
    RunOk({ "init", "lp" });
    ::umask(previous);
    struct stat info { };
    ASSERT_EQ(::stat(FileOf(passwordfile::kFileName).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0660u);
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

// A write that fails after the file was opened is reported with the file's name (or its journal's, the
// first thing a change writes), never a crash.
TEST_F(CliTest, FileErrorAfterOpeningIsReportedWithTheFileName)
{
    const CliResult result = RunCli(m_dir.path(), { "databases", "set", "lp", "1", "--path", "/data/one" }, "", 4096);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(Contains(result.err, "custodiactl: lp/tessel.dbs: ")
        || Contains(result.err, "custodiactl: lp/tessel.dbs-journal: "))
        << result.err;
}

} // namespace
} // namespace custodia::test

namespace custodia::test {
namespace {

// A program of the suite that knows nothing of our journals appends a group record and seals the file
// again, in place, as the format's record writer does.
void PeerAppendsAGroup(const std::string& fileName)
{
    Bytes image = ReadBytes(fileName);
    Bytes record(4 + 1200, 0x33);
    RecordHeader { 82, 40, static_cast<uint16_t>(record.size()) }.Encode(record.data());
    image.insert(image.end(), record.begin(), record.end());
    WriteUint32LE(image.data() + recordfile::kStoredLengthOffset, static_cast<uint32_t>(image.size()));
    WriteUint32LE(image.data() + recordfile::kChecksumOffset, RecordChecksum(image.data(), image.size()));
    WriteBytes(fileName, image);
}

// A group saved into "setup.prf" by a program killed after writing the record, before sealing.
void KillAGroupSave(const std::string& fileName)
{
    test::RunKilledAtWrite(
        [&] { static_cast<void>(RecordFile().WriteRecord(fileName, 82, 9, Bytes(1200, 9), true)); }, 3);
    ASSERT_TRUE(JournalExists(fileName));
}

// verify changes nothing, journals included: it says what the next command will do with each.
TEST_F(VerifyCommandTest, ReportsAJournalWithoutPlayingItBack)
{
    KillAGroupSave(FileOf("setup.prf"));
    // A planted journal whose old length (2^40) would grow the file to a terabyte if played back.
    WriteBytes(FileOf("view.prf-journal"), RecordJournal(uint64_t { 1 } << 40).Encode());
    const auto before = Snapshot();
    const CliResult result = Run({ "verify", "lp" });
    EXPECT_EQ(result.status, 1);
    const Lines lines = SplitLines(result.out);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_TRUE(Contains(lines[2], "setup.prf\tunfinished\ta change cut short by a program that died; the next"));
    EXPECT_TRUE(Contains(lines[4], "view.prf\tunfinished\t"));
    EXPECT_TRUE(Contains(lines[4], "keeps the journal aside and leaves the file as it is"));
    EXPECT_EQ(Snapshot(), before);
}

// Killed in a group save, then a peer appends a group: the next command keeps the peer's group and the
// journal aside, and verify names the kept journal until a person removes it.
TEST_F(VerifyCommandTest, PeerChangeAfterAKillIsKeptAndReported)
{
    const std::string setup = FileOf("setup.prf");
    KillAGroupSave(setup);
    PeerAppendsAGroup(setup);
    const Bytes peerLeft = ReadBytes(setup);
    const CliResult pending = Run({ "verify", "lp" });
    EXPECT_EQ(pending.status, 1);
    EXPECT_TRUE(Contains(pending.out, "setup.prf\tunfinished\t"));
    EXPECT_TRUE(Contains(pending.out, "another program changed the file since"));

    RunOk({ "groups", "list", "lp" });
    EXPECT_EQ(ReadBytes(setup), peerLeft);
    EXPECT_FALSE(JournalExists(setup));
    const auto kept = KeptJournalNames(setup);
    ASSERT_EQ(kept.size(), 1u);
    const std::string keptName = "lp/" + std::filesystem::path(kept.front()).filename().string();
    const CliResult reported = Run({ "verify", "lp" });
    EXPECT_EQ(reported.status, 1);
    EXPECT_TRUE(Contains(reported.out, "setup.prf\tok\n"));
    EXPECT_TRUE(Contains(reported.out, "setup.prf\tkept journal\t" + keptName + ": "));
    const CliResult repaired = Run({ "repair", "lp", "setup.prf" });
    EXPECT_EQ(repaired.status, 1);
    EXPECT_TRUE(Contains(repaired.out, "setup.prf\tkept journal\t"));
    EXPECT_TRUE(Contains(repaired.out, keptName));

    std::filesystem::remove(kept.front());
    EXPECT_EQ(RunOk({ "verify", "lp" }).status, 0);
}

} // namespace
} // namespace custodia::test
