#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailHead.h"
#include "store/AuditTrailSettings.h"
#include "store/PasswordScramble.h"
#include "store/ProgramIndex.h"
#include "support/KillAtWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using test::ReadText;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteText;

constexpr const char kPassword[] = "secret";
constexpr const char kNewPassword[] = "Hunter22";

TrailOptions Options(std::vector<Failure>* unlogged = nullptr)
{
    TrailOptions options;
    options.actor = { "plant-pc", "operator", "ann", "console" };
    options.clock = [] { return 1765417603LL; }; // 2025-12-11T01:46:43Z
    if (unlogged != nullptr)
        options.unlogged = [unlogged](const Failure& failure) { unlogged->push_back(failure); };
    return options;
}

std::vector<TrailEntry> TrailOf(const std::string& folder)
{
    const Result<TrailCheck> trail = ReadTrail(NativePath(folder));
    EXPECT_TRUE(trail);
    if (!trail)
        return {};
    EXPECT_TRUE(trail->IsSound()) << trail->problem;
    return trail->entries;
}

// The state folder of the remembered heads is the test's own, so no run touches the user's.
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
        if (m_old.empty())
            ::unsetenv("XDG_STATE_HOME");
        else
            ::setenv("XDG_STATE_HOME", m_old.c_str(), 1);
    }

private:
    std::string m_old;
};

// A login path with user "anna" in group 7 ("Readers", setup right 3) and database slot 2, made by
// the services, so that its trail starts with their lines.
class AccountServiceTrailTest : public ::testing::Test {
protected:
    AccountServiceTrailTest()
        : m_state(m_stateDir.path())
        , m_cwd(m_dir.path())
        , m_platform([](int) { std::this_thread::yield(); }, {})
        , m_service(NativePath(m_dir.path()), Options(&m_unlogged))
    {
        EXPECT_TRUE(m_service.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry& entry) {
            entry.user.password = kPassword;
            entry.user.groupNumber = 7;
        }));
        EXPECT_TRUE(
            m_service.ChangeGroup(7, "Readers", SaveMode::CreateOnly, [](int program, std::span<unsigned char> rights) {
                if (program == kProgramSetup)
                    rights[3] = 1;
            }));
        EXPECT_TRUE(m_service.SetDatabaseSlot(2, DatabaseSlot { "/data/plant", "", false, "Plant" }));
        m_linesBefore = TrailOf(m_dir.path()).size();
    }

    // The lines the case added.
    std::vector<TrailEntry> NewLines() const
    {
        std::vector<TrailEntry> lines = TrailOf(m_dir.path());
        lines.erase(lines.begin(), lines.begin() + static_cast<ptrdiff_t>(std::min(m_linesBefore, lines.size())));
        return lines;
    }

    TempDir m_stateDir;
    ScopedStateHome m_state;
    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    std::vector<Failure> m_unlogged;
    AccountService m_service;
    size_t m_linesBefore = 0;
};

struct ExpectedLine {
    std::string action;
    std::string object;
    std::vector<TrailChange> changes;
};

struct ChangeCase {
    const char* name;
    std::function<Status(AccountService& service, const std::string& folder)> change;
    std::vector<ExpectedLine> lines;
};

class EveryChange : public AccountServiceTrailTest, public ::testing::WithParamInterface<ChangeCase> { };

TEST_P(EveryChange, LeavesItsLinesWithTheActorAndNoPassword)
{
    const ChangeCase& c = GetParam();
    ASSERT_TRUE(c.change(m_service, m_dir.path()));
    const std::vector<TrailEntry> lines = NewLines();
    ASSERT_EQ(lines.size(), c.lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].action, c.lines[i].action) << i;
        // The folder's objects name the test's own folder.
        if (c.lines[i].object.empty())
            EXPECT_TRUE(lines[i].object.ends_with(m_dir.path())) << lines[i].object;
        else
            EXPECT_EQ(lines[i].object, c.lines[i].object) << i;
        EXPECT_EQ(lines[i].changes, c.lines[i].changes) << i;
        EXPECT_EQ(lines[i].actor.program, "console");
        EXPECT_EQ(lines[i].actor.consoleUser, "ann");
        EXPECT_EQ(lines[i].time, "2025-12-11T01:46:43Z");
    }
    const std::string text = ReadText(m_dir.file(audittrail::kFileName));
    for (const std::string& secret : { std::string(kPassword), std::string(kNewPassword), ScramblePassword(kPassword),
             ScramblePassword(kNewPassword) })
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    EXPECT_TRUE(m_unlogged.empty());
}

Status SetPassword(AccountService& service, const std::string&)
{
    return service.SaveUser(
        "anna", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.password = kNewPassword; });
}

const ChangeCase kChanges[] = {
    { "UserAdded",
        [](AccountService& service, const std::string&) {
            return service.SaveUser("bert", SaveMode::CreateOnly, [](UserEntry& entry) {
                entry.user.password = kNewPassword;
                entry.user.fullName = "Bert Brown";
            });
        },
        { { "user added", "user bert", { { "full name", "", "Bert Brown" } } }, { "password set", "user bert", {} } } },
    { "UserChanged",
        [](AccountService& service, const std::string&) {
            return service.SaveUser("anna", SaveMode::CreateOrReplace, [](UserEntry& entry) {
                entry.user.groupNumber = 9;
                entry.user.description = "Night shift";
            });
        },
        { { "user changed", "user anna", { { "description", "", "Night shift" }, { "group", "7", "9" } } } } },
    { "UserRenamed",
        [](AccountService& service, const std::string&) {
            return service.SaveUser(
                "anna", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.userName = "anne"; });
        },
        { { "user renamed", "user anna", { { "name", "anna", "anne" } } } } },
    { "PasswordSet", SetPassword, { { "password set", "user anna", {} } } },
    { "UserSavedUnchanged",
        [](AccountService& service, const std::string&) {
            return service.SaveUser("anna", SaveMode::ReplaceOnly, [](UserEntry&) {});
        },
        {} },
    { "UserDeleted",
        [](AccountService& service, const std::string&) {
            const std::vector<std::string> names { "anna", "nobody" };
            return Status(service.DeleteUsers(names) ? Status() : Status(Failure {}));
        },
        { { "user deleted", "user anna", {} } } },
    { "GroupCreated",
        [](AccountService& service, const std::string&) {
            return service.ChangeGroup(
                9, "Writers", SaveMode::CreateOrReplace, [](int program, std::span<unsigned char> rights) {
                    if (program == kProgramDownload)
                        rights[10] = 1;
                });
        },
        { { "group created", "group 009 Writers", { { "name", "", "Writers" } } },
            { "right granted", "group 009 Writers", { { "right", "", "download.prf right 10" } } } } },
    { "GroupRenamedAndRightRevoked",
        [](AccountService& service, const std::string&) {
            return service.ChangeGroup(
                7, "Viewers", SaveMode::ReplaceOnly, [](int program, std::span<unsigned char> rights) {
                    if (program == kProgramSetup)
                        rights[3] = 0;
                });
        },
        { { "group changed", "group 007 Viewers", { { "name", "Readers", "Viewers" } } },
            { "right revoked", "group 007 Viewers", { { "right", "setup.prf right 3", "" } } } } },
    { "GroupDeleted",
        [](AccountService& service, const std::string&) {
            const uint8_t groups[] = { 7 };
            return service.DeleteGroups(groups);
        },
        { { "group deleted", "group 007 Readers", {} } } },
    { "DatabaseSlotChanged",
        [](AccountService& service, const std::string&) {
            return service.SetDatabaseSlot(2, [](DatabaseSlot& slot) {
                slot.mirrorOn = true;
                slot.mirrorPath = "/mirror/plant";
            });
        },
        // Numbered as people see the slots, from 1.
        { { "database slot changed", "database slot 3",
            { { "mirror path", "", "/mirror/plant" }, { "mirror", "off", "on" } } } } },
    { "OfficeNamed",
        [](AccountService&, const std::string& folder) {
            return SetOffice(NativePath(folder), 4, "12", "Harbour", FileEnvironment::System(), Options());
        },
        { { "office named", "", { { "number", "", "12" }, { "name", "", "Harbour" } } } } },
    { "LoginPathAdded",
        [](AccountService&, const std::string& folder) -> Status {
            const Result<ManagedLoginPath> added = AddManagedLoginPath(
                NativePath(folder + "/custo.cfg"), NativePath(folder), FileEnvironment::System(), Options());
            return added ? Status() : Status(added.Error());
        },
        { { "login path added", "", {} } } },
};

INSTANTIATE_TEST_SUITE_P(AccountServiceTrail, EveryChange, ::testing::ValuesIn(kChanges),
    [](const ::testing::TestParamInfo<ChangeCase>& info) { return std::string(info.param.name); });

TEST_F(AccountServiceTrailTest, AChangeThatFailsLeavesNoLine)
{
    const std::vector<std::string> missing { "zora" };
    const uint8_t missingGroup[] = { 200 };
    const std::vector<std::function<bool()>> failing {
        [&] { return bool(m_service.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry&) {})); },
        [&] { return bool(m_service.SaveUser("zora", SaveMode::ReplaceOnly, [](UserEntry&) {})); },
        [&] {
            return bool(
                m_service.SaveUser("anna", SaveMode::ReplaceOnly, [](UserEntry& e) { e.user.fullName = "Ann\x01"; }));
        },
        [&] { return bool(m_service.DeleteUsers(missing)); },
        [&] { return bool(m_service.DeleteGroups(missingGroup)); },
        [&] {
            return bool(m_service.ChangeGroup(7, "Again", SaveMode::CreateOnly, [](int, std::span<unsigned char>) {}));
        },
        [&] { return bool(m_service.SetDatabaseSlot(11, DatabaseSlot {})); },
    };
    for (size_t i = 0; i < failing.size(); ++i)
        EXPECT_FALSE(failing[i]()) << i;
    EXPECT_TRUE(NewLines().empty());
}

struct UnwritableTrail {
    const char* name;
    std::function<void(const std::string& trail)> spoil;
};

class UnwritableTrailTest : public AccountServiceTrailTest, public ::testing::WithParamInterface<UnwritableTrail> { };

TEST_P(UnwritableTrailTest, RefusesTheChangeAndLeavesTheFilesAsTheyWere)
{
    const std::string trail = m_dir.file(audittrail::kFileName);
    const std::string passwords = ReadText(m_dir.file("tessel.pwd"));
    const std::string setup = ReadText(m_dir.file("setup.prf"));
    GetParam().spoil(trail);

    const Status saved = SetPassword(m_service, m_dir.path());
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.Error().fileName.Bytes(), trail);
    const uint8_t groups[] = { 7 };
    EXPECT_FALSE(m_service.DeleteGroups(groups));
    EXPECT_EQ(ReadText(m_dir.file("tessel.pwd")), passwords);
    EXPECT_EQ(ReadText(m_dir.file("setup.prf")), setup);
    EXPECT_TRUE(m_unlogged.empty());
}

TEST_P(UnwritableTrailTest, GoesAheadAndSaysSoWhenTheLoginPathAllowsIt)
{
    WriteText(m_dir.file(audittrail::kSettingsFileName), "# trail kept on the server\nunlogged-changes = allowed\n");
    GetParam().spoil(m_dir.file(audittrail::kFileName));

    ASSERT_TRUE(SetPassword(m_service, m_dir.path()));
    ASSERT_EQ(m_unlogged.size(), 1u);
    EXPECT_EQ(m_unlogged.front().fileName.Bytes(), m_dir.file(audittrail::kFileName));
    const Result<std::optional<UserEntry>> anna = m_service.FindUser("anna");
    ASSERT_TRUE(anna && *anna);
    EXPECT_EQ((*anna)->user.password, kNewPassword);
}

const UnwritableTrail kUnwritable[] = {
    { "Folder",
        [](const std::string& trail) {
            std::filesystem::remove(trail);
            std::filesystem::create_directory(trail);
        } },
    { "DanglingLink",
        [](const std::string& trail) {
            std::filesystem::remove(trail);
            std::filesystem::create_symlink(trail + "-gone", trail);
        } },
    // A last line cut short: nothing may be chained to it.
    { "CutShortLine",
        [](const std::string& trail) {
            const std::string text = ReadText(trail);
            WriteText(trail, text.substr(0, text.size() - 10));
        } },
};

INSTANTIATE_TEST_SUITE_P(AccountServiceTrail, UnwritableTrailTest, ::testing::ValuesIn(kUnwritable),
    [](const ::testing::TestParamInfo<UnwritableTrail>& info) { return std::string(info.param.name); });

TEST_F(AccountServiceTrailTest, SettingsAllowUnloggedChangesOnlyWhenTheyAskForIt)
{
    const std::pair<const char*, bool> cases[] = {
        { "unlogged-changes=allowed\n", true },
        { "  unlogged-changes =  allowed \r\n", true },
        { "unlogged-changes=no\n", false },
        { "#unlogged-changes=allowed\n", false },
        { "unlogged-changes=allowed\nunlogged-changes=refused\n", false },
        { "unlogged=allowed\n", false },
    };
    EXPECT_FALSE(AllowsChangesWithoutTrail(NativePath(m_dir.path())));
    for (const auto& [text, allowed] : cases) {
        WriteText(m_dir.file(audittrail::kSettingsFileName), text);
        EXPECT_EQ(AllowsChangesWithoutTrail(NativePath(m_dir.path())), allowed) << text;
    }
}

// A kill at any write of a change leaves its line only when the change is in the files, as the next
// program that opens them finds it.
struct KilledChange {
    const char* name;
    std::function<Status(AccountService& service)> change;
    std::function<bool(AccountService& service)> isInTheFiles;
    const char* action;
};

class KilledChangeTest : public AccountServiceTrailTest, public ::testing::WithParamInterface<KilledChange> { };

TEST_P(KilledChangeTest, NeverLeavesALineForAChangeThatIsNotInTheFiles)
{
    const KilledChange& c = GetParam();
    const std::string trail = m_dir.file(audittrail::kFileName);
    const std::string passwords = m_dir.file("tessel.pwd");
    const std::string keptTrail = ReadText(trail);
    const std::string keptPasswords = ReadText(passwords);
    std::vector<std::pair<std::string, std::string>> profiles;
    for (const ProfileFile& file : kProfileFiles)
        profiles.push_back({ m_dir.file(file.fileName), ReadText(m_dir.file(file.fileName)) });

    bool finished = false;
    for (int killAt = 1; !finished && killAt < 200; ++killAt) {
        finished = test::RunKilledAtWrite([&] { (void)c.change(m_service); }, killAt) >= 0;
        const std::vector<TrailEntry> lines = NewLines();
        const bool logged
            = std::any_of(lines.begin(), lines.end(), [&](const TrailEntry& line) { return line.action == c.action; });
        const bool done = c.isInTheFiles(m_service);
        EXPECT_TRUE(!logged || done) << "killed at write " << killAt;
        if (finished) {
            EXPECT_TRUE(logged && done);
        }
        WriteText(trail, keptTrail);
        WriteText(passwords, keptPasswords);
        for (const auto& [name, bytes] : profiles)
            WriteText(name, bytes);
    }
    EXPECT_TRUE(finished);
}

const KilledChange kKilled[] = {
    { "UserAdded",
        [](AccountService& service) {
            return service.SaveUser(
                "bert", SaveMode::CreateOnly, [](UserEntry& entry) { entry.user.password = kNewPassword; });
        },
        [](AccountService& service) {
            const auto bert = service.FindUser("bert");
            return bert && bert->has_value();
        },
        "user added" },
    { "GroupCreated",
        [](AccountService& service) {
            return service.ChangeGroup(9, "Writers", SaveMode::CreateOnly,
                [](int program, std::span<unsigned char> rights) { rights[0] = program == kProgramSetup; });
        },
        [](AccountService& service) {
            const auto groups = service.LoadGroups();
            return groups
                && std::any_of(groups->begin(), groups->end(), [](const GroupEntry& g) { return g.groupNumber == 9; });
        },
        "group created" },
};

INSTANTIATE_TEST_SUITE_P(AccountServiceTrail, KilledChangeTest, ::testing::ValuesIn(kKilled),
    [](const ::testing::TestParamInfo<KilledChange>& info) { return std::string(info.param.name); });

TEST_F(AccountServiceTrailTest, TwoProcessesChangingAtOnceKeepOneChain)
{
    constexpr int kUsersEach = 15;
    std::vector<pid_t> children;
    for (const char* prefix : { "left", "right" }) {
        const pid_t child = ::fork();
        if (child == 0) {
            int saved = 0;
            for (int i = 0; i < kUsersEach; ++i) {
                const std::string name = std::string(prefix) + std::to_string(i);
                saved += bool(m_service.SaveUser(
                    name, SaveMode::CreateOnly, [](UserEntry& entry) { entry.user.password = kNewPassword; }));
            }
            ::_exit(saved);
        }
        children.push_back(child);
    }
    int saved = 0;
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        saved += WEXITSTATUS(status);
    }
    EXPECT_GT(saved, 0);
    // Every saved user has its two lines, all in one sound chain.
    EXPECT_EQ(NewLines().size(), static_cast<size_t>(saved) * 2);
    const Result<std::vector<UserEntry>> users = m_service.LoadUsers();
    ASSERT_TRUE(users);
    EXPECT_EQ(users->size(), static_cast<size_t>(saved) + 1);
}

TEST_F(AccountServiceTrailTest, RemembersTheLastLineItWrote)
{
    const std::vector<TrailEntry> lines = TrailOf(m_dir.path());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(RememberedTrailHead(NativePath(m_dir.path())), lines.back().hash);
    // Another spelling of the same folder is the same trail.
    EXPECT_EQ(RememberedTrailHead(NativePath(m_dir.path() + "/.")), lines.back().hash);
}

} // namespace
} // namespace custodia
