#include "CliBench.h"

#include "BenchData.h"
#include "platform/Platform.h"
#include "store/AuditTrail.h"
#include "store/PasswordFile.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace custodia::bench {

namespace {

constexpr int kManyUsers = 10000;
constexpr int kTrailLines = 100000;

// A login path whose trail holds that many chained lines of changed users, written in one go with the
// trail's own line format.
std::string MakeTrail(const BenchData& data, int lines)
{
    const std::string path = data.Folder() + "/trail" + std::to_string(lines);
    std::filesystem::create_directories(path);
    std::string text;
    std::string previous = audittrail::kChainStart;
    for (int i = 0; i < lines; ++i) {
        TrailEntry entry;
        StampTrailEntry(entry, 1765417603LL + i);
        entry.actor = { "plant-pc", "operator", i % 2 == 0 ? "ann" : "", "console" };
        entry.action = "user changed";
        entry.object = "user " + BenchData::UserName(i % kManyUsers);
        entry.changes = { { "description", "Lab, east", "Office " + std::to_string(i) }, { "group", "1", "2" } };
        text += FormatTrailLine(entry, previous);
        previous = entry.hash;
    }
    std::ofstream(JoinPath(path, audittrail::kFileName), std::ios::binary) << text;
    return path;
}

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

    // What custodiactl remembers of the trail goes to the benchmark's own folder.
    ::setenv("XDG_STATE_HOME", data.Folder().c_str(), 1);
    const std::string trail = MakeTrail(data, kTrailLines);
    const std::string lines = std::to_string(kTrailLines);
    const std::string trailBaseline = "Cat/trail/" + lines;
    RegisterRun(trailBaseline, {}, { "/bin/cat", JoinPath(trail, audittrail::kFileName) });
    for (const char* command : { "list", "verify" })
        RegisterRun(std::string("CtlAudit") + (command[0] == 'l' ? "List/" : "Verify/") + lines, trailBaseline,
            { JoinPath(CUSTODIA_OUTPUT_DIR, "custodiactl"), "audit", command, trail });
}

} // namespace custodia::bench
