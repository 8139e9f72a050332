#include "BenchData.h"
#include "CliBench.h"

#include "platform/File.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/GroupRecord.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/Session.h"
#include "words/WordTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace custodia::bench {

namespace {

using Benchmark = std::function<void(benchmark::State&)>;

// The last user of a login path: every scan has to pass all the others.
constexpr uint8_t kLastGroup = 255;

std::string SizeName(int count)
{
    return std::to_string(count);
}

// Stores the entry in place of the user of its name, in one hold of the file.
Status SaveUser(const std::string& path, const UserEntry& entry)
{
    return PasswordFileStore(NativePath(path))
        .SaveUser(entry.user.userName, SaveMode::CreateOrReplace, [&](UserEntry& stored) { stored = entry; });
}

// Registers an operation; its label names the baseline it is compared with.
void Register(const std::string& name, const std::string& baseline, Benchmark body)
{
    benchmark::RegisterBenchmark(name.c_str(), [baseline, body](benchmark::State& state) {
        body(state);
        state.SetLabel("vs " + baseline);
    })->Unit(benchmark::kMicrosecond);
}

void RegisterBaseline(const std::string& name, std::vector<std::string> paths)
{
    benchmark::RegisterBenchmark(name.c_str(), [paths](benchmark::State& state) {
        for (auto _ : state)
            for (const std::string& path : paths)
                benchmark::DoNotOptimize(ReadWholeFile(path));
    })->Unit(benchmark::kMicrosecond);
}

// The least a durable change of the files costs, whatever the program: each file read once, one record's
// bytes written back in place and flushed to the disk. A flush waits for the disk (milliseconds on
// most), so a change that must survive a crash can never come near a plain read; this is the baseline
// that tells what a change costs beyond its unavoidable flushes.
void RegisterFlushedBaseline(const std::string& name, std::vector<std::string> paths, size_t recordBytes)
{
    benchmark::RegisterBenchmark(name.c_str(), [paths, recordBytes](benchmark::State& state) {
        for (auto _ : state) {
            for (const std::string& path : paths) {
                File file;
                if (file.OpenOnce(path, openflags::kReadWrite | openflags::kShareDenyNone) != 0)
                    throw std::runtime_error("cannot open " + path);
                std::vector<unsigned char> bytes;
                file.ReadWhole(bytes, bytes.max_size());
                const size_t length = std::min(recordBytes, bytes.size());
                file.WriteAt(bytes.size() - length, bytes.data() + bytes.size() - length, length);
                file.Flush();
            }
        }
    })->Unit(benchmark::kMicrosecond);
}

std::vector<std::string> ProfilePaths(const std::string& loginPath)
{
    std::vector<std::string> paths;
    for (const ProfileFile& profile : kProfileFiles)
        paths.push_back(JoinPath(loginPath, profile.fileName));
    return paths;
}

// Copies the file back after a timed change, so that every iteration starts from the same bytes.
class Restorer final {
public:
    explicit Restorer(std::string path)
        : m_path(std::move(path))
        , m_copy(m_path + ".pristine")
    {
        std::filesystem::copy_file(m_path, m_copy, std::filesystem::copy_options::overwrite_existing);
    }
    ~Restorer() { std::filesystem::remove(m_copy); }
    void Restore() const
    {
        std::filesystem::copy_file(m_copy, m_path, std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::string m_path;
    std::string m_copy;
};

void RegisterUserBenchmarks(const BenchData& data, int count)
{
    const std::string path = data.UsersPath(count);
    const std::string file = PasswordFilePath(path);
    const std::string size = SizeName(count);
    const std::string baseline = "ReadOnce/tessel.pwd/" + size;
    RegisterBaseline(baseline, { file });

    Register("LoadUsers/" + size, baseline, [path](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(PasswordFileStore(NativePath(path)).LoadUsers());
    });
    const std::string last = BenchData::UserName(count - 1);
    Register("FindUser/" + size, baseline, [path, last](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(PasswordFileStore(NativePath(path)).FindUser(last));
    });
    Register("SaveUser/new/" + size, baseline, [path, file](benchmark::State& state) {
        const Restorer restorer(file);
        UserEntry entry;
        entry.user.userName = "newcomer";
        entry.user.password = "secret";
        for (auto _ : state) {
            benchmark::DoNotOptimize(SaveUser(path, entry));
            state.PauseTiming();
            restorer.Restore();
            state.ResumeTiming();
        }
    });
    Register("SaveUser/replacing/" + size, baseline, [path, last](benchmark::State& state) {
        UserEntry entry = PasswordFileStore(NativePath(path)).FindUser(last).entry;
        for (auto _ : state) {
            entry.user.description = entry.user.description == "a" ? "b" : "a";
            benchmark::DoNotOptimize(SaveUser(path, entry));
        }
    });
    Register("DeleteUser/" + size, baseline, [path, file, last](benchmark::State& state) {
        const Restorer restorer(file);
        const UserEntry entry = PasswordFileStore(NativePath(path)).FindUser(last).entry;
        for (auto _ : state) {
            benchmark::DoNotOptimize(PasswordFileStore(NativePath(path))
                                         .DeleteUser(entry.user.userName, entry.user.fullName, entry.user.description));
            state.PauseTiming();
            restorer.Restore();
            state.ResumeTiming();
        }
    });
}

void RegisterGroupBenchmarks(const BenchData& data)
{
    const std::string path = data.GroupsPath();
    const std::string setup = JoinPath(path, kProfileFiles[kProgramSetup].fileName);
    RegisterBaseline("ReadOnce/setup.prf", { setup });
    RegisterBaseline("ReadOnce/profiles", ProfilePaths(path));
    RegisterFlushedBaseline("FlushedRewrite/profiles", ProfilePaths(path), grouprecord::kSize + recordfile::kHeadSize);
    RegisterBaseline("ReadOnce/tessel.dbs", { JoinPath(path, databaselist::kFileName) });

    Register("LoadGroupList/256", "ReadOnce/setup.prf", [path](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(ProfileStore(NativePath(path)).LoadGroupList());
    });
    Register("LoadGroupRights/255", "ReadOnce/profiles", [path](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(Session().LoadGroupRights(ProfileStore(NativePath(path)), kLastGroup));
    });
    // A group save is journalled and flushed, so it is also set beside the least any durable change of the
    // twelve files costs.
    Register("SaveGroup/255", "ReadOnce/profiles, FlushedRewrite/profiles", [path](benchmark::State& state) {
        const ProfileStore profiles { NativePath(path) };
        Session session;
        session.LoadGroupRights(profiles, kLastGroup);
        const std::string name = *session.GetGroupName();
        const RightsTable& table = session.GetRightsTable();
        for (auto _ : state)
            benchmark::DoNotOptimize(profiles.ChangeGroup(
                kLastGroup, name, SaveMode::CreateOrReplace, [&](int program, std::span<unsigned char> rights) {
                    const RightsTable::Row& row = *table.GetRow(program);
                    std::copy(row.begin(), row.end(), rights.begin());
                }));
    });
    Register("LoadDatabaseList", "ReadOnce/tessel.dbs", [path](benchmark::State& state) {
        for (auto _ : state)
            benchmark::DoNotOptimize(Session().LoadDatabaseList(DatabaseListStore(NativePath(path))));
    });
}

void RegisterWordBenchmarks()
{
    const std::string folder = CUSTODIA_OUTPUT_DIR;
    std::vector<std::string> files;
    for (const WordFamily& family : ConsoleWordFamilies())
        files.push_back(JoinPath(folder, family.stem + ".eng"));
    RegisterBaseline("ReadOnce/word files", files);
    Register("LoadWordFiles", "ReadOnce/word files", [folder](benchmark::State& state) {
        for (auto _ : state) {
            WordTable words(folder);
            words.LoadWordFiles(ConsoleWordFamilies());
            benchmark::DoNotOptimize(words.GetWordCount());
        }
    });
}

} // namespace

} // namespace custodia::bench

int main(int argc, char** argv)
{
    using namespace custodia::bench;
    benchmark::Initialize(&argc, argv);
    const BenchData data;
    for (int count : BenchData::UserCounts())
        RegisterUserBenchmarks(data, count);
    RegisterGroupBenchmarks(data);
    RegisterWordBenchmarks();
    RegisterCliBenchmarks(data);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
