#include "CliBench.h"

#include "BenchData.h"
#include "platform/Platform.h"
#include "store/PasswordFile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace custodia::bench {

namespace {

constexpr int kManyUsers = 10000;

// Runs a program to its end with its output thrown away, as a script that reads it would see it run.
void RunToEnd(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot run " + arguments[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(arguments[0] + " failed");
}

void RegisterRun(const std::string& name, const std::string& baseline, std::vector<std::string> arguments)
{
    auto* registered = benchmark::RegisterBenchmark(name.c_str(), [arguments, baseline](benchmark::State& state) {
        for (auto _ : state)
            RunToEnd(arguments);
        if (!baseline.empty())
            state.SetLabel("vs " + baseline);
    });
    // Timed by the clock: the program's work is no time of this process.
    registered->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

void RegisterCliBenchmarks(const BenchData& data)
{
    const std::string path = data.UsersPath(kManyUsers);
    const std::string size = std::to_string(kManyUsers);
    const std::string baseline = "Cat/tessel.pwd/" + size;
    RegisterRun(baseline, {}, { "/bin/cat", PasswordFilePath(path) });
    RegisterRun(
        "CtlUsersList/" + size, baseline, { JoinPath(CUSTODIA_OUTPUT_DIR, "custodiactl"), "users", "list", path });
}

} // namespace custodia::bench
