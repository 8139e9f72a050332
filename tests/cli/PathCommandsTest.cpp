#include "cli/CliTest.h"
#include "store/LoginPathList.h"
#include "store/RecordFile.h"

#include <filesystem>

namespace custodia::test {
namespace {

// "custo.cfg" lies in custodiactl's current folder, which is the test's folder.
class PathCommandsTest : public CliTest {
protected:
    std::string ConfigFile() const { return m_dir.file(loginpaths::kFileName); }

    void AppendRecord(const std::string& path) const
    {
        Bytes data(loginpaths::kRecordSize, 0);
        std::copy(path.begin(), path.end(), data.begin());
        ASSERT_TRUE(RecordFile()
                        .WriteRecord(ConfigFile(), loginpaths::kRecordKind, loginpaths::kRecordSubKind, data, false)
                        .HasValue());
    }
};

TEST_F(PathCommandsTest, AddListAndRemoveManagedLoginPaths)
{
    const CliResult none = Run({ "paths", "list" });
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "");

    RunOk({ "paths", "add", "/srv/North" });
    EXPECT_EQ(ReadBytes(ConfigFile()).size(), 294u);
    RunOk({ "paths", "add", std::string(254, 'p') });
    RunOk({ "paths", "add", "/srv/south" });
    EXPECT_EQ(RunOk({ "paths", "list" }).out, "/srv/North\n" + std::string(254, 'p') + "\n/srv/south\n");

    RunOk({ "paths", "remove", std::string(254, 'p') });
    EXPECT_EQ(RunOk({ "paths", "list" }).out, "/srv/North\n/srv/south\n");
}

// A folder is managed once, whatever names it; the refusal says under which text. Letter case makes
// another folder here, and removing takes the text as it is listed.
TEST_F(PathCommandsTest, TheSameFolderIsManagedOnceAndNamed)
{
    const std::string site = m_dir.file("North");
    std::filesystem::create_directory(site);
    std::filesystem::create_directory_symlink(site, m_dir.file("hq"));
    RunOk({ "paths", "add", site });
    const auto before = Snapshot();

    const CliResult again = Run({ "paths", "add", site });
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(Contains(again.err, site + ": managed already")) << again.err;
    for (const std::string& other : { site + "/", m_dir.file("hq") }) {
        const CliResult added = Run({ "paths", "add", other });
        EXPECT_EQ(added.status, 1);
        EXPECT_TRUE(Contains(added.err, other + ": managed already, as the same folder " + site)) << added.err;
    }
    const CliResult removed = Run({ "paths", "remove", m_dir.file("hq") });
    EXPECT_EQ(removed.status, 1);
    EXPECT_TRUE(Contains(removed.err, m_dir.file("hq") + ": not managed as written; its folder is managed as " + site))
        << removed.err;
    const CliResult unknown = Run({ "paths", "remove", "/srv/east" });
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(Contains(unknown.err, "/srv/east: not managed"));
    EXPECT_EQ(Snapshot(), before);

    RunOk({ "paths", "add", m_dir.file("north") });
    EXPECT_EQ(RunOk({ "paths", "list" }).out, site + "\n" + m_dir.file("north") + "\n");
}

TEST_F(PathCommandsTest, RecordsWrittenTwiceAreListedOnceAndRemovedOneAtATime)
{
    AppendRecord("/srv/a");
    AppendRecord("/srv/b");
    AppendRecord("/srv/a");
    AppendRecord("/srv/b/");
    EXPECT_EQ(RunOk({ "paths", "list" }).out, "/srv/a\n/srv/b\n");

    RunOk({ "paths", "remove", "/srv/a" });
    EXPECT_EQ(RunOk({ "paths", "list" }).out, "/srv/b\n/srv/a\n");
    RunOk({ "paths", "remove", "/srv/b" });
    EXPECT_EQ(RunOk({ "paths", "list" }).out, "/srv/a\n/srv/b/\n");
}

TEST_F(PathCommandsTest, DamagedFileIsReportedAndLeftAlone)
{
    AppendRecord("/srv/a");
    DamageRecordFile(ConfigFile());
    const auto before = Snapshot();
    for (const auto& arguments : std::vector<std::vector<std::string>> {
             { "paths", "list" }, { "paths", "add", "/srv/b" }, { "paths", "remove", "/srv/a" } }) {
        const CliResult result = Run(arguments);
        EXPECT_EQ(result.status, 1) << arguments[1];
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(Contains(result.err, "custo.cfg: damaged (checksum wrong)")) << arguments[1];
    }
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(PathCommandsTest, FileThatCannotBeOpenedIsNamed)
{
    std::filesystem::create_directory(ConfigFile());
    const CliResult result = Run({ "paths", "add", "/srv/a" });
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.err,
        "custo.cfg: the login path could not be added: not a regular file (a folder); nothing was changed"));
}

} // namespace
} // namespace custodia::test
