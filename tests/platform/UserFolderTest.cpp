#include "platform/UserFolder.h"
#include "platform/Platform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace custodia {
namespace {

using test::ReadText;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteText;

struct FolderCase {
    const char* configHome; // null: unset
    const char* home;
    const char* expected;
};

class UserFolderChoice : public ::testing::TestWithParam<FolderCase> { };

TEST_P(UserFolderChoice, FollowsTheBaseDirectoryRules)
{
    const FolderCase& c = GetParam();
    const std::map<std::string, const char*> environment { { "XDG_CONFIG_HOME", c.configHome }, { "HOME", c.home } };
    EXPECT_EQ(UserFolder([&](const char* name) { return environment.at(name); }), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Environment, UserFolderChoice,
    ::testing::Values(FolderCase { "/cfg", "/home/ann", "/cfg/custodia" },
        FolderCase { nullptr, "/home/ann", "/home/ann/.config/custodia" },
        // A relative XDG_CONFIG_HOME is invalid and ignored, as is an empty one.
        FolderCase { "cfg", "/home/ann", "/home/ann/.config/custodia" },
        FolderCase { "", "/home/ann", "/home/ann/.config/custodia" },
        // Without an absolute folder there is nowhere to write: the caller says so.
        FolderCase { nullptr, nullptr, "" }, FolderCase { nullptr, "home", "" }));

// An installation's data folder and /etc stand-in, and a user's home without its folder yet.
class EnterUserFolderTest : public ::testing::Test {
protected:
    EnterUserFolderTest()
        : m_cwd(m_dir.path())
    {
        std::filesystem::create_directories(m_dir.file("share"));
        std::filesystem::create_directories(m_dir.file("etc"));
        WriteText(m_dir.file("share/gnrlword.eng"), "words");
        WriteText(m_dir.file("share/splash.bmp"), "installed picture");
        WriteText(m_dir.file("etc/tessel.pwd"), "users");
        m_layout = { true, m_dir.file("share"), m_dir.file("etc") };
    }

    std::string Folder() const { return m_dir.file("home/.config/custodia"); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    InstalledLayout m_layout;
};

TEST_F(EnterUserFolderTest, MakesAPrivateFolderWithTheInstalledFilesAndWorksThere)
{
    std::string error;
    ASSERT_TRUE(EnterUserFolder(Folder(), InstalledLinks(m_layout), error)) << error;

    struct stat status { };
    ASSERT_EQ(::stat(Folder().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(std::filesystem::canonical(CurrentDirectory()), std::filesystem::canonical(Folder()));
    // Bare names, as the programs use them, reach the installed files.
    EXPECT_EQ(ReadText("gnrlword.eng"), "words");
    EXPECT_EQ(ReadText("tessel.pwd"), "users");
    EXPECT_TRUE(std::filesystem::is_symlink("splash.bmp"));
    // What the programs write stays in the folder.
    WriteText("custo.cfg", "list");
    EXPECT_EQ(ReadText(Folder() + "/custo.cfg"), "list");
}

TEST_F(EnterUserFolderTest, KeepsWhatTheUserPutThereAndAddsWhatIsNew)
{
    std::filesystem::create_directories(Folder());
    WriteText(Folder() + "/splash.bmp", "own picture");
    std::string error;
    ASSERT_TRUE(EnterUserFolder(Folder(), InstalledLinks(m_layout), error)) << error;
    EXPECT_EQ(ReadText("splash.bmp"), "own picture");

    // A file the installation gained later is linked on the next start; the links made before stay.
    WriteText(m_dir.file("share/techsprt.txt"), "support");
    ASSERT_TRUE(EnterUserFolder(Folder(), InstalledLinks(m_layout), error)) << error;
    EXPECT_EQ(ReadText("techsprt.txt"), "support");
    EXPECT_EQ(ReadText("gnrlword.eng"), "words");
}

TEST_F(EnterUserFolderTest, SaysWhyWhenThereIsNoFolderToWorkIn)
{
    std::string error;
    EXPECT_FALSE(EnterUserFolder("", InstalledLinks(m_layout), error));
    EXPECT_NE(error.find("HOME"), std::string::npos);

    WriteText(m_dir.file("home"), "a file where the folder belongs");
    EXPECT_FALSE(EnterUserFolder(Folder(), InstalledLinks(m_layout), error));
    EXPECT_NE(error.find(m_dir.file("home")), std::string::npos) << error;
    // Nothing was made, and the program stays where it was.
    EXPECT_EQ(std::filesystem::canonical(CurrentDirectory()), std::filesystem::canonical(m_dir.path()));
}

} // namespace
} // namespace custodia
