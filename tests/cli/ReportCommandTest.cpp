#include "cli/CliTest.h"
#include "store/AccountService.h"

namespace custodia::test {
namespace {

// Group 7 grants a right of setup and the console's own; "eve" belongs to a group that no file holds
// and carries texts that would be markup, and a control character another program stored.
class ReportCommandTest : public CliTest {
protected:
    ReportCommandTest()
    {
        RunOk({ "groups", "save", "lp", "7", "Readers & <Co>", "--grant", "1:0", "--grant", "6:0", "--grant", "1:44" });
        RunOk({ "users", "add", "lp", "anna", "--full-name", "Anna \"Nan\"", "--group", "7" }, "a\n");
        EXPECT_TRUE(AccountService(NativePath(LoginPath())).SaveUser("eve", SaveMode::CreateOnly, [](UserEntry& e) {
            e.user.fullName = "<script>alert('x')</script>";
            e.user.groupNumber = 9;
        }));
        // The service refuses control characters, as every program of ours does; a foreign one did not.
        std::vector<unsigned char> bytes = ReadBytes(FileOf("tessel.pwd"));
        const size_t eve = 54 + 2 * 206;
        bytes[eve + 51 + std::string("<script>alert('x')</script>").size()] = 0x1B; // after the full name
        WriteBytes(FileOf("tessel.pwd"), bytes);
    }
};

TEST_F(ReportCommandTest, CsvNamesEachUsersRightsPerProgram)
{
    const Lines lines = SplitLines(RunOk({ "report", "lp" }).out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
        "user,full name,group,group name,convert,setup,download,view,autocall,alarmin,custodia,datagen,"
        "alarmpro,export,translator,reporter\r");
    EXPECT_TRUE(Contains(
        lines[1], "anna,\"Anna \"\"Nan\"\"\",7,Readers & <Co>,,Run Setup; Search for loggers on the network,"));
    EXPECT_TRUE(Contains(lines[1], ",\"Run Custodia (manage users, groups and login paths)\","));
    EXPECT_EQ(lines[2], "eve,<script>alert('x')</script>\x1B,9,(no such group),,,,,,,,,,,,\r");
}

TEST_F(ReportCommandTest, HtmlEscapesEveryText)
{
    const std::string html = RunOk({ "report", "lp", "--format", "html" }).out;
    EXPECT_TRUE(Contains(html, "<td>Readers &amp; &lt;Co&gt;</td>"));
    EXPECT_TRUE(Contains(html, "<td>Anna &quot;Nan&quot;</td>"));
    EXPECT_TRUE(Contains(html, "<td>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;\\x1B</td>"));
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find('\x1B'), std::string::npos);
    EXPECT_TRUE(Contains(html, "</table>\n</body>\n</html>\n"));
    EXPECT_EQ(Run({ "report", "lp", "--format", "pdf" }).status, 2);
}

} // namespace
} // namespace custodia::test
