#include "cli/CliTest.h"
#include "cli/CommandLine.h"
#include "platform/Platform.h"
#include "support/ShareViews.h"

#include <iostream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace custodia::test {
namespace {

constexpr int kUsersEach = 150;

// Adds users one command at a time, as custodiactl does, through one view of the share, in a process
// of its own so that its view's cache is the only one it has. The waits between tries are shortened.
pid_t StartAdding(const std::string& loginPath, const std::string& prefix, const int gate[2])
{
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    SetSleepFunction([](int) { ::usleep(20 * 1000); });
    ::alarm(240); // a hang fails the test instead of stopping the suite
    ::close(gate[1]);
    char go;
    [[maybe_unused]] const ssize_t opened = ::read(gate[0], &go, 1);
    int failed = 0;
    for (int i = 0; i < kUsersEach; ++i) {
        std::istringstream in("pw\n");
        std::ostringstream out, err;
        cli::CommandContext context { in, out, err, false };
        if (cli::RunCommandLine({ "users", "add", loginPath, prefix + std::to_string(i) }, context) != 0) {
            std::cerr << err.str(); // a refused add is not a lost one: the test says which it was
            ++failed;
        }
    }
    ::_exit(failed == 0 ? 0 : 1);
}

class ShareWritersTest : public CliTest { };

// Two machines adding users to one password file at once, each through its own client cache: every
// add reads the file as the other left it, so none is lost and the file stays whole, seen from either.
TEST_F(ShareWritersTest, TwoViewsAddingUsersAtOnceLoseNone)
{
    ShareViews views;
    CUSTODIA_REQUIRE_SHARE_VIEWS(views);
    RunOk({ "init", views.A() });

    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    const pid_t a = StartAdding(views.A(), "a", gate);
    const pid_t b = StartAdding(views.B(), "b", gate);
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t child : { a, b }) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    for (const std::string& view : { views.A(), views.B() }) {
        const Lines users = SplitLines(RunOk({ "users", "list", view }).out);
        EXPECT_EQ(users.size(), static_cast<size_t>(2 * kUsersEach)) << view;
        const CliResult verified = Run({ "verify", view });
        EXPECT_EQ(verified.status, 0) << view << ": " << verified.out << verified.err;
    }
}

} // namespace
} // namespace custodia::test
