#include "store/LoginPathList.h"
#include "platform/Endian.h"
#include "platform/Platform.h"
#include "store/RecordFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using Paths = std::vector<std::string>;
using test::ReadBytes;
using test::WriteBytes;

// Each test runs in a fresh current folder, where the bare name "custo.cfg" lies.
class LoginPathListTest : public ::testing::Test {
protected:
    LoginPathListTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    // Appends a record as another writer might have left it.
    static void AppendRecord(const std::string& text, size_t size = loginpaths::kRecordSize)
    {
        Bytes data(size, 0);
        std::copy(text.begin(), text.end(), data.begin());
        ASSERT_TRUE(
            RecordFile()
                .WriteRecord(loginpaths::kFileName, loginpaths::kRecordKind, loginpaths::kRecordSubKind, data, false)
                .HasValue());
    }

    static void Add(LoginPathList& list, const std::string& path)
    {
        ASSERT_TRUE(list.AddLoginPath(path));
        ASSERT_TRUE(list.StoreLoginPath(path));
    }

    static Paths Reloaded() { return LoginPathList().Paths(); }
    static Bytes FileBytes() { return ReadBytes(loginpaths::kFileName); }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
};

TEST_F(LoginPathListTest, MissingFileGivesEmptyListAndFirstAddCreatesIt)
{
    LoginPathList list;
    EXPECT_TRUE(list.Paths().empty());
    EXPECT_EQ(list.CheckFile(), LoginPathFileState::Missing);

    Add(list, "/srv/quarva/site1");
    const Bytes bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 294u); // header record, then one 4 + 255 byte record
    EXPECT_EQ(ReadUint32LE(bytes.data() + 8), 294u);
    EXPECT_EQ(bytes[35], loginpaths::kRecordKind);
    EXPECT_EQ(bytes[36], loginpaths::kRecordSubKind);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + 39)), "/srv/quarva/site1");
    EXPECT_TRUE(std::all_of(bytes.begin() + 39 + 17, bytes.end(), [](unsigned char b) { return b == 0; }));

    Add(list, "/srv/quarva/site2");
    EXPECT_EQ(list.Paths(), (Paths { "/srv/quarva/site1", "/srv/quarva/site2" }));
    EXPECT_EQ(Reloaded(), list.Paths());
    EXPECT_EQ(list.CheckFile(), LoginPathFileState::Good);
}

// One folder is one entry, whatever the text that names it; letter case alone makes another folder.
TEST_F(LoginPathListTest, SameFolderIsNeitherListedNorWrittenTwice)
{
    const std::string site = m_dir.file("Site");
    std::filesystem::create_directory(site);
    std::filesystem::create_directory_symlink(site, m_dir.file("link"));
    LoginPathList list;
    Add(list, site);
    const Bytes before = FileBytes();

    for (const std::string& other : { site, site + "/", m_dir.file("./Site"), m_dir.file("link") }) {
        EXPECT_FALSE(list.AddLoginPath(other)) << other;
        EXPECT_FALSE(list.StoreLoginPath(other)) << other;
        ASSERT_NE(list.ListedAs(other), nullptr) << other;
        EXPECT_EQ(*list.ListedAs(other), site);
    }
    EXPECT_EQ(list.Paths(), Paths { site });
    EXPECT_EQ(FileBytes(), before);

    std::filesystem::create_directory(m_dir.file("site"));
    Add(list, m_dir.file("site"));
    Add(list, m_dir.file("SITE")); // not there: its own text
    EXPECT_EQ(Reloaded(), (Paths { site, m_dir.file("site"), m_dir.file("SITE") }));
}

TEST_F(LoginPathListTest, RecordsOfOneFolderGiveTheFirstOne)
{
    AppendRecord("/srv/site");
    AppendRecord("/SRV/SITE");
    AppendRecord("/srv//site/");
    AppendRecord("/srv/other");
    EXPECT_EQ(Reloaded(), (Paths { "/srv/site", "/SRV/SITE", "/srv/other" }));
}

TEST_F(LoginPathListTest, RemovingAPathStoredTwiceDeletesOneRecord)
{
    AppendRecord("/srv/a");
    AppendRecord("/srv/b");
    AppendRecord("/srv/a");
    LoginPathList list;

    EXPECT_TRUE(list.RemoveLoginPath("/srv/a"));
    EXPECT_EQ(list.Paths(), (Paths { "/srv/b", "/srv/a" }));
    const Bytes bytes = FileBytes();
    EXPECT_EQ(bytes.size(), 35u + 3 * 259); // the file never shrinks
    EXPECT_EQ(bytes[35], recordfile::kDeletedKind);

    EXPECT_TRUE(list.RemoveLoginPath("/srv/a"));
    EXPECT_EQ(list.Paths(), Paths { "/srv/b" });
    EXPECT_EQ(Reloaded(), Paths { "/srv/b" });
}

TEST_F(LoginPathListTest, RemovingMatchesLetterCaseExactly)
{
    AppendRecord("/srv/Site");
    LoginPathList list;
    const Bytes before = FileBytes();

    EXPECT_FALSE(list.RemoveLoginPath("/srv/site"));
    EXPECT_EQ(list.Paths(), Paths { "/srv/Site" });
    EXPECT_EQ(FileBytes(), before);
    EXPECT_FALSE(list.RemoveLoginPath("/srv/never"));
}

TEST_F(LoginPathListTest, PathsThatCannotBeStoredWholeAreRefused)
{
    const std::string longest(loginpaths::kMaxPathLength, 'p');
    const std::string tooLong(loginpaths::kMaxPathLength + 1, 'p');
    const std::string withZero("/srv\0x", 6);
    LoginPathList list;

    for (const std::string& path : { tooLong, withZero }) {
        EXPECT_FALSE(list.AddLoginPath(path));
        EXPECT_FALSE(list.StoreLoginPath(path));
    }
    EXPECT_TRUE(list.Paths().empty());
    EXPECT_FALSE(std::filesystem::exists(loginpaths::kFileName));

    Add(list, longest);
    EXPECT_EQ(Reloaded(), Paths { longest });
}

TEST_F(LoginPathListTest, RecordsOfOtherWritersAreReadWithinTheirBytes)
{
    AppendRecord(std::string(loginpaths::kRecordSize, 'f')); // no terminator at all
    AppendRecord("xyz", 3); // shorter than the one before it
    LoginPathList list;
    EXPECT_EQ(list.Paths(), (Paths { std::string(loginpaths::kRecordSize, 'f'), "xyz" }));

    EXPECT_TRUE(list.RemoveLoginPath(std::string(loginpaths::kRecordSize, 'f')));
    EXPECT_EQ(list.Paths(), Paths { "xyz" });
}

TEST_F(LoginPathListTest, DamagedFileListsNothingAndRemovingLeavesItAlone)
{
    AppendRecord("/srv/a");
    Bytes bytes = FileBytes();
    bytes[40] ^= 0x20;
    WriteBytes(loginpaths::kFileName, bytes);

    LoginPathList list;
    EXPECT_TRUE(list.Paths().empty());
    EXPECT_EQ(list.CheckFile(), LoginPathFileState::Damaged);
    EXPECT_FALSE(list.RemoveLoginPath("/srv/a"));
    EXPECT_EQ(FileBytes(), bytes);
}

TEST_F(LoginPathListTest, StoreReportsAFileThatCannotBeWritten)
{
    std::filesystem::create_directory(loginpaths::kFileName);
    LoginPathList list;
    EXPECT_TRUE(list.AddLoginPath("/srv/a"));
    EXPECT_FALSE(list.StoreLoginPath("/srv/a"));
}

} // namespace
} // namespace custodia
