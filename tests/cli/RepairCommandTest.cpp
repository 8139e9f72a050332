#include "cli/CliTest.h"
#include "platform/Endian.h"
#include "store/AuditTrail.h"
#include "store/PasswordFile.h"
#include "store/RecordFile.h"

#include <chrono>
#include <filesystem>

namespace custodia::test {
namespace {

constexpr size_t kSealSize = 12; // checksum, header record head and stored length

class RepairCommandTest : public CliTest {
protected:
    void SetUp() override
    {
        RunOk({ "init", "lp" });
        RunOk({ "users", "add", "lp", "anna" }, "pw\n");
        RunOk({ "groups", "save", "lp", "5", "Admins" });
        RunOk({ "databases", "set", "lp", "1", "--path", "/data/one" });
        RunOk({ "offices", "set", "lp", "1", "01", "North" });
        RunOk({ "paths", "add", "/srv/one" });
    }

    // Runs the change, then puts the seal of the file back as it was before: what a program of the
    // suite leaves that died after writing its records and before sealing the file. Returns the file.
    Bytes ChangeUnsealed(const std::string& fileName, const std::vector<std::string>& change)
    {
        const Bytes before = ReadBytes(fileName);
        RunOk(change);
        Bytes torn = ReadBytes(fileName);
        std::copy_n(before.begin(), kSealSize, torn.begin());
        WriteBytes(fileName, torn);
        return torn;
    }
};

// Every record file a program can leave unsealed: appended to and changed in place. Each is kept as
// its copy byte for byte, then reads with the change that its records hold.
TEST_F(RepairCommandTest, TornFilesAreCopiedAndSealedAgainWithTheirRecords)
{
    const std::map<std::string, Bytes> torn {
        { FileOf("setup.prf"), ChangeUnsealed(FileOf("setup.prf"), { "groups", "save", "lp", "9", "Night" }) },
        { FileOf("tessel.dbs"),
            ChangeUnsealed(FileOf("tessel.dbs"), { "databases", "set", "lp", "1", "--path", "/data/two" }) },
        { FileOf("officena.mes"),
            ChangeUnsealed(FileOf("officena.mes"), { "offices", "set", "lp", "1", "01", "South" }) },
        { m_dir.file("custo.cfg"), ChangeUnsealed(m_dir.file("custo.cfg"), { "paths", "add", "/srv/two" }) },
    };
    const Lines damaged = SplitLines(Run({ "verify", "lp" }).out);
    EXPECT_EQ(damaged[2], "setup.prf\tdamaged\tchecksum wrong");

    const CliResult repaired = RunOk({ "repair", "lp" });
    const Lines lines = SplitLines(repaired.out);
    ASSERT_EQ(lines.size(), 15u) << repaired.out;
    EXPECT_EQ(lines[0], "tessel.pwd\tok\trecord count 2, 2 records in use; nothing to do");
    EXPECT_EQ(lines[1], "convert.prf\tok\tsound, 2 records; nothing to do");
    EXPECT_EQ(lines[2],
        "setup.prf\trepaired\tchecksum wrong; stored length 1239, file 2443 bytes, record chain whole (2 records); "
        "copy kept in lp/setup.prf.bak; sealed again");
    EXPECT_TRUE(Contains(lines[13], "tessel.dbs\trepaired\tchecksum wrong, record chain whole (1 record)"));
    EXPECT_TRUE(Contains(lines[14], "officena.mes\trepaired\tchecksum wrong, record chain whole (1 record)"));
    EXPECT_TRUE(Contains(RunOk({ "repair", ".", "custo.cfg" }).out, "custo.cfg\trepaired\tchecksum wrong"));
    for (const auto& [file, bytes] : torn)
        EXPECT_EQ(ReadBytes(file + ".bak"), bytes) << file;

    RunOk({ "verify", "lp" });
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tAdmins\n9\tNight\n");
    EXPECT_EQ(SplitLines(RunOk({ "databases", "list", "lp" }).out)[0], "1\t/data/two\t\t0\t");
    EXPECT_EQ(SplitLines(RunOk({ "offices", "list", "lp" }).out)[0], "1\t01\tSouth");
    EXPECT_EQ(RunOk({ "paths", "list" }).out, "/srv/one\n/srv/two\n");
    // Sound now: a second repair has nothing to do and keeps the copies as they are.
    const auto before = Snapshot();
    EXPECT_TRUE(Contains(RunOk({ "repair", "lp", "setup.prf" }).out, "setup.prf\tok\tsound, 2 records"));
    EXPECT_EQ(Snapshot(), before);
}

// A head broken behind a sound checksum hides where the records behind it begin: no seal mends that.
TEST_F(RepairCommandTest, BrokenChainIsRefusedAndNothingChanges)
{
    BreakFirstRecordHead(FileOf("view.prf"), 2);
    const Bytes view = ReadBytes(FileOf("view.prf"));
    DamageRecordFile(FileOf("setup.prf"));
    const auto before = Snapshot();

    const CliResult one = Run({ "repair", "lp", "view.prf" });
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.out,
        "view.prf\trefused\trecord chain broken at offset 35: which bytes behind it belong to which record cannot "
        "be told, so it is not repairable by this command; nothing was changed\n");
    EXPECT_EQ(Snapshot(), before);

    // A byte flipped inside a record of setup.prf cannot be told from a tear, as its chain is whole:
    // it is sealed, its copy kept. The broken file stays as it is, and the exit status says so.
    const CliResult all = Run({ "repair", "lp" });
    EXPECT_EQ(all.status, 1);
    EXPECT_TRUE(Contains(all.out, "setup.prf\trepaired\t"));
    EXPECT_TRUE(Contains(all.out, "view.prf\trefused\trecord chain broken at offset 35"));
    EXPECT_EQ(ReadBytes(FileOf("view.prf")), view);
    EXPECT_FALSE(std::filesystem::exists(FileOf("view.prf.bak")));
}

TEST_F(RepairCommandTest, SoundFilesAreLeftAloneAndAMissingOneIsNamed)
{
    const auto before = Snapshot();
    const Lines lines = SplitLines(RunOk({ "repair", "lp" }).out);
    ASSERT_EQ(lines.size(), 15u);
    for (const std::string& line : lines)
        EXPECT_TRUE(Contains(line, "\tok\t"));
    EXPECT_EQ(Snapshot(), before);

    std::filesystem::remove(FileOf("view.prf"));
    const CliResult missing = Run({ "repair", "lp", "view.prf" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "view.prf\tmissing\tno such file\n");
    std::filesystem::create_directory(m_dir.file("empty"));
    const CliResult nothing = Run({ "repair", "empty" });
    EXPECT_EQ(nothing.status, 1);
    EXPECT_TRUE(Contains(nothing.err, "empty: holds none of the shared files"));
}

// A count of 0 beside a user lets the console start without a log-on from that folder.
TEST_F(RepairCommandTest, UserFileRecordCountIsRecounted)
{
    Bytes users = ReadBytes(FileOf(passwordfile::kFileName));
    WriteUint32LE(users.data() + passwordfile::kRecordCountOffset, 0);
    WriteBytes(FileOf(passwordfile::kFileName), users);
    EXPECT_EQ(Run({ "verify", "lp" }).status, 1);

    EXPECT_EQ(RunOk({ "repair", "lp", "tessel.pwd" }).out,
        "tessel.pwd\trepaired\trecord count 0, 2 records in use; copy kept in lp/tessel.pwd.bak; count set to 2\n");
    EXPECT_EQ(ReadBytes(FileOf("tessel.pwd.bak")), users);
    RunOk({ "verify", "lp" });
    RunOk({ "users", "check", "lp", "anna" }, "pw\n");
}

// A program that stopped while making a profile file or a repair's copy leaves its new file behind:
// verify names it without failing, repair removes it; one still being made (young) is left alone.
TEST_F(RepairCommandTest, WhatAStoppedProgramLeftIsListedAndRemoved)
{
    const std::string stray = FileOf("view.prf-new-4000000000");
    const std::string young = FileOf("view.prf.bak-new-4000000001");
    WriteText(stray, "half");
    WriteText(young, "half");
    std::filesystem::last_write_time(stray, std::filesystem::last_write_time(stray) - std::chrono::hours(1));

    const CliResult verified = RunOk({ "verify", "lp" });
    EXPECT_TRUE(Contains(verified.out,
        "view.prf-new-4000000000\tleftover\tthe start of a new \"view.prf\" left by a program that stopped\n"))
        << verified.out;
    EXPECT_FALSE(Contains(verified.out, "bak-new"));
    EXPECT_TRUE(std::filesystem::exists(stray));

    const CliResult repaired = RunOk({ "repair", "lp" });
    EXPECT_TRUE(Contains(repaired.out, "view.prf-new-4000000000\tremoved\t")) << repaired.out;
    EXPECT_FALSE(std::filesystem::exists(stray));
    EXPECT_TRUE(std::filesystem::exists(young));
}

// A repair changes a shared file: it is logged as every change is, and refused when it cannot be.
TEST_F(RepairCommandTest, ARepairIsLoggedInTheTrailAndRefusedWhenTheTrailCannotBeWritten)
{
    Bytes users = ReadBytes(FileOf(passwordfile::kFileName));
    WriteUint32LE(users.data() + passwordfile::kRecordCountOffset, 0);
    WriteBytes(FileOf(passwordfile::kFileName), users);
    const std::string trail = FileOf(audittrail::kFileName);
    std::filesystem::rename(trail, trail + ".kept");
    std::filesystem::create_directory(trail);

    const CliResult refused = Run({ "repair", "lp", "tessel.pwd" });
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(
        Contains(refused.out, "tessel.pwd\trefused\tnot repaired, as its audit-trail line could not be written"))
        << refused.out;
    EXPECT_EQ(ReadBytes(FileOf(passwordfile::kFileName)), users);
    EXPECT_FALSE(std::filesystem::exists(FileOf("tessel.pwd.bak")));

    std::filesystem::remove(trail);
    std::filesystem::rename(trail + ".kept", trail);
    RunOk({ "repair", "lp", "tessel.pwd" });
    const Result<TrailCheck> read = ReadTrail(NativePath(LoginPath()));
    ASSERT_TRUE(read && read->IsSound());
    const TrailEntry& line = read->entries.back();
    EXPECT_EQ(line.action, "file repaired");
    EXPECT_EQ(line.object, "file tessel.pwd");
    EXPECT_EQ(line.actor.program, "custodiactl");
    EXPECT_EQ(line.changes,
        (std::vector<TrailChange> {
            { "repair", "", "record count 0, 2 records in use; copy kept in lp/tessel.pwd.bak; count set to 2" },
            { "copy kept", "", "lp/tessel.pwd.bak" } }));
    RunOk({ "audit", "verify", "lp" });
}

} // namespace
} // namespace custodia::test
