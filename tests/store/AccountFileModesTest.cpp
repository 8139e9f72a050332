#include "platform/Platform.h"
#include "store/FileRepair.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"
#include "support/KillAtWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct stat StatOf(const std::string& fileName)
{
    struct stat info { };
    EXPECT_EQ(::stat(fileName.c_str(), &info), 0) << fileName;
    return info;
}

unsigned ModeOf(const std::string& fileName)
{
    return StatOf(fileName).st_mode & 0777;
}

// The umask most systems start programs with: it lets others read what is created with 0666.
class AccountFileModesTest : public ::testing::Test {
protected:
    AccountFileModesTest()
        : m_umask(::umask(022))
        , m_platform([](int) {}, {})
    {
    }
    ~AccountFileModesTest() override { ::umask(m_umask); }

    mode_t m_umask;
    TempDir m_dir;
    ScopedPlatformOverride m_platform;
};

// The user file holds the scrambled passwords, which can be reversed; the other account files say who
// may do what. Whatever the umask, none is open to others, and each takes the group of its folder.
TEST_F(AccountFileModesTest, NewAccountFilesAreClosedToOthers)
{
    const bool mayGiveGroups = ::geteuid() == 0;
    constexpr gid_t kFolderGroup = 4242;
    if (mayGiveGroups) {
        ASSERT_EQ(::chown(m_dir.path().c_str(), static_cast<uid_t>(-1), kFolderGroup), 0);
    }
    ASSERT_TRUE(PasswordFileStore(NativePath(m_dir.path())).Create().HasValue());
    ASSERT_TRUE(RecordFile().WriteRecord(m_dir.file("setup.prf"), 82, 1, Bytes(1200, 1), true).HasValue());
    ASSERT_TRUE(RecordFile().WriteRecord(m_dir.file("tessel.dbs"), 87, 1, Bytes(19296, 0), true).HasValue());
    for (const std::string& name :
        { PasswordFilePath(m_dir.path()), m_dir.file("setup.prf"), m_dir.file("tessel.dbs") }) {
        EXPECT_EQ(ModeOf(name), 0660u) << name;
        if (mayGiveGroups) {
            EXPECT_EQ(StatOf(name).st_gid, kFolderGroup) << name;
        }
    }
}

// A copy or a journal holds what the file holds: it is no more open than the file.
TEST_F(AccountFileModesTest, CopiesAndJournalsKeepTheModeOfTheirFile)
{
    const std::string name = m_dir.file("setup.prf");
    ASSERT_TRUE(RecordFile().WriteRecord(name, 82, 1, Bytes(1200, 1), true).HasValue());
    ASSERT_EQ(::chmod(name.c_str(), 0600), 0);
    // Killed after its journal, before its first write to the file: the journal stays.
    test::RunKilledAtWrite([&] { static_cast<void>(RecordFile().WriteRecord(name, 82, 2, Bytes(1200, 2), true)); }, 2);
    ASSERT_TRUE(JournalExists(name));
    EXPECT_EQ(ModeOf(JournalNameOf(name)), 0600u);
    ::unlink(JournalNameOf(name).c_str());

    // A program that died before sealing: repair keeps a copy first.
    Bytes unsealed = ReadBytes(name);
    unsealed[0] ^= 1;
    WriteBytes(name, unsealed);
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
    const RepairReport report = RepairRecordFile(name);
    ASSERT_EQ(report.outcome, RepairOutcome::Repaired) << report.detail;
    EXPECT_EQ(ModeOf(BackupNameOf(name)), 0640u);
    EXPECT_EQ(ModeOf(name), 0640u) << "a file another program made keeps its mode";
}

} // namespace
} // namespace custodia
