#include "cli/CliTest.h"

#include <filesystem>

namespace custodia::test {
namespace {

// The first record of a file made 2 or 65535 bytes long and the file sealed again: its checksum and
// stored length are right, but its chain of records breaks off at once, hiding every record behind the
// head, and a record written behind it would never be read.
class BrokenHeadTest : public CliTest, public ::testing::WithParamInterface<uint16_t> {
protected:
    void SetUp() override
    {
        RunOk({ "groups", "save", "lp", "5", "Admins" });
        RunOk({ "databases", "set", "lp", "1", "--path", "/data/one" });
        RunOk({ "offices", "set", "lp", "1", "01", "North" });
        RunOk({ "paths", "add", "/srv/one" });
    }
};

struct BrokenFile {
    std::string file; // relative to the test folder
    std::vector<std::string> verify;
    std::vector<std::string> change;
};

TEST_P(BrokenHeadTest, VerifyReportsItAndEveryWriterRefusesChangingNothing)
{
    const std::vector<BrokenFile> files {
        { "lp/setup.prf", { "verify", "lp" }, { "groups", "save", "lp", "6", "Night" } },
        { "lp/tessel.dbs", { "verify", "lp" }, { "databases", "set", "lp", "2", "--path", "/data/two" } },
        { "lp/officena.mes", { "verify", "lp" }, { "offices", "set", "lp", "2", "02", "South" } },
        { "custo.cfg", { "verify", "." }, { "paths", "add", "/srv/two" } },
    };
    for (const BrokenFile& broken : files) {
        const std::string path = m_dir.file(broken.file);
        const Bytes sound = ReadBytes(path);
        BreakFirstRecordHead(path, GetParam());
        const auto before = Snapshot(LoginPath());
        const Bytes brokenBytes = ReadBytes(path);

        const CliResult verified = Run(broken.verify);
        EXPECT_EQ(verified.status, 1) << broken.file;
        const std::string name = std::filesystem::path(broken.file).filename();
        EXPECT_TRUE(Contains(verified.out, name + "\tdamaged\trecord chain broken at offset 35\n"));

        const CliResult changed = Run(broken.change);
        EXPECT_EQ(changed.status, 1) << broken.file;
        EXPECT_EQ(changed.out, "");
        EXPECT_TRUE(
            Contains(changed.err, broken.file + ": damaged (record chain broken at offset 35); nothing was changed"));
        EXPECT_EQ(Snapshot(LoginPath()), before) << broken.file;
        EXPECT_EQ(ReadBytes(path), brokenBytes) << broken.file;
        WriteBytes(path, sound);
    }
}

// A reader shows no list from such a file, which an empty or shortened one would be taken for, and
// fails naming the file and where its chain breaks.
TEST_P(BrokenHeadTest, EveryListOfTheFileReportsItAsDamage)
{
    const std::vector<BrokenFile> files {
        { "lp/setup.prf", { "groups", "list", "lp" }, { "groups", "show", "lp", "5" } },
        { "lp/tessel.dbs", { "databases", "list", "lp" }, {} },
        { "lp/officena.mes", { "offices", "list", "lp" }, {} },
    };
    for (const BrokenFile& broken : files) {
        const std::string path = m_dir.file(broken.file);
        const Bytes sound = ReadBytes(path);
        BreakFirstRecordHead(path, GetParam());
        for (const auto& command : { broken.verify, broken.change }) {
            if (command.empty())
                continue;
            const CliResult listed = Run(command);
            EXPECT_EQ(listed.status, 1) << command[0] << " " << command[1] << ": " << listed.out;
            // A group's rights show the damaged file's row as zero, and say so.
            if (command[1] != "show")
                EXPECT_EQ(listed.out, "") << command[0] << " " << command[1];
            EXPECT_TRUE(Contains(listed.err, "record chain broken at offset 35")) << listed.err;
            EXPECT_TRUE(Contains(listed.err, std::filesystem::path(broken.file).filename().string())) << listed.err;
        }
        WriteBytes(path, sound);
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, BrokenHeadTest, ::testing::Values(2, 65535),
    [](const auto& info) { return "FirstRecordLength" + std::to_string(info.param); });

} // namespace
} // namespace custodia::test
