#include "cli/CliTest.h"
#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RightsCatalogue.h"
#include "words/WordTable.h"

#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace custodia::test {
namespace {

class GroupCommandsTest : public CliTest {
protected:
    std::string ProfileOf(int program) const { return FileOf(kProfileFiles[static_cast<size_t>(program)].fileName); }

    GroupRecord StoredGroup(int program, uint8_t number) const
    {
        GroupRecordBytes bytes {};
        EXPECT_EQ(RecordFile().ReadRecord(ProfileOf(program), grouprecord::kKind, number, bytes, true), bytes.size());
        return GroupRecord::Decode(bytes);
    }
};

TEST_F(GroupCommandsTest, SaveWritesAllTwelveFilesAndShowPrintsEachRowToItsLength)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0", "--grant", "1:44", "--grant=3:21" });
    for (int program = 0; program < kProgramCount; ++program) {
        EXPECT_EQ(ReadBytes(ProfileOf(program)).size(), 35u + 4 + grouprecord::kSize) << program;
        EXPECT_EQ(StoredGroup(program, 5).name, "Admins");
    }
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tAdmins\n");
    EXPECT_EQ(RunOk({ "groups", "show", "lp", "5", "--rows" }).out,
        "0\tconvert.prf\t0\n"
        "1\tsetup.prf\t000000000000000000000000000000000000000000001\n"
        "2\tdownload.prf\t000000000000\n"
        "3\tview.prf\t0000000000000000000001\n"
        "4\tautocall.prf\t0000000000\n"
        "5\talarmin.prf\t00000\n"
        "6\tcustodia.prf\t1\n"
        "7\tdatagen.prf\t0\n"
        "8\talarmpro.prf\t0000\n"
        "9\texport.prf\t0\n"
        "10\ttranslator.prf\t0\n"
        "11\treporter.prf\t0\n");
}

// A person at a terminal reads each right by the texts the console's pages show.
TEST_F(GroupCommandsTest, ShowNamesEveryRightAsTheRightsPagesDo)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "1:22", "--grant", "6:0", "--grant", "2:1" });
    const CliResult shown = RunOk({ "groups", "show", "lp", "5" });
    const Lines lines = SplitLines(shown.out);

    WordTable words(std::string(CUSTODIA_OUTPUT_DIR));
    words.LoadWordFiles(ConsoleWordFamilies());
    const auto line = [&](size_t page, size_t row, const char* granted) {
        const RightsPage& rights = RightsPages()[page];
        const RightRow& right = rights.rows[row];
        return words.GetWord(rights.titleWord) + "\t" + kProfileFiles[static_cast<size_t>(rights.program)].fileName
            + "\t" + std::to_string(right.position) + "\t" + granted + "\t" + words.GetWord(right.labelWord);
    };
    size_t rights = 0;
    for (const RightsPage& page : RightsPages())
        rights += page.rows.size();
    ASSERT_EQ(lines.size(), rights + 6); // and the six positions that no page shows
    EXPECT_EQ(lines[0], line(0, 0, "1"));
    EXPECT_EQ(lines[0], "Setup: Logger Settings\tsetup.prf\t22\t1\tChange the logger name");
    EXPECT_EQ(lines[1], line(0, 1, "0"));
    EXPECT_EQ(lines[rights - 2], line(12, 0, "1")); // the console's own right, second to last page
    EXPECT_EQ(lines[rights - 1], line(13, 0, "0"));
    EXPECT_EQ(lines[rights + 1], "-\tdownload.prf\t1\t1\t(no page of the console shows it; kept as stored)");
    for (const std::string& text : lines)
        EXPECT_EQ(text.find("*****"), std::string::npos) << text;
}

TEST_F(GroupCommandsTest, SaveStartsFromTheRightsTheGroupHas)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0", "--grant", "1:44" });
    RunOk({ "groups", "save", "lp", "5", "Supervisors", "--revoke", "1:44", "--grant", "2:11" });
    const Lines rows = SplitLines(RunOk({ "groups", "show", "lp", "5", "--rows" }).out);
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[1], "1\tsetup.prf\t" + std::string(45, '0'));
    EXPECT_EQ(rows[2], "2\tdownload.prf\t000000000001");
    EXPECT_EQ(rows[6], "6\tcustodia.prf\t1");
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tSupervisors\n");
}

// Another program's record with rights past the row length: shown cut, and written back as zeros.
TEST_F(GroupCommandsTest, RightsPastTheRowLengthAreNeitherShownNorKept)
{
    GroupRecord record;
    record.name = "Wide";
    std::fill_n(record.rights.begin(), 100, 1);
    const GroupRecordBytes bytes = record.Encode();
    ASSERT_TRUE(RecordFile().WriteRecord(ProfileOf(kProgramSetup), grouprecord::kKind, 9, bytes, true).HasValue());
    EXPECT_EQ(SplitLines(RunOk({ "groups", "show", "lp", "9", "--rows" }).out)[1],
        "1	setup.prf	" + std::string(45, '1'));

    RunOk({ "groups", "save", "lp", "9", "Wide" });
    const GroupRecord saved = StoredGroup(kProgramSetup, 9);
    EXPECT_TRUE(std::all_of(saved.rights.begin(), saved.rights.begin() + 45, [](unsigned char b) { return b == 1; }));
    EXPECT_TRUE(std::all_of(saved.rights.begin() + 45, saved.rights.end(), [](unsigned char b) { return b == 0; }));
}

TEST_F(GroupCommandsTest, DeleteRemovesTheGroupFromEveryFileThatHoldsIt)
{
    RunOk({ "groups", "save", "lp", "5", "Admins" });
    RunOk({ "groups", "save", "lp", "6", "Guests" });
    RunOk({ "groups", "delete", "lp", "5" });
    EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "6\tGuests\n");

    for (const auto& arguments :
        std::vector<std::vector<std::string>> { { "groups", "delete", "lp", "5" }, { "groups", "show", "lp", "5" } }) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(Contains(result.err, "no profile file holds group 5"));
    }
    RunOk({ "groups", "delete", "lp", "6" });
    EXPECT_EQ(Run({ "groups", "list", "lp" }).status, 1);
}

TEST_F(GroupCommandsTest, DamagedProfileFileStopsEveryChange)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0" });
    DamageRecordFile(ProfileOf(kProgramView));
    const auto before = Snapshot();
    for (const auto& arguments : std::vector<std::vector<std::string>> { { "groups", "save", "lp", "5", "Renamed" },
             { "groups", "save", "lp", "8", "New" }, { "groups", "delete", "lp", "5" } }) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(Contains(result.err, "lp/view.prf: damaged (checksum wrong); nothing was changed"));
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(GroupCommandsTest, DamagedProfileFilesAreNotPassedOffAsEmpty)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0", "--grant", "3:0" });
    DamageRecordFile(ProfileOf(kProgramView));
    const CliResult shown = Run({ "groups", "show", "lp", "5", "--rows" });
    EXPECT_EQ(shown.status, 1);
    EXPECT_EQ(SplitLines(shown.out).size(), 12u);
    EXPECT_EQ(SplitLines(shown.out)[3], "3\tview.prf\t" + std::string(22, '0'));
    EXPECT_TRUE(Contains(shown.err, "lp/view.prf: damaged (checksum wrong); its row is shown as all zero"));

    DamageRecordFile(ProfileOf(kProgramSetup));
    const CliResult listed = Run({ "groups", "list", "lp" });
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.out, "");
    EXPECT_TRUE(Contains(listed.err, "lp/setup.prf: damaged"));
}

// Something that is no file where a profile file belongs stops a group save before any file is written:
// the message names it, the other files stay as they were, and show still says what it cannot read.
TEST_F(GroupCommandsTest, SaveStoppedByOneProfileFileChangesNoneAndNamesIt)
{
    RunOk({ "groups", "save", "lp", "5", "Admins", "--grant", "6:0" });
    const std::string view = ProfileOf(kProgramView);
    const struct {
        const char* what;
        std::function<void()> plant;
    } cases[] = {
        { "not a regular file (a folder)", [&] { std::filesystem::create_directory(view); } },
        { "not a regular file (a named pipe (FIFO))", [&] { ASSERT_EQ(::mkfifo(view.c_str(), 0666), 0); } },
    };
    for (const auto& c : cases) {
        std::filesystem::remove(view);
        c.plant();
        const auto before = Snapshot(LoginPath());

        const CliResult saved = Run({ "groups", "save", "lp", "5", "Renamed", "--grant", "1:3", "--revoke", "6:0" });
        EXPECT_EQ(saved.status, 1);
        EXPECT_TRUE(Contains(saved.err,
            "lp/view.prf: the group could not be saved: " + std::string(c.what) + "; no profile file was changed"));
        EXPECT_EQ(Snapshot(LoginPath()), before) << c.what;

        const CliResult shown = Run({ "groups", "show", "lp", "5", "--rows" });
        EXPECT_EQ(shown.status, 1);
        EXPECT_TRUE(Contains(
            shown.err, "lp/view.prf: cannot be opened: " + std::string(c.what) + "; its row is shown as all zero"));
        EXPECT_EQ(SplitLines(shown.out)[6], "6\tcustodia.prf\t1");
        EXPECT_EQ(RunOk({ "groups", "list", "lp" }).out, "5\tAdmins\n");
    }
}

} // namespace
} // namespace custodia::test
