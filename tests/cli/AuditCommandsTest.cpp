#include "cli/CliTest.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailSettings.h"

#include <cstdlib>
#include <filesystem>

namespace custodia::test {
namespace {

// custodiactl remembers the trail's last line in the state folder: the test's own, never the user's.
class ScopedStateHome final {
public:
    explicit ScopedStateHome(const std::string& folder)
    {
        if (const char* old = std::getenv("XDG_STATE_HOME"))
            m_old = old;
        ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
    }
    ~ScopedStateHome()
    {
        if (m_old)
            ::setenv("XDG_STATE_HOME", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
    }

private:
    std::optional<std::string> m_old;
};

class AuditCommandsTest : public CliTest {
protected:
    AuditCommandsTest()
        : m_state(m_stateDir.path())
    {
    }

    TempDir m_stateDir;
    ScopedStateHome m_state;

    void Append(long long seconds, const std::string& consoleUser, const std::string& object)
    {
        TrailEntry entry;
        StampTrailEntry(entry, seconds);
        entry.actor = { "plant-pc", "root", consoleUser, "custodiactl" };
        entry.action = "user changed";
        entry.object = object;
        entry.changes = { { "description", "Lab, east", "Office" }, { "group", "1", "2" } };
        ASSERT_TRUE(AppendToTrail(NativePath(LoginPath()), entry));
    }

    void AppendDays()
    {
        Append(1765324800, "ann", "user a"); // 2025-12-10T00:00:00Z
        Append(1765411200, "bob", "user b"); // 2025-12-11T00:00:00Z
        Append(1765497599, "ann", "user c"); // 2025-12-11T23:59:59Z
    }

    std::string TrailFile() const { return FileOf(audittrail::kFileName); }
};

TEST_F(AuditCommandsTest, ListsTheTrailFilteredByTimeAndUser)
{
    AppendDays();
    struct Case {
        std::vector<std::string> options;
        std::vector<std::string> objects;
    };
    for (const Case& c :
        {
            Case { {}, { "user a", "user b", "user c" } }, Case { { "--since", "2025-12-11" }, { "user b", "user c" } },
            Case { { "--until", "2025-12-10" }, { "user a" } },
            Case { { "--since", "2025-12-11T00:00:01Z", "--until", "2025-12-11" }, { "user c" } },
            Case { { "--user", "ann" }, { "user a", "user c" } },
            Case { { "--user", "root" }, { "user a", "user b", "user c" } }, // the system account counts too
        }) {
        std::vector<std::string> arguments { "audit", "list", LoginPath() };
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const CliResult result = RunOk(arguments);
        const Lines lines = SplitLines(result.out);
        ASSERT_EQ(lines.size(), c.objects.size()) << result.out;
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(Contains(lines[i], "\tuser changed\t" + c.objects[i] + "\t")) << i;
    }
    const Lines tsv = SplitLines(RunOk({ "audit", "list", LoginPath() }).out);
    EXPECT_TRUE(Contains(tsv[0], "2025-12-10T00:00:00Z\t"));
    EXPECT_TRUE(Contains(tsv[0], "\tdescription: Lab, east \xE2\x86\x92 Office; group: 1 \xE2\x86\x92 2"));
}

TEST_F(AuditCommandsTest, CsvHasAHeaderAndQuotesWhatNeedsIt)
{
    AppendDays();
    const Lines lines = SplitLines(RunOk({ "audit", "list", LoginPath(), "--format", "csv" }).out);
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0], "time,offset,machine,account,console user,program,action,object,changes\r");
    EXPECT_TRUE(Contains(lines[1], ",\"description: Lab, east \xE2\x86\x92 Office; group: 1 \xE2\x86\x92 2\"\r"));
}

TEST_F(AuditCommandsTest, VerifyNamesTheFirstBrokenLineAndListStopsThere)
{
    AppendDays();
    EXPECT_EQ(RunOk({ "audit", "verify", LoginPath() }).out, "ok\t3\n");
    std::string text = ReadText(TrailFile());
    text[text.find("user b")] = 'X';
    WriteText(TrailFile(), text);

    const CliResult verify = Run({ "audit", "verify", LoginPath() });
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.out, "broken\t2\n");
    EXPECT_TRUE(Contains(verify.err, audittrail::kFileName + std::string(": line 2: its hash does not match")));
    const CliResult list = Run({ "audit", "list", LoginPath() });
    EXPECT_EQ(list.status, 1);
    EXPECT_EQ(SplitLines(list.out).size(), 1U);
}

TEST_F(AuditCommandsTest, RefusesDatesAndFormatsItDoesNotKnow)
{
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>> {
             { "--since", "11.12.2025" }, { "--until", "2025-12-11 10:00" }, { "--format", "xml" } }) {
        std::vector<std::string> arguments { "audit", "list", LoginPath() };
        arguments.insert(arguments.end(), options.begin(), options.end());
        EXPECT_EQ(Run(arguments).status, 2) << options[1];
    }
}

TEST_F(AuditCommandsTest, EveryChangeOfCustodiactlLeavesItsLineAndNoPassword)
{
    const std::string password = "Zebra-Quartz-7";
    struct Case {
        std::vector<std::string> arguments;
        std::string action;
        std::string object; // the line's object begins with it
    };
    const std::string lp = LoginPath();
    for (const Case& c :
        {
            Case { { "users", "add", lp, "bob", "--full-name", "Bob Stone" }, "password set", "user bob" },
            Case { { "groups", "save", lp, "7", "Night", "--grant", "1:3" }, "right granted", "group 007 Night" },
            Case { { "groups", "save", lp, "7", "Night", "--revoke", "1:3" }, "right revoked", "group 007 Night" },
            Case { { "databases", "set", lp, "2", "--path", "/data/two" }, "database slot changed", "database slot 2" },
            Case { { "offices", "set", lp, "3", "07", "Harbour" }, "office named", "office 3 of " },
            Case { { "paths", "add", lp }, "login path added", "login path " },
            Case { { "paths", "remove", lp }, "login path removed", "login path " },
            Case { { "groups", "delete", lp, "7" }, "group deleted", "group 007 Night" },
            Case { { "users", "delete", lp, "bob" }, "user deleted", "user bob" },
        }) {
        RunOk(c.arguments, password + "\n");
        const Result<TrailCheck> trail = ReadTrail(NativePath(lp));
        ASSERT_TRUE(trail && trail->IsSound() && !trail->entries.empty()) << c.arguments[1];
        const TrailEntry& last = trail->entries.back();
        EXPECT_EQ(last.action, c.action);
        EXPECT_TRUE(last.object.starts_with(c.object)) << last.object << " of " << c.arguments[1];
        EXPECT_EQ(last.actor.program, "custodiactl");
        EXPECT_EQ(last.actor.consoleUser, "");
    }
    EXPECT_EQ(ReadText(TrailFile()).find(password), std::string::npos);
}

TEST_F(AuditCommandsTest, AnUnwritableTrailRefusesTheChangeUnlessTheLoginPathAllowsIt)
{
    RunOk({ "users", "add", LoginPath(), "bob" }, "pw\n");
    std::filesystem::remove(TrailFile());
    std::filesystem::create_directory(TrailFile());
    const auto before = Snapshot(LoginPath());
    const CliResult refused = Run({ "users", "add", LoginPath(), "carl" }, "pw\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Contains(refused.err, audittrail::kFileName)) << refused.err;
    EXPECT_EQ(Snapshot(LoginPath()), before);

    WriteText(FileOf(audittrail::kSettingsFileName), "unlogged-changes=allowed\n");
    const CliResult allowed = Run({ "users", "add", LoginPath(), "carl" }, "pw\n");
    EXPECT_EQ(allowed.status, 0);
    EXPECT_TRUE(Contains(allowed.err, "warning: the change was made without its audit-trail line")) << allowed.err;
    EXPECT_TRUE(Contains(RunOk({ "users", "list", LoginPath() }).out, "carl"));
}

TEST_F(AuditCommandsTest, VerifyCatchesATrailCutShortAfterWhatItSaw)
{
    AppendDays();
    RunOk({ "users", "add", LoginPath(), "bob" }, "pw\n");
    EXPECT_EQ(RunOk({ "audit", "verify", LoginPath() }).out, "ok\t5\n");
    // The last two lines go: the chain of what is left is sound.
    Lines lines = SplitLines(ReadText(TrailFile()));
    std::string cut;
    for (size_t i = 0; i + 2 < lines.size(); ++i)
        cut += lines[i] + "\n";
    WriteText(TrailFile(), cut);
    ASSERT_TRUE(CheckTrail(cut).IsSound());

    const CliResult verify = Run({ "audit", "verify", LoginPath() });
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.out, "cut\t3\n");
    EXPECT_TRUE(Contains(verify.err, "shorter than it was")) << verify.err;
}

} // namespace
} // namespace custodia::test
