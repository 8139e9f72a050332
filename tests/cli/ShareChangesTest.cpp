#include "cli/CliTest.h"
#include "cli/CommandLine.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordJournal.h"
#include "store/Session.h"
#include "support/KillAtWrite.h"
#include "support/ShareViews.h"

#include <fcntl.h>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace custodia::test {
namespace {

constexpr int kRounds = 30;
constexpr const char kTrailFileName[] = "custodia-audit.trail";
constexpr int kRefusedDamaged = 3; // a child's exit status when it called a file damaged

// One kind of change, made by custodiactl through one view of the share and looked at through another.
struct ShareCase {
    const char* name;
    const char* fileName; // the file the change holds
    std::vector<std::string> prepare; // "LP" stands for the login path; run in the login path
    std::function<std::vector<std::string>(const std::string& loginPath, int process, int round)> command;
    std::function<bool(const std::string& loginPath, int process, int round)> kept;
    std::vector<std::string> reader = { "verify", "LP" }; // reads the file whole, as the next program does
    // Plays back a journal left beside the file (verify only reports it), as any command that lists or
    // changes the file does.
    std::vector<std::string> recoverer = { "repair", "LP" };
};

void PrintTo(const ShareCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string Numbered(const char* prefix, int process, int round)
{
    return prefix + std::to_string(process) + "." + std::to_string(round);
}

// Login paths are kept in "custo.cfg" of the program's folder, here the share itself: each process runs
// in its own view of it.
std::vector<ShareCase> ShareCases()
{
    return {
        { "groups save of different rights of one group", "setup.prf",
            { "groups", "save", "LP", "7", "Shared", "--grant", "1:0", "--grant", "1:1" },
            [](const std::string& lp, int process, int round) {
                return std::vector<std::string> { "groups", "save", lp, "7", "Shared",
                    round % 2 == 0 ? "--revoke" : "--grant", "1:" + std::to_string(process) };
            },
            [](const std::string& lp, int process, int round) {
                Session session;
                return session.LoadGroupRights(ProfileStore(NativePath(lp)), 7)
                    && session.HasRight(kProgramSetup, process) == round % 2;
            } },
        { "databases set of different slots", "tessel.dbs", { "databases", "set", "LP", "1", "--path", "/data/one" },
            [](const std::string& lp, int process, int round) {
                return std::vector<std::string> { "databases", "set", lp, std::to_string(process + 1), "--description",
                    Numbered("d", process, round) };
            },
            [](const std::string& lp, int process, int round) {
                DatabaseList list;
                static_cast<void>(DatabaseListStore(NativePath(lp)).Load(list));
                return list.GetDescription(process) == Numbered("d", process, round);
            } },
        { "offices set of different offices", "officena.mes", { "offices", "set", "LP", "1", "01", "North" },
            [](const std::string& lp, int process, int round) {
                return std::vector<std::string> { "offices", "set", lp, std::to_string(process + 1), "01",
                    Numbered("o", process, round) };
            },
            [](const std::string& lp, int process, int round) {
                return OfficeNameList(lp).GetName(process + 1) == Numbered("o", process, round);
            } },
        { "paths add of different login paths", loginpaths::kFileName, { "paths", "add", "/srv/first" },
            [](const std::string&, int process, int round) {
                return std::vector<std::string> { "paths", "add", "/srv/" + Numbered("p", process, round) };
            },
            [](const std::string& lp, int process, int round) {
                LoginPathList list(lp + "/" + loginpaths::kFileName);
                list.LoadLoginPaths();
                return list.Contains("/srv/" + Numbered("p", process, round));
            },
            { "paths", "list" } },
    };
}

// Runs the command as custodiactl does, in a process of its own whose current folder is the view, so
// that its view's cache is the only one it has. It waits at the gate until the other is ready too;
// when it has to wait for a held file it says so once on the pipe given. The waits are shortened. A
// descriptor the test holds a file with is closed in the child, whose copy would hold the lock too.
pid_t StartCommand(const std::string& view, const std::vector<std::string>& arguments, const int gate[2],
    int waiting = -1, int heldByTheTest = -1)
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    if (heldByTheTest >= 0)
        ::close(heldByTheTest);
    SetSleepFunction([waiting](int) mutable {
        if (waiting >= 0) {
            [[maybe_unused]] const ssize_t said = ::write(waiting, "w", 1);
            ::close(waiting);
            waiting = -1;
        }
        ::usleep(20 * 1000);
    });
    ::alarm(120); // a hang fails the test instead of stopping the suite
    if (::chdir(view.c_str()) != 0)
        ::_exit(2);
    if (gate != nullptr) {
        ::close(gate[1]);
        char go;
        [[maybe_unused]] const ssize_t opened = ::read(gate[0], &go, 1);
    }
    std::istringstream in("pw\n");
    std::ostringstream out, err;
    cli::CommandContext context { in, out, err, false };
    const int status = cli::RunCommandLine(arguments, context);
    if (err.str().find("damaged") != std::string::npos) {
        std::cerr << err.str();
        ::_exit(kRefusedDamaged);
    }
    ::_exit(status);
}

int WaitFor(pid_t child)
{
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

std::vector<std::string> InLoginPath(std::vector<std::string> arguments, const std::string& loginPath)
{
    for (std::string& argument : arguments)
        if (argument == "LP")
            argument = loginPath;
    return arguments;
}

class ShareChangesTest : public CliTest, public ::testing::WithParamInterface<std::tuple<ShareCase, bool>> {
protected:
    const ShareCase& Case() const { return std::get<0>(GetParam()); }
    ShareViews::Options ViewOptions() const { return { .directIo = std::get<1>(GetParam()) }; }
    const char* CacheName() const { return std::get<1>(GetParam()) ? "direct_io" : "cached"; }

    void Prepare(const ShareViews& views) const
    {
        ASSERT_EQ(RunThrough(views.A(), { "init", "LP" }), 0);
        ASSERT_EQ(RunThrough(views.A(), Case().prepare), 0);
    }

    int RunThrough(const std::string& view, const std::vector<std::string>& arguments) const
    {
        return WaitFor(StartCommand(view, InLoginPath(arguments, view), nullptr));
    }
};

// Two machines change one file at once, each its own part, each through its own client cache: after
// every round both changes are seen through either view, and no sound file was called damaged.
TEST_P(ShareChangesTest, ChangesThroughTwoViewsAtOnceLoseNothing)
{
    ShareViews views(ViewOptions());
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    Prepare(views);

    const std::string* through[2] = { &views.A(), &views.B() };
    int made = 0, lost = 0, refused = 0, calledDamaged = 0;
    for (int round = 0; round < kRounds; ++round) {
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        pid_t children[2];
        for (int process = 0; process < 2; ++process)
            children[process]
                = StartCommand(*through[process], Case().command(*through[process], process, round), gate);
        ::close(gate[0]);
        ::close(gate[1]);
        for (int process = 0; process < 2; ++process) {
            const int status = WaitFor(children[process]);
            if (status == kRefusedDamaged)
                ++calledDamaged;
            else if (status != 0)
                ++refused;
            else {
                ++made;
                // Seen through the other machine's view.
                if (!Case().kept(*through[1 - process], process, round))
                    ++lost;
            }
        }
    }
    std::cout << "[ figures ] " << Case().name << " (" << CacheName() << "): " << made
              << " changes made through A and B, " << lost << " lost, " << calledDamaged
              << " sound files called damaged, " << refused << " refused\n";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(calledDamaged, 0);
    EXPECT_LT(refused, kRounds) << "most changes must have been made for the count of lost ones to mean much";
    EXPECT_EQ(RunThrough(views.B(), Case().reader), 0);
}

// A program on the first machine holds the file; a change through the second waits for it and is made
// once the file is let go.
TEST_P(ShareChangesTest, ChangeThroughBWaitsWhileAHoldsTheFile)
{
    ShareViews views(ViewOptions());
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    Prepare(views);

    const std::string held = views.A() + "/" + Case().fileName;
    const int fd = ::open(held.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0) << held;
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    int waiting[2];
    ASSERT_EQ(::pipe(waiting), 0);
    const pid_t child = StartCommand(views.B(), Case().command(views.B(), 1, 0), nullptr, waiting[1], fd);
    ::close(waiting[1]);
    char said = 0;
    EXPECT_EQ(::read(waiting[0], &said, 1), 1) << "the change through B did not wait for the held file";
    ::close(waiting[0]);
    ::close(fd); // lets the file go
    EXPECT_EQ(WaitFor(child), 0);
    EXPECT_TRUE(Case().kept(views.A(), 1, 0));
}

// A change killed at each of its writes in turn through A leaves to the next reader through B the file
// as it was or as changed, never a half of each, its journal played back and gone, the file sound.
TEST_P(ShareChangesTest, ChangeKilledThroughAIsRolledBackByTheNextReaderThroughB)
{
    ShareViews views(ViewOptions());
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    Prepare(views);
    const std::string server = views.Server() + "/" + Case().fileName;
    const Bytes before = ReadBytes(server);
    // Every file as it was but the audit trail, whose remembered end would take a shortened one as cut.
    std::map<std::string, Bytes> files = Snapshot(views.Server());
    files.erase(views.Server() + "/" + kTrailFileName);
    const std::vector<std::string> change = Case().command(views.A(), 0, 0);
    const auto changeThroughA = [&] {
        if (::chdir(views.A().c_str()) != 0)
            return;
        std::istringstream in("pw\n");
        std::ostringstream out, err;
        cli::CommandContext context { in, out, err, false };
        cli::RunCommandLine(change, context);
    };
    const int writes = RunKilledAtWrite(changeThroughA, 0);
    ASSERT_GT(writes, 1);
    ASSERT_TRUE(Case().kept(views.B(), 0, 0));

    int asBefore = 0, asChanged = 0, otherwise = 0, calledDamaged = 0;
    for (int killAt = 1; killAt <= writes; ++killAt) {
        for (const auto& [name, bytes] : files)
            WriteBytes(name, bytes);
        RunKilledAtWrite(changeThroughA, killAt);
        // The next program through B plays back any journal it finds; the reader then reads every file.
        RunThrough(views.B(), Case().recoverer);
        const int verified = RunThrough(views.B(), Case().reader);
        calledDamaged += verified == 0 ? 0 : 1;
        EXPECT_FALSE(JournalExists(server)) << "kill at write " << killAt;
        const Bytes seen = ReadBytes(server);
        if (seen == before)
            ++asBefore;
        else if (Case().kept(views.B(), 0, 0))
            ++asChanged;
        else
            ++otherwise;
    }
    std::cout << "[ figures ] " << Case().name << " (" << CacheName() << ") killed through A: " << writes << " kills, "
              << asBefore << " as before, " << asChanged << " changed, " << otherwise << " otherwise, " << calledDamaged
              << " failed verifies through B\n";
    EXPECT_EQ(otherwise, 0);
    EXPECT_EQ(calledDamaged, 0);
    EXPECT_GT(asBefore, 0);
}

INSTANTIATE_TEST_SUITE_P(Share, ShareChangesTest,
    ::testing::Combine(::testing::ValuesIn(ShareCases()), ::testing::Bool()), [](const auto& info) {
        return "Case" + std::to_string(info.index / 2) + (std::get<1>(info.param) ? "DirectIo" : "Cached");
    });

} // namespace
} // namespace custodia::test
