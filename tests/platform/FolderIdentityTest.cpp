#include "platform/FolderIdentity.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace custodia {
namespace {

using test::TempDir;

struct SameFolderCase {
    const char* name;
    std::vector<std::string> folders; // made under the temporary folder before the comparison
    const char* link; // made there as a link to the first folder, when not null
    std::string a;
    std::string b;
    bool same;
};

class SameFolderTest : public ::testing::TestWithParam<SameFolderCase> {
protected:
    std::string In(const std::string& path) const { return m_dir.path() + "/" + path; }

    TempDir m_dir;
};

TEST_P(SameFolderTest, ComparesAsTheFileSystemDoes)
{
    const SameFolderCase& c = GetParam();
    for (const std::string& folder : c.folders)
        std::filesystem::create_directories(In(folder));
    if (c.link != nullptr)
        std::filesystem::create_directory_symlink(In(c.folders.front()), In(c.link));
    EXPECT_EQ(IsSameFolder(In(c.a), In(c.b)), c.same);
    EXPECT_EQ(IsSameFolder(In(c.b), In(c.a)), c.same);
}

const SameFolderCase kSameFolderCases[] = {
    { "SameText", { "demo/Head Office" }, nullptr, "demo/Head Office", "demo/Head Office", true },
    { "ThroughAMissingFolder", { "demo/Head Office" }, nullptr, "demo/Head Office", "demo/./x/../Head Office",
        false }, // "x" does not exist: the second text leads nowhere and is compared as text
    { "ParentAndBack", { "demo/Head Office", "demo/x" }, nullptr, "demo/Head Office", "demo/x/../Head Office", true },
    { "RepeatedSeparators", { "demo/Head Office" }, nullptr, "demo/Head Office", "demo//Head Office", true },
    { "TrailingSeparator", { "demo/Head Office" }, nullptr, "demo/Head Office", "demo/Head Office/", true },
    { "LinkToTheFolder", { "demo/Head Office" }, "hq", "demo/Head Office", "hq", true },
    // On this file system two folders; the other spelling must never open the first one's users.
    { "LetterCaseOfTwoFolders", { "demo/Head Office", "demo/head office" }, nullptr, "demo/Head Office",
        "demo/head office", false },
    { "LetterCaseOfAMissingFolder", { "demo/Head Office" }, nullptr, "demo/Head Office", "demo/head office", false },
    { "BothMissingSameText", {}, nullptr, "gone/Head Office/", "gone//Head Office", true },
    { "BothMissingOtherText", {}, nullptr, "gone/Head Office", "gone/Head Office 2", false },
    { "TwoFolders", { "north", "south" }, nullptr, "north", "south", false },
};

INSTANTIATE_TEST_SUITE_P(Cases, SameFolderTest, ::testing::ValuesIn(kSameFolderCases),
    [](const ::testing::TestParamInfo<SameFolderCase>& info) { return std::string(info.param.name); });

TEST(NormalisePathTest, DropsWhatNamesNoLevel)
{
    const std::pair<std::string, std::string> cases[] = {
        { "/srv//a/./b/", "/srv/a/b" },
        { "/", "/" },
        { "//", "/" },
        { "", "" }, // the current folder as the store reads an empty login path
        { "./", "." },
        { "a/../b", "a/../b" }, // where ".." leads depends on links on the way
        { "Head Office", "Head Office" },
    };
    for (const auto& [path, normalised] : cases)
        EXPECT_EQ(NormalisePath(path), normalised) << path;
}

} // namespace
} // namespace custodia
