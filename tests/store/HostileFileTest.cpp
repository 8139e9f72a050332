#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "support/StoredAccounts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace custodia {
namespace {

using test::ReadText;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteText;

constexpr unsigned kReadShared = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
constexpr unsigned kCreateReadWrite
    = openflags::kCreate | openflags::kNoTruncate | openflags::kReadWrite | openflags::kShareExclusive;

UserEntry Entry(const std::string& name, const std::string& password)
{
    UserEntry entry;
    entry.user.userName = name;
    entry.user.password = password;
    entry.user.groupNumber = 1;
    return entry;
}

// How reading the users went, in the readers' words.
FileReadResult UsersRead(const std::string& loginPath)
{
    const Result<std::vector<UserEntry>> users = PasswordFileStore(NativePath(loginPath)).LoadUsers();
    return users ? FileReadResult {} : ReadResultOf(users.Error());
}

bool SaveGroup(const std::string& loginPath, uint8_t number, const std::string& name)
{
    const Result<bool> saved
        = ProfileStore(NativePath(loginPath))
              .ChangeGroup(number, name, SaveMode::CreateOrReplace, [](int, std::span<unsigned char>) {});
    return saved && *saved;
}

// In a temporary current folder, with every wait recorded instead of slept.
class HostileStoreTest : public ::testing::Test {
protected:
    HostileStoreTest()
        : m_cwd(m_dir.path())
        , m_platform([this](int ms) { m_waits.push_back(ms); }, {})
    {
    }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    std::vector<int> m_waits;
    ScopedPlatformOverride m_platform;
};

// What can stand in place of a file, and how it is named.
struct NonFileCase {
    const char* name;
    std::function<void(const std::string& path)> plant;
    const char* described;
};

class NonFileTest : public HostileStoreTest, public ::testing::WithParamInterface<NonFileCase> { };

// Opening never blocks on a pipe or reads a device for ever: the open is refused at once, for reading
// and for writing, without a retry.
TEST_P(NonFileTest, IsRefusedAtOnceForReadingAndWriting)
{
    const std::string path = m_dir.file("tessel.pwd");
    GetParam().plant(path);
    for (const unsigned flags : { kReadShared, kCreateReadWrite }) {
        SharedFile file;
        EXPECT_FALSE(file.OpenWithRetry(path, flags));
        EXPECT_EQ(file.LastCause(), kCauseInvalidFile);
        EXPECT_EQ(file.LastTries(), 1);
        EXPECT_EQ(
            DescribeOpenError(file.LastOpenError()), std::string("not a regular file (") + GetParam().described + ")");
    }
    EXPECT_TRUE(m_waits.empty());
}

// The account files' readers and writers report failure, never hang or take what they read for users.
TEST_P(NonFileTest, StoreCallsFailAtOnceOnEverySharedFile)
{
    const std::string lp = m_dir.file("lp");
    std::filesystem::create_directory(lp);
    for (const char* name : { "tessel.pwd", "setup.prf", "tessel.dbs", "officena.mes" })
        GetParam().plant(lp + "/" + name);
    GetParam().plant(m_dir.file("custo.cfg"));

    const FileReadResult users = UsersRead(lp);
    EXPECT_EQ(users.status, FileReadStatus::Unopenable);
    EXPECT_EQ(users.problem, std::string("cannot be opened: not a regular file (") + GetParam().described + ")");
    EXPECT_EQ(PasswordFileStore(NativePath(lp)).FindUser("anna").status, kPasswordFileUnreadable);
    EXPECT_FALSE(test::StoreUser(lp, Entry("anna", "pw")));
    const Loaded<std::vector<GroupEntry>> groups = ProfileStore(NativePath(lp)).LoadGroupList();
    EXPECT_EQ(groups.status, FileReadStatus::Unopenable);
    EXPECT_TRUE(groups.value.empty());
    EXPECT_FALSE(SaveGroup(lp, 1, "Night"));
    const DatabaseListStore databases { NativePath(lp) };
    DatabaseList list;
    EXPECT_EQ(databases.Load(list).status, FileReadStatus::Unopenable);
    EXPECT_FALSE(databases.Save(DatabaseList {}));
    OfficeNameList offices(lp);
    EXPECT_NE(offices.Save(), kOfficesSaved);
    LoginPathList paths;
    EXPECT_TRUE(paths.Paths().empty());
    EXPECT_FALSE(paths.StoreLoginPath("/srv/a"));
    EXPECT_EQ(paths.CheckFile(), LoginPathFileState::Unreadable);
    EXPECT_TRUE(m_waits.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, NonFileTest,
    ::testing::Values(NonFileCase { "Fifo", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); },
                          "a named pipe (FIFO)" },
        NonFileCase { "DevZero", [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
            "a character device" },
        NonFileCase { "Folder", [](const std::string& path) { std::filesystem::create_directory(path); }, "a folder" }),
    [](const auto& info) { return std::string(info.param.name); });

void MakeSparse(const std::string& path, off_t length, const std::vector<unsigned char>& start = {})
{
    test::WriteBytes(path, start);
    ASSERT_EQ(::truncate(path.c_str(), length), 0);
}

// A sparse file of gigabytes with a valid header would read as ten million empty users.
TEST_F(HostileStoreTest, OversizedFilesAreRefusedAsDamaged)
{
    const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
    MakeSparse(m_dir.file("tessel.pwd"), off_t { 2 } << 30, { header.begin(), header.end() });
    MakeSparse(m_dir.file("setup.prf"), off_t { 2 } << 30);
    MakeSparse(m_dir.file("custo.cfg"), static_cast<off_t>(recordfile::kMaxFileLength + 1));

    EXPECT_EQ(UsersRead(m_dir.path()).status, FileReadStatus::Damaged);
    EXPECT_EQ(PasswordFileStore(NativePath(m_dir.path())).FindUser("").status, kPasswordFileWrongTitle);
    EXPECT_FALSE(test::StoreUser(m_dir.path(), Entry("anna", "pw")));
    EXPECT_TRUE(PasswordFileStore::IsLogonRequired());
    const Loaded<std::vector<GroupEntry>> groups = ProfileStore(NativePath(m_dir.path())).LoadGroupList();
    EXPECT_EQ(groups.status, FileReadStatus::Damaged);
    EXPECT_TRUE(groups.value.empty());
    EXPECT_FALSE(SaveGroup(m_dir.path(), 1, "Night"));
    EXPECT_EQ(LoginPathList().CheckFile(), LoginPathFileState::Damaged);
    // Refused, not changed.
    EXPECT_EQ(std::filesystem::file_size(m_dir.file("tessel.pwd")), uintmax_t { 2 } << 30);
    EXPECT_EQ(std::filesystem::file_size(m_dir.file("setup.prf")), uintmax_t { 2 } << 30);
}

// The largest password file still accepted holds 65,536 records.
TEST_F(HostileStoreTest, PasswordFileAtTheCapIsRead)
{
    const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
    MakeSparse(
        m_dir.file("tessel.pwd"), static_cast<off_t>(passwordfile::kMaxFileLength), { header.begin(), header.end() });
    EXPECT_EQ(test::StoredUsers(m_dir.path()).size(), passwordfile::kMaxRecordCount);
}

TEST_F(HostileStoreTest, DanglingLinkIsRefusedAndItsTargetNeverCreated)
{
    const std::string target = m_dir.file("elsewhere/tessel.pwd");
    std::filesystem::create_directory(m_dir.file("elsewhere"));
    std::filesystem::create_directory(m_dir.file("lp"));
    std::filesystem::create_symlink(target, m_dir.file("lp/tessel.pwd"));

    SharedFile file;
    EXPECT_FALSE(file.OpenWithRetry(m_dir.file("lp/tessel.pwd"), kCreateReadWrite));
    EXPECT_EQ(file.LastOpenError().refusal, OpenError::Refusal::DanglingLink);
    EXPECT_EQ(file.LastTries(), 1);
    EXPECT_FALSE(PasswordFileStore(NativePath(m_dir.file("lp"))).Create());
    EXPECT_FALSE(test::StoreUser(m_dir.file("lp"), Entry("anna", "pw")));
    EXPECT_FALSE(std::filesystem::exists(target));
    // Readers see a missing file.
    EXPECT_FALSE(file.OpenWithRetry(m_dir.file("lp/tessel.pwd"), kReadShared));
    EXPECT_EQ(file.LastCause(), kCauseFileNotFound);
}

TEST_F(HostileStoreTest, CreatedFilesGetGroupWritableModeUnderTheUmask)
{
    const mode_t previous = ::umask(0002);
    SharedFile file;
    ASSERT_TRUE(file.OpenWithRetry(m_dir.file("new.prf"), kCreateReadWrite));
    ::umask(previous);
    struct stat info { };
    ASSERT_EQ(::stat(m_dir.file("new.prf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0664u);
}

TEST_F(HostileStoreTest, ErrorLogLinkIsNotFollowed)
{
    WriteText(m_dir.file("victim"), "kept\n");
    std::filesystem::create_symlink(m_dir.file("victim"), m_dir.file(SharedFile::kErrorLogName));
    SharedFile file;
    EXPECT_FALSE(file.OpenWithRetry(m_dir.file("missing-folder/setup.prf"), kReadShared));
    EXPECT_EQ(ReadText(m_dir.file("victim")), "kept\n");
}

// Permissions do not bind root: the refusal is then made in a child running as "nobody".
TEST_F(HostileStoreTest, NoPermissionIsNotRetried)
{
    const std::string name = m_dir.file("tessel.pwd");
    WriteText(name, "x");
    ::chmod(name.c_str(), 0444);
    ::chmod(m_dir.path().c_str(), 0777);
    const auto opensOnce = [&] {
        SharedFile file;
        return !file.OpenWithRetry(name, openflags::kReadWrite | openflags::kShareExclusive) && file.LastTries() == 1
            && file.LastCause() == kCauseAccessDenied && DescribeOpenError(file.LastOpenError()) == "no permission"
            && m_waits.empty();
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(opensOnce());
    } else {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && opensOnce() ? 0 : 1);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // The log line stays: tried once, access denied.
    EXPECT_NE(ReadText(m_dir.file(SharedFile::kErrorLogName)).find("tessel.pwd (tries:1 cause:5)"), std::string::npos);
}

// A program waiting on a held file is told about every wait, with the file, the cause and the time
// waited so far: enough to say "waiting for ..." after a second. It can also tell that it is inside a
// wait, where a window's event loop must not start more file work.
TEST_F(HostileStoreTest, WaitFunctionHearsOfEveryWait)
{
    const std::string name = m_dir.file("setup.prf");
    WriteText(name, "x");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(name, openflags::kReadWrite | openflags::kShareExclusive));
    std::vector<OpenAttempt> heard;
    int heardInAWait = 0;
    const ScopedOpenWaitFunction wait([&](const OpenAttempt& attempt) {
        heard.push_back(attempt);
        heardInAWait += IsWaitingForSharedFile() ? 1 : 0;
        if (heard.size() == 3)
            holder.Close();
    });
    EXPECT_FALSE(IsWaitingForSharedFile());
    SharedFile reader;
    ASSERT_TRUE(reader.OpenWithRetry(name, kReadShared));
    EXPECT_FALSE(IsWaitingForSharedFile());
    EXPECT_EQ(heardInAWait, 3);
    ASSERT_EQ(heard.size(), 3u);
    for (size_t i = 0; i < heard.size(); ++i) {
        EXPECT_EQ(heard[i].fileName, name);
        EXPECT_EQ(heard[i].error.cause, kCauseSharingViolation);
        EXPECT_EQ(heard[i].tries, static_cast<int>(i + 1));
        EXPECT_EQ(heard[i].waitedMilliseconds, static_cast<int>(i) * SharedFile::kRetryWaitMilliseconds);
    }
    EXPECT_EQ(DescribeOpenError(heard[0].error), "in use by another program");
}

// Found by fuzzing: a file holding a name twice (an old-layout and a current record, written by other
// programs). The save must change the record that the log-on reads, the last one.
TEST_F(HostileStoreTest, SavingANameStoredTwiceChangesTheRecordTheLogOnReads)
{
    std::vector<unsigned char> bytes;
    const PasswordFileHeaderBytes header = PasswordFileHeader {}.Encode();
    bytes.insert(bytes.end(), header.begin(), header.end());
    for (const char* password : { "one", "two" }) {
        UserRecord user;
        user.userName = "bob";
        user.password = password;
        const PasswordFileRecord record = user.Encode();
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    test::WriteBytes(m_dir.file("tessel.pwd"), bytes);

    ASSERT_TRUE(test::StoreUser(m_dir.path(), Entry("bob", "three")));
    const FoundUser found = PasswordFileStore(NativePath(m_dir.path())).FindUser("bob");
    ASSERT_TRUE(found.WasFound());
    EXPECT_EQ(found.entry.user.password, "three");
    EXPECT_EQ(std::filesystem::file_size(m_dir.file("tessel.pwd")), bytes.size() + passwordfile::kRecordSize);
}

} // namespace
} // namespace custodia
