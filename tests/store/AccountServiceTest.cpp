#include "store/AccountService.h"
#include "platform/FileEnvironment.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/PasswordFile.h"
#include "store/ProgramIndex.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using test::ReadBytes;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteBytes;
using Bytes = std::vector<unsigned char>;

constexpr unsigned kHold = openflags::kBinary | openflags::kReadWrite | openflags::kShareExclusive;
constexpr int kNobody = 65534;

void Grant(int program, int position, std::span<unsigned char> rights, int at)
{
    if (program == at)
        rights[static_cast<size_t>(position)] = 1;
}

// A login path with one user ("anna") and one group (7), made by the services themselves, so that
// every case starts from files the store writes.
class AccountServiceTest : public ::testing::Test {
protected:
    AccountServiceTest()
        : m_cwd(m_dir.path())
        , m_platform([this](int milliseconds) { m_waited += milliseconds; }, {})
        , m_service(NativePath(m_dir.path()))
    {
        EXPECT_TRUE(m_service.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry& entry) {
            entry.user.password = "secret";
            entry.user.groupNumber = 7;
        }));
        EXPECT_TRUE(m_service.ChangeGroup(7, "Readers", SaveMode::CreateOnly,
            [](int program, std::span<unsigned char> rights) { Grant(program, 3, rights, kProgramSetup); }));
    }

    std::string File(const std::string& name) const { return m_dir.file(name); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    int m_waited = 0;
    ScopedPlatformOverride m_platform;
    AccountService m_service;
};

// Runs the check as "nobody", as permissions do not bind root; the check's answer is the exit status.
bool AsNobody(const std::string& folder, const std::function<bool()>& check)
{
    if (::geteuid() != 0)
        return check();
    ::chmod(folder.c_str(), 0777);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && check() ? 0 : 1);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One failing call of a service and what its Failure must say.
struct FailureCase {
    const char* name;
    std::function<void(const TempDir& dir, std::vector<std::unique_ptr<SharedFile>>& held)> arrange;
    std::function<Status(const AccountService& service, const TempDir& dir)> call;
    Failure::Refusal refusal;
    int cause; // 0: any
    int systemError; // 0: none expected
    const char* file; // the file the failure names, relative to the login path; "" for none
};

void Hold(const TempDir& dir, std::vector<std::unique_ptr<SharedFile>>& held, const char* name)
{
    held.push_back(std::make_unique<SharedFile>());
    ASSERT_TRUE(held.back()->OpenWithRetry(dir.file(name), kHold));
}

void Spoil(const TempDir& dir, const char* name, size_t offset)
{
    Bytes bytes = ReadBytes(dir.file(name));
    ASSERT_GT(bytes.size(), offset);
    bytes[offset] ^= 0x55;
    WriteBytes(dir.file(name), bytes);
}

Status SaveBob(const AccountService& service, SaveMode mode)
{
    return service.SaveUser("bob", mode, [](UserEntry& entry) { entry.user.password = "pw"; });
}

Status Rights(const AccountService& service, uint8_t group, std::string_view name, SaveMode mode)
{
    return service.ChangeGroup(group, name, mode, [](int, std::span<unsigned char>) {});
}

Status Discard(const Result<int>& result)
{
    if (!result)
        return result.Error();
    return {};
}

const auto kNothing = [](const TempDir&, std::vector<std::unique_ptr<SharedFile>>&) {};

class ServiceFailureTest : public AccountServiceTest, public ::testing::WithParamInterface<FailureCase> { };

TEST_P(ServiceFailureTest, SaysWhatStoppedIt)
{
    const FailureCase& c = GetParam();
    std::vector<std::unique_ptr<SharedFile>> held;
    c.arrange(m_dir, held);
    const std::vector<Bytes> before { ReadBytes(File("tessel.pwd")), ReadBytes(File("setup.prf")),
        ReadBytes(File("view.prf")) };
    const Status status = c.call(m_service, m_dir);
    ASSERT_FALSE(status);
    const Failure& failure = status.Error();
    EXPECT_EQ(failure.refusal, c.refusal) << DescribeFailure(failure);
    if (c.cause != 0) {
        EXPECT_EQ(failure.cause, c.cause) << DescribeFailure(failure);
    }
    EXPECT_EQ(failure.systemError, c.systemError) << DescribeFailure(failure);
    EXPECT_EQ(failure.fileName.Bytes(), *c.file ? File(c.file) : std::string()) << DescribeFailure(failure);
    EXPECT_FALSE(failure.operation.empty());
    // Nothing was written by a change that failed.
    held.clear();
    EXPECT_EQ(ReadBytes(File("tessel.pwd")), before[0]);
    EXPECT_EQ(ReadBytes(File("setup.prf")), before[1]);
    EXPECT_EQ(ReadBytes(File("view.prf")), before[2]);
}

INSTANTIATE_TEST_SUITE_P(Cases, ServiceFailureTest,
    ::testing::Values(
        FailureCase { "MissingFolder", kNothing,
            [](const AccountService&, const TempDir& dir) {
                return SaveBob(AccountService(NativePath(dir.file("nowhere"))), SaveMode::CreateOrReplace);
            },
            Failure::Refusal::None, kCauseBadPath, ENOENT, "nowhere/tessel.pwd" },
        FailureCase { "MissingFolderOfGroups", kNothing,
            [](const AccountService&, const TempDir& dir) {
                return Rights(AccountService(NativePath(dir.file("nowhere"))), 1, "New", SaveMode::CreateOnly);
            },
            Failure::Refusal::None, kCauseBadPath, ENOENT, "nowhere/convert.prf" },
        FailureCase { "HeldUserFile", [](const TempDir& dir, auto& held) { Hold(dir, held, "tessel.pwd"); },
            [](const AccountService& service, const TempDir&) { return SaveBob(service, SaveMode::CreateOnly); },
            Failure::Refusal::None, kCauseSharingViolation, EWOULDBLOCK, "tessel.pwd" },
        // The fourth of the twelve files is held: none of the twelve is written, the first three included.
        FailureCase { "HeldProfileFile", [](const TempDir& dir, auto& held) { Hold(dir, held, "view.prf"); },
            [](const AccountService& service, const TempDir&) { return Rights(service, 7, "R", SaveMode::ReplaceOnly); },
            Failure::Refusal::None, kCauseSharingViolation, EWOULDBLOCK, "view.prf" },
        FailureCase { "HeldWhileDeletingUsers", [](const TempDir& dir, auto& held) { Hold(dir, held, "tessel.pwd"); },
            [](const AccountService& service, const TempDir&) {
                const std::vector<std::string> names { "anna" };
                return Discard(service.DeleteUsers(names));
            },
            Failure::Refusal::None, kCauseSharingViolation, EWOULDBLOCK, "tessel.pwd" },
        FailureCase { "DamagedUserFile", [](const TempDir& dir, auto&) { Spoil(dir, "tessel.pwd", 3); },
            [](const AccountService& service, const TempDir&) { return SaveBob(service, SaveMode::CreateOrReplace); },
            Failure::Refusal::Damaged, 0, 0, "tessel.pwd" },
        FailureCase { "DamagedProfileFile", [](const TempDir& dir, auto&) { Spoil(dir, "setup.prf", 40); },
            [](const AccountService& service, const TempDir&) { return Rights(service, 8, "New", SaveMode::CreateOnly); },
            Failure::Refusal::Damaged, 0, 0, "setup.prf" },
        FailureCase { "DamagedProfileStopsDelete", [](const TempDir& dir, auto&) { Spoil(dir, "view.prf", 40); },
            [](const AccountService& service, const TempDir&) {
                const std::vector<uint8_t> groups { 7 };
                return service.DeleteGroups(groups);
            },
            Failure::Refusal::Damaged, 0, 0, "view.prf" },
        FailureCase { "UserExists", kNothing,
            [](const AccountService& service, const TempDir&) {
                return service.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry&) {});
            },
            Failure::Refusal::AlreadyExists, 0, 0, "tessel.pwd" },
        FailureCase { "RenameOntoAnotherUser",
            [](const TempDir& dir, auto&) {
                ASSERT_TRUE(SaveBob(AccountService(NativePath(dir.path())), SaveMode::CreateOnly));
            },
            [](const AccountService& service, const TempDir&) {
                return service.SaveUser(
                    "bob", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.userName = "anna"; });
            },
            Failure::Refusal::AlreadyExists, 0, 0, "tessel.pwd" },
        FailureCase { "GroupExists", kNothing,
            [](const AccountService& service, const TempDir&) { return Rights(service, 7, "Again", SaveMode::CreateOnly); },
            Failure::Refusal::AlreadyExists, 0, 0, "setup.prf" },
        FailureCase { "NoSuchUserToReplace", kNothing,
            [](const AccountService& service, const TempDir&) { return SaveBob(service, SaveMode::ReplaceOnly); },
            Failure::Refusal::NotFound, 0, 0, "tessel.pwd" },
        FailureCase { "NoSuchUserToDelete", kNothing,
            [](const AccountService& service, const TempDir&) {
                const std::vector<std::string> names { "ghost", "phantom" };
                return Discard(service.DeleteUsers(names));
            },
            Failure::Refusal::NotFound, 0, 0, "tessel.pwd" },
        FailureCase { "NoSuchGroupToReplace", kNothing,
            [](const AccountService& service, const TempDir&) { return Rights(service, 9, "G", SaveMode::ReplaceOnly); },
            Failure::Refusal::NotFound, 0, 0, "setup.prf" },
        FailureCase { "NoSuchGroupToDelete", kNothing,
            [](const AccountService& service, const TempDir&) {
                const std::vector<uint8_t> groups { 9 };
                return service.DeleteGroups(groups);
            },
            Failure::Refusal::NotFound, 0, 0, "" },
        // "é" may scramble to a zero byte and cut the stored password short.
        FailureCase { "PasswordOutsidePrintableAscii", kNothing,
            [](const AccountService& service, const TempDir&) {
                return service.SaveUser(
                    "anna", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.password = "caf\xe9"; });
            },
            Failure::Refusal::BadValue, 0, 0, "tessel.pwd" },
        FailureCase { "RenameToEmpty", kNothing,
            [](const AccountService& service, const TempDir&) {
                return service.SaveUser("anna", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.userName = ""; });
            },
            Failure::Refusal::BadValue, 0, 0, "tessel.pwd" },
        FailureCase { "GroupNameWithLineEnd", kNothing,
            [](const AccountService& service, const TempDir&) { return Rights(service, 7, "a\nb", SaveMode::ReplaceOnly); },
            Failure::Refusal::BadValue, 0, 0, "" },
        FailureCase { "DatabaseSlotOutsideTheTen", kNothing,
            [](const AccountService& service, const TempDir&) { return service.SetDatabaseSlot(10, DatabaseSlot {}); },
            Failure::Refusal::BadValue, 0, 0, "tessel.dbs" },
        FailureCase { "OfficeOutsideTheHundred", kNothing,
            [](const AccountService&, const TempDir& dir) { return SetOffice(NativePath(dir.path()), 101, "1", "x"); },
            Failure::Refusal::BadValue, 0, 0, "officena.mes" }),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// A held file is waited for (by the injected sleep, never for real) before the failure names it.
TEST_F(AccountServiceTest, HeldFileIsWaitedForBeforeItFails)
{
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(File("tessel.pwd"), kHold));
    m_waited = 0;
    const Status saved = SaveBob(m_service, SaveMode::CreateOrReplace);
    ASSERT_FALSE(saved);
    EXPECT_EQ(m_waited, SharedFile::kRetryBudget * SharedFile::kRetryWaitMilliseconds);
    EXPECT_EQ(DescribeFailure(saved.Error()),
        File("tessel.pwd") + ": the user could not be saved: in use by another program (EWOULDBLOCK)");
}

// A caller on another thread hands in its own waits and a cancel flag: the waits go to it, not to the
// process's, and once it gives up the retries end with a failure that says so and names the file.
TEST_F(AccountServiceTest, CancelledWaitEndsTheRetries)
{
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(File("setup.prf"), kHold));
    int waits = 0;
    int slept = 0;
    FileEnvironment environment;
    environment.sleep = [&](int milliseconds) { slept += milliseconds; };
    environment.wait = [&](const OpenAttempt& attempt) {
        EXPECT_EQ(attempt.fileName, File("setup.prf"));
        ++waits;
    };
    environment.cancelled = [&] { return waits == 3; };
    m_waited = 0;
    const AccountService service(NativePath(m_dir.path()), environment);
    const Status status = Rights(service, 7, "R", SaveMode::ReplaceOnly);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.Error().refusal, Failure::Refusal::Cancelled);
    EXPECT_EQ(status.Error().fileName.Bytes(), File("setup.prf"));
    EXPECT_EQ(status.Error().systemError, EWOULDBLOCK);
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(slept, 3 * SharedFile::kRetryWaitMilliseconds);
    EXPECT_EQ(m_waited, 0);
    // The flag is asked only before a wait: a file nobody holds is changed at once.
    holder.Close();
    EXPECT_TRUE(Rights(service, 7, "R", SaveMode::ReplaceOnly));
}

TEST_F(AccountServiceTest, NoPermissionFailsAtOnceWithItsCause)
{
    // The first of the twelve profile files stops the group, before any other is held.
    ::chmod(File("tessel.pwd").c_str(), 0444);
    ::chmod(File("convert.prf").c_str(), 0444);
    // The trail stays writable: what is under test is the account files' own refusal.
    ::chmod(File("custodia-audit.trail").c_str(), 0666);
    const std::string path = m_dir.path();
    EXPECT_TRUE(AsNobody(path, [&] {
        const AccountService service { NativePath(path) };
        const Status user = SaveBob(service, SaveMode::CreateOrReplace);
        const Status group = Rights(service, 7, "R", SaveMode::ReplaceOnly);
        return !user && user.Error().cause == kCauseAccessDenied && user.Error().systemError == EACCES && !group
            && group.Error().fileName.Bytes() == path + "/convert.prf" && group.Error().systemError == EACCES
            && DescribeFailure(user.Error()).ends_with(": the user could not be saved: no permission (EACCES)")
            && m_waited == 0;
    }));
}

// A rename is one change of the user's own records: the user keeps its password and group, and its
// old name is gone.
TEST_F(AccountServiceTest, RenameKeepsTheUsersRecords)
{
    const Bytes before = ReadBytes(File("tessel.pwd"));
    ASSERT_TRUE(
        m_service.SaveUser("anna", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.userName = "hanna"; }));
    EXPECT_EQ(ReadBytes(File("tessel.pwd")).size(), before.size());
    const Result<std::optional<UserEntry>> renamed = m_service.FindUser("hanna");
    ASSERT_TRUE(renamed && renamed->has_value());
    EXPECT_EQ((*renamed)->user.password, "secret");
    EXPECT_EQ((*renamed)->user.groupNumber, 7);
    EXPECT_EQ((*renamed)->access.userName, "hanna");
    const Result<std::optional<UserEntry>> old = m_service.FindUser("anna");
    ASSERT_TRUE(old);
    EXPECT_FALSE(old->has_value());
}

TEST_F(AccountServiceTest, DeletesSeveralUsersInOneHold)
{
    ASSERT_TRUE(SaveBob(m_service, SaveMode::CreateOnly));
    const std::vector<std::string> names { "anna", "ghost", "bob" };
    const Result<int> deleted = m_service.DeleteUsers(names);
    ASSERT_TRUE(deleted);
    EXPECT_EQ(*deleted, 2);
    const Result<std::vector<UserEntry>> users = m_service.LoadUsers();
    ASSERT_TRUE(users);
    EXPECT_TRUE(users->empty());
}

// A group goes from all twelve files at once, and a file that never held it is left as it was.
TEST_F(AccountServiceTest, DeletesGroupsFromEveryProfileFile)
{
    ASSERT_TRUE(Rights(m_service, 8, "Writers", SaveMode::CreateOnly));
    const std::vector<uint8_t> groups { 7, 8, 9 };
    ASSERT_TRUE(m_service.DeleteGroups(groups));
    const Result<std::vector<GroupEntry>> left = m_service.LoadGroups();
    ASSERT_TRUE(left);
    EXPECT_TRUE(left->empty());
    const auto rights = m_service.LoadGroupRights(7);
    ASSERT_FALSE(rights);
    EXPECT_EQ(rights.Error().refusal, Failure::Refusal::NotFound);
}

TEST_F(AccountServiceTest, ChangeGroupStartsFromTheStoredRights)
{
    ASSERT_TRUE(m_service.ChangeGroup(7, "Readers", SaveMode::ReplaceOnly,
        [](int program, std::span<unsigned char> rights) { Grant(program, 5, rights, kProgramSetup); }));
    const auto group = m_service.LoadGroupRights(7);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->first, "Readers");
    EXPECT_EQ(group->second.Get(kProgramSetup, 3), 1);
    EXPECT_EQ(group->second.Get(kProgramSetup, 5), 1);
}

TEST_F(AccountServiceTest, DatabaseSlotKeepsTheOtherSlots)
{
    ASSERT_TRUE(m_service.SetDatabaseSlot(0, DatabaseSlot { "/data/one", "", false, "One" }));
    ASSERT_TRUE(m_service.SetDatabaseSlot(3, DatabaseSlot { "/data/four", "/mirror/four", true, "Four" }));
    const Result<DatabaseList> list = m_service.LoadDatabaseList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->GetPath(0), "/data/one");
    EXPECT_EQ(list->GetDescription(0), "One");
    EXPECT_EQ(list->GetMirrorPath(3), "/mirror/four");
    EXPECT_TRUE(list->IsMirrorOn(3));
}

TEST_F(AccountServiceTest, OfficeChangeKeepsTheOtherOffices)
{
    const NativePath folder(m_dir.path());
    ASSERT_TRUE(SetOffice(folder, 1, "10", "North"));
    ASSERT_TRUE(SetOffice(folder, 100, "99", "South"));
    const OfficeNameList offices(m_dir.path());
    EXPECT_EQ(offices.GetName(1), "North");
    EXPECT_EQ(offices.GetNumberText(100), "99");
}

TEST_F(AccountServiceTest, ManagedLoginPathsAreListedOnceAndRemovedByName)
{
    const NativePath list(File("custo.cfg"));
    const Result<ManagedLoginPath> added = AddManagedLoginPath(list, NativePath("/sites/North"));
    ASSERT_TRUE(added);
    EXPECT_TRUE(added->added);
    EXPECT_EQ(added->listedAs, "/sites/North");
    const Result<ManagedLoginPath> twice = AddManagedLoginPath(list, NativePath("/sites//North/"));
    ASSERT_TRUE(twice);
    EXPECT_FALSE(twice->added);
    EXPECT_EQ(twice->listedAs, "/sites/North");
    // Another folder where letter case counts.
    ASSERT_TRUE(AddManagedLoginPath(list, NativePath("/SITES/north")));
    EXPECT_EQ(LoginPathList(File("custo.cfg")).Paths(), (std::vector<std::string> { "/sites/North", "/SITES/north" }));
    ASSERT_TRUE(RemoveManagedLoginPath(list, NativePath("/SITES/north")));
    const Status unlisted = RemoveManagedLoginPath(list, NativePath("/sites/south"));
    ASSERT_FALSE(unlisted);
    EXPECT_EQ(unlisted.Error().refusal, Failure::Refusal::NotFound);
    ASSERT_TRUE(RemoveManagedLoginPath(list, NativePath("/sites/North")));
    EXPECT_TRUE(LoginPathList(File("custo.cfg")).Paths().empty());
    const Status missing = RemoveManagedLoginPath(NativePath(File("none.cfg")), NativePath("/sites/North"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.Error().refusal, Failure::Refusal::NotFound);
}

TEST(DescribeFailureTest, NamesFileOperationCauseAndSystemError)
{
    Failure damaged;
    damaged.operation = "the group could not be saved";
    damaged.fileName = NativePath("lp/view.prf");
    damaged.refusal = Failure::Refusal::Damaged;
    damaged.detail = "checksum wrong";
    EXPECT_EQ(DescribeFailure(damaged), "lp/view.prf: the group could not be saved: damaged (checksum wrong)");
    Failure denied;
    denied.operation = "the user could not be saved";
    denied.detail = "no permission";
    denied.systemError = EACCES;
    EXPECT_EQ(DescribeFailure(denied), "the user could not be saved: no permission (EACCES)");
}

} // namespace
} // namespace custodia
