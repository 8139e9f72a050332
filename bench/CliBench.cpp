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
#include <sstream>
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

// Runs a program to its end with its output thrown away (or written to a file, made anew), as a script
// that reads it would see it run.
void RunToEnd(const std::vector<std::string>& arguments, const std::string& output = "/dev/null")
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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

void RegisterRun(const std::string& name, const std::string& baseline, std::vector<std::string> arguments,
    const std::string& output = "/dev/null")
{
    auto* registered
        = benchmark::RegisterBenchmark(name.c_str(), [arguments, baseline, output](benchmark::State& state) {
              for (auto _ : state)
                  RunToEnd(arguments, output);
              if (!baseline.empty())
                  state.SetLabel("vs " + baseline);
          });
    // Timed by the clock: the program's work is no time of this process.
    registered->Unit(benchmark::kMillisecond)->UseRealTime();
}

std::string Custodiactl()
{
    return JoinPath(CUSTODIA_OUTPUT_DIR, "custodiactl");
}

// The list that users export writes of the login path, with a password for every user: what an import
// of new users reads.
std::string WriteImportList(const std::string& loginPath, const std::string& folder)
{
    const std::string exported = JoinPath(folder, "exported.csv");
    RunToEnd({ Custodiactl(), "users", "export", loginPath }, exported);
    std::istringstream lines(ReadWholeFile(exported));
    std::string list;
    for (std::string line; std::getline(lines, line);) {
        line.pop_back(); // the "\r" of the CSV line end
        list += line + (list.empty() ? ",password\r\n" : ",secret\r\n");
    }
    const std::string listFile = JoinPath(folder, "import.csv");
    std::ofstream(listFile, std::ios::binary) << list;
    return listFile;
}

// A login path with the groups and the database list of the groups path and no "tessel.pwd" yet.
std::string MakeEmptyLoginPath(const BenchData& data)
{
    const std::string path = JoinPath(data.Folder(), "import");
    std::filesystem::create_directories(path);
    for (const auto& file : std::filesystem::directory_iterator(data.GroupsPath()))
        std::filesystem::copy_file(file.path(), JoinPath(path, file.path().filename().string()),
            std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(PasswordFilePath(path));
    return path;
}

// The import into a login path emptied of users before each run, which is not timed.
void RegisterImport(
    const std::string& name, const std::string& baseline, const std::string& loginPath, const std::string& listFile)
{
    auto* registered = benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& state) {
        for (auto _ : state) {
            state.PauseTiming();
            std::filesystem::remove(PasswordFilePath(loginPath));
            state.ResumeTiming();
            RunToEnd({ Custodiactl(), "users", "import", loginPath, listFile });
        }
        state.SetLabel("vs " + baseline);
    });
    registered->Unit(benchmark::kMillisecond)->UseRealTime();
}

} // namespace

void RegisterCliBenchmarks(const BenchData& data)
{
    const std::string path = data.UsersPath(kManyUsers);
    const std::string size = std::to_string(kManyUsers);
    const std::string baseline = "Cat/tessel.pwd/" + size;
    RegisterRun(baseline, {}, { "/bin/cat", PasswordFilePath(path) });
    RegisterRun("CtlUsersList/" + size, baseline, { Custodiactl(), "users", "list", path });
    // The goals are set against cat writing a new file, as a script that keeps the output would.
    const std::string copied = "CatInto/tessel.pwd/" + size;
    RegisterRun(copied, {}, { "/bin/cat", PasswordFilePath(path) }, JoinPath(data.Folder(), "copy.pwd"));
    RegisterRun("CtlUsersExport/" + size, baseline + ", " + copied, { Custodiactl(), "users", "export", path });
    RegisterRun("CtlUsersExportInto/" + size, copied, { Custodiactl(), "users", "export", path },
        JoinPath(data.Folder(), "export.csv"));
    // An import writes the file that cat copies here.
    RegisterImport("CtlUsersImport/" + size, copied, MakeEmptyLoginPath(data), WriteImportList(path, data.Folder()));

    // What custodiactl remembers of the trail goes to the benchmark's own folder.
    ::setenv("XDG_STATE_HOME", data.Folder().c_str(), 1);
    const std::string trail = MakeTrail(data, kTrailLines);
    const std::string lines = std::to_string(kTrailLines);
    const std::string trailBaseline = "Cat/trail/" + lines;
    RegisterRun(trailBaseline, {}, { "/bin/cat", JoinPath(trail, audittrail::kFileName) });
    const std::string trailCopied = "CatInto/trail/" + lines;
    RegisterRun(
        trailCopied, {}, { "/bin/cat", JoinPath(trail, audittrail::kFileName) }, JoinPath(data.Folder(), "copy.trail"));
    for (const char* command : { "list", "verify" })
        RegisterRun(std::string("CtlAudit") + (command[0] == 'l' ? "List/" : "Verify/") + lines,
            trailBaseline + ", " + trailCopied, { Custodiactl(), "audit", command, trail });
    RegisterRun("CtlAuditListInto/" + lines, trailCopied, { Custodiactl(), "audit", "list", trail },
        JoinPath(data.Folder(), "listed.tsv"));
}

} // namespace custodia::bench
