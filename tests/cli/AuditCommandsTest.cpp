#include "cli/CliTest.h"
#include "store/AuditTrail.h"

namespace custodia::test {
namespace {

class AuditCommandsTest : public CliTest {
protected:
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

} // namespace
} // namespace custodia::test
