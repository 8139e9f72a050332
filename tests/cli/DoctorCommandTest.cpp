#include "cli/CliTest.h"
#include "support/ShareViews.h"

#include <filesystem>

namespace custodia::test {
namespace {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

class DoctorCommandTest : public CliTest {
protected:
    // The verdict line's state, after checking that every line has its three fields.
    static std::string Verdict(const CliResult& result)
    {
        std::string verdict;
        for (const std::string& line : SplitLines(result.out)) {
            const std::vector<std::string> fields = Fields(line);
            EXPECT_GE(fields.size(), 3U) << line;
            if (!fields.empty() && fields[0] == "verdict")
                verdict = fields[1];
        }
        return verdict;
    }

    static bool LeftNoProbe(const std::string& folder)
    {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with(".custodia-probe-"))
                return false;
        }
        return true;
    }
};

TEST_F(DoctorCommandTest, ALocalFolderIsSafeAndKeepsNothingOfTheProbe)
{
    const CliResult result = Run({ "doctor", LoginPath() });
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_EQ(Verdict(result), "ok");
    EXPECT_TRUE(Contains(result.out, "local file system"));
    EXPECT_TRUE(Contains(result.out, "a lock holds against a second open of the file"));
    EXPECT_TRUE(Contains(result.out, "the kernel's notification is trusted"));
    EXPECT_TRUE(Contains(result.out, "round trip"));
    EXPECT_TRUE(LeftNoProbe(LoginPath()));
}

TEST_F(DoctorCommandTest, AMissingFolderIsUnsafe)
{
    const CliResult result = Run({ "doctor", m_dir.file("nowhere") });
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(Contains(result.out, "not an existing folder"));
    EXPECT_EQ(Verdict(result), "unsafe");
}

// A view of a share: locks must be seen through the folder behind it, and changes are polled for.
TEST_F(DoctorCommandTest, AViewThatForwardsLocksIsSafeAndPolled)
{
    ShareViews views;
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    const CliResult result = Run({ "doctor", views.A() });
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    EXPECT_TRUE(Contains(result.out, "FUSE file system"));
    EXPECT_TRUE(Contains(result.out, "a lock taken here is seen through " + views.Server()));
    EXPECT_TRUE(Contains(result.out, "polls the files every 2 seconds"));
    EXPECT_TRUE(LeftNoProbe(views.Server()));
}

TEST_F(DoctorCommandTest, AViewWhoseLocksStayOnThisSideIsUnsafe)
{
    ShareViews views(ShareViews::Options { .lockForwarding = false });
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    const CliResult result = Run({ "doctor", views.A() });
    EXPECT_EQ(result.status, 1) << result.out;
    EXPECT_TRUE(Contains(result.out, "does not reach " + views.Server()));
    EXPECT_EQ(Verdict(result), "unsafe");
}

TEST_F(DoctorCommandTest, AReadOnlyMountIsUnsafe)
{
    ShareViews views(ShareViews::Options { .readOnly = true });
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    const CliResult result = Run({ "doctor", views.A() });
    EXPECT_EQ(result.status, 1) << result.out;
    EXPECT_TRUE(Contains(result.out, "mounted read-only"));
    EXPECT_EQ(Verdict(result), "unsafe");
}

} // namespace
} // namespace custodia::test
