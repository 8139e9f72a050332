#include "cli/CliTest.h"
#include "cli/CommandLine.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/OfficeNameList.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/Session.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace custodia::test {
namespace {

constexpr int kRounds = 100;

// Runs a command as custodiactl runs it, in a process of its own, with the waits between the tries of
// a held file shortened (custodiactl itself always waits the full half second). The process waits at
// the gate until both of a round are ready, so that their commands meet.
pid_t StartCommand(const std::vector<std::string>& arguments, const std::string& input, const int gate[2])
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    SetSleepFunction([](int) { ::usleep(20 * 1000); });
    ::alarm(60); // a hang fails the round instead of stopping the suite
    ::close(gate[1]); // the gate opens when the test closes the last writing end
    char go;
    [[maybe_unused]] const ssize_t opened = ::read(gate[0], &go, 1);
    std::istringstream in(input);
    std::ostringstream out, err;
    cli::CommandContext context { in, out, err, false };
    ::_exit(cli::RunCommandLine(arguments, context));
}

// Two processes change one file in each round, each its own part of it. A command that read the file
// before the other wrote it, and wrote its own part into that stale content, would undo the other's
// change: after every round both changes must be there.
struct ConcurrentCase {
    const char* name;
    std::vector<std::string> prepare; // "LP" stands for the login path
    std::function<std::vector<std::string>(const std::string& loginPath, int process, int round)> command;
    std::function<bool(const std::string& loginPath, int process, int round)> kept;
};

void PrintTo(const ConcurrentCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string Numbered(const char* prefix, int process, int round)
{
    return prefix + std::to_string(process) + "." + std::to_string(round);
}

std::vector<ConcurrentCase> ConcurrentCases()
{
    return {
        { "databases set of different slots", { "databases", "set", "LP", "1", "--path", "/data/one" },
            [](const std::string& lp, int process, int round) {
                return std::vector<std::string> { "databases", "set", lp, std::to_string(process + 1), "--description",
                    Numbered("d", process, round) };
            },
            [](const std::string& lp, int process, int round) {
                DatabaseList list;
                static_cast<void>(DatabaseListStore(NativePath(lp)).Load(list));
                return list.GetDescription(process) == Numbered("d", process, round);
            } },
        { "offices set of different offices", { "offices", "set", "LP", "1", "01", "North" },
            [](const std::string& lp, int process, int round) {
                return std::vector<std::string> { "offices", "set", lp, std::to_string(process + 1), "01",
                    Numbered("o", process, round) };
            },
            [](const std::string& lp, int process, int round) {
                return OfficeNameList(lp).GetName(process + 1) == Numbered("o", process, round);
            } },
        // Each round revokes or grants again one right of one group in each process.
        { "groups save of different rights of one group",
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
        { "users add replacing one user's group and description", { "users", "add", "LP", "anna" },
            [](const std::string& lp, int process, int round) {
                return process == 0
                    ? std::vector<std::string> { "users", "add", lp, "anna", "--group", std::to_string(round) }
                    : std::vector<std::string> { "users", "add", lp, "anna", "--description",
                          Numbered("u", process, round) };
            },
            [](const std::string& lp, int process, int round) {
                const FoundUser found = PasswordFileStore(NativePath(lp)).FindUser("anna");
                return found.WasFound()
                    && (process == 0 ? found.entry.user.groupNumber == round
                                     : found.entry.user.description == Numbered("u", process, round));
            } },
    };
}

class ConcurrentCommandsTest : public CliTest, public ::testing::WithParamInterface<ConcurrentCase> { };

TEST_P(ConcurrentCommandsTest, TwoCommandsAtOnceLoseNothing)
{
    const ConcurrentCase& c = GetParam();
    std::vector<std::string> prepare = c.prepare;
    std::replace(prepare.begin(), prepare.end(), std::string("LP"), LoginPath());
    RunOk(prepare, "pw\n");

    int lost = 0, refused = 0;
    for (int round = 0; round < kRounds; ++round) {
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        pid_t children[2];
        for (int process = 0; process < 2; ++process)
            children[process] = StartCommand(c.command(LoginPath(), process, round), "pw\n", gate);
        ::close(gate[0]);
        ::close(gate[1]); // opens the gate: both read the end of the pipe
        for (int process = 0; process < 2; ++process) {
            int status = 0;
            ASSERT_EQ(::waitpid(children[process], &status, 0), children[process]);
            // A command may give up on a file the other holds through all its tries (as under a sanitizer's
            // slow timing); it says so and fails. Only a change reported as made can be lost.
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                ++refused;
            else if (!c.kept(LoginPath(), process, round))
                ++lost;
        }
    }
    std::cout << "[ figures ] " << c.name << ": 2 processes x " << kRounds << " rounds, " << lost << " updates lost, "
              << refused << " refused\n";
    EXPECT_EQ(lost, 0);
    EXPECT_LT(refused, kRounds) << "most changes must have been made for the count of lost ones to mean much";
}

INSTANTIATE_TEST_SUITE_P(Commands, ConcurrentCommandsTest, ::testing::ValuesIn(ConcurrentCases()),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

} // namespace
} // namespace custodia::test
