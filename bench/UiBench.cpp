#include "BenchData.h"

#include "app/CCustodiaDoc.h"
#include "app/CCustodiaView.h"
#include "app/CLeftView.h"
#include "app/CMainFrame.h"
#include "app/ItemListController.h"
#include "app/QtUiServices.h"
#include "bulk/CImportUsersDialog.h"
#include "bulk/UserImportTableModel.h"
#include "bulk/UserListFile.h"
#include "history/CHistoryDialog.h"
#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/AuditTrail.h"
#include "store/PasswordFileStore.h"
#include "ui/BackgroundCall.h"
#include "words/WordTable.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace custodia::bench {

namespace {

constexpr int kManyUsers = 10000;
constexpr int kTrailLines = 100000;
constexpr const char* kStartOnceOption = "--start-once";

std::unique_ptr<WordTable> LoadWords()
{
    auto words = std::make_unique<WordTable>(std::string(CUSTODIA_OUTPUT_DIR));
    words->LoadWordFiles(ConsoleWordFamilies());
    return words;
}

void FillItemList(benchmark::State& state, const WordTable& words, const std::string& loginPath)
{
    CCustodiaDoc doc;
    CCustodiaView view(words);
    BackgroundCall calls(words, &view);
    ItemListController itemList(words, doc, view, calls);
    view.resize(900, 600);
    view.show();
    for (auto _ : state) {
        itemList.Show(ListMode::Users, NativePath(loginPath));
        QApplication::processEvents();
    }
    state.SetLabel("vs PlainFill/" + std::to_string(kManyUsers));
}

// The same strings shown by a plain model and view; the file is read once, outside the timing.
void PlainFill(benchmark::State& state, const std::string& loginPath)
{
    const Result<std::vector<UserEntry>> read = PasswordFileStore(NativePath(loginPath)).LoadUsers();
    const std::vector<UserEntry> users = read ? *read : std::vector<UserEntry> {};
    QStandardItemModel model;
    QTreeView view;
    view.setModel(&model);
    view.resize(900, 600);
    view.show();
    for (auto _ : state) {
        model.clear();
        model.setColumnCount(4);
        for (const UserEntry& entry : users) {
            QList<QStandardItem*> row;
            row << new QStandardItem(QString::fromStdString(entry.user.userName))
                << new QStandardItem(QString::fromStdString(entry.user.fullName))
                << new QStandardItem(QString::fromStdString(entry.user.description))
                << new QStandardItem(QString::number(entry.user.groupNumber));
            model.appendRow(row);
        }
        QApplication::processEvents();
    }
}

// From choosing a list of 10,000 users (the login path's own, exported) to its preview painted: the
// list read and checked against the login path, and the table shown. Compared with filling the item
// list with the same users; the goal is within a second.
void ImportPreview(benchmark::State& state, const WordTable& words, const BenchData& data, const std::string& loginPath)
{
    const AccountService service { NativePath(loginPath) };
    const std::string list = JoinPath(data.Folder(), "import-preview.csv");
    if (!std::filesystem::exists(list)) {
        std::ofstream(list, std::ios::binary)
            << UserListText(*service.LoadUsers(), *service.LoadGroups(), delimited::Format::Csv);
    }
    QtUiServices ui;
    CImportUsersDialog dialog(words, ui, NativePath(loginPath), TrailOptions {});
    UserImportOptions options;
    options.existing = ExistingUser::Replace;
    dialog.SetOptions(options);
    dialog.show();
    for (auto _ : state) {
        dialog.SetListFile(QString::fromStdString(list));
        dialog.repaint();
        QApplication::processEvents();
    }
    if (dialog.PreviewModel().rowCount() != kManyUsers)
        state.SkipWithError("the preview does not list every user");
    state.SetLabel("vs ItemListFill/" + std::to_string(kManyUsers));
}

// A login path whose trail holds that many chained lines of the kinds a plant's trail is made of:
// users changed and added, passwords set, rights granted, in the trail's own line format.
std::string MakeMixedTrail(const BenchData& data, int lines)
{
    const std::string path = JoinPath(data.Folder(), "history" + std::to_string(lines));
    std::filesystem::create_directories(path);
    std::string text;
    std::string previous = audittrail::kChainStart;
    static const char* const kActions[] = { "user changed", "password set", "right granted", "user added" };
    for (int i = 0; i < lines; ++i) {
        TrailEntry entry;
        StampTrailEntry(entry, 1765417603LL + i);
        entry.actor = { "plant-pc", "operator", i % 3 == 0 ? "ann" : "", "console" };
        entry.action = kActions[i % 4];
        if (i % 4 == 2) {
            entry.object = "group " + std::to_string(100 + i % 156) + " Shift";
            entry.changes = { { "right", "", "view: Print reports" } };
        } else {
            entry.object = "user " + BenchData::UserName(i % kManyUsers);
            if (i % 4 == 0)
                entry.changes
                    = { { "description", "Lab, east", "Office " + std::to_string(i) }, { "group", "1", "2" } };
        }
        text += FormatTrailLine(entry, previous);
        previous = entry.hash;
    }
    std::ofstream(JoinPath(path, audittrail::kFileName), std::ios::binary) << text;
    return path;
}

// From nothing to the History dialog painted with the newest lines of the trail shown, the chain
// checked; one read of the same file is the baseline.
void OpenHistory(benchmark::State& state, const WordTable& words, const std::string& loginPath)
{
    QWidget window;
    BackgroundCall calls(words, &window);
    for (auto _ : state) {
        auto dialog = std::make_unique<CHistoryDialog>(words, NativePath(loginPath), &calls, nullptr);
        dialog->show();
        dialog->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        dialog.reset();
        state.ResumeTiming();
    }
    state.SetLabel("vs ReadTrail/" + std::to_string(kTrailLines));
}

void ReadTrailFile(benchmark::State& state, const std::string& loginPath)
{
    const std::string file = JoinPath(loginPath, audittrail::kFileName);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadWholeFile(file));
}

// A folder with a "custo.cfg" that manages the login path, and room for the window's layout file.
std::string StartUpFolder(const BenchData& data, int users)
{
    const std::string folder = JoinPath(data.Folder(), "startup-" + std::to_string(users));
    if (!std::filesystem::exists(folder)) {
        std::filesystem::create_directories(folder);
        CCustodiaDoc doc(JoinPath(folder, "custo.cfg"));
        doc.AddLoginPath(NativePath(data.UsersPath(users)));
        doc.StoreLoginPath(NativePath(data.UsersPath(users)));
    }
    return folder;
}

// From nothing to the main window painted with the login path's users listed; false if the window
// never showed. The window is closed when the returned objects go.
struct OpenWindow {
    std::unique_ptr<CCustodiaDoc> doc;
    std::unique_ptr<CMainFrame> frame;
};
OpenWindow StartWindow(WordTable& words, UiServices& ui, const std::string& folder, const std::string& loginPath)
{
    OpenWindow window;
    window.doc = std::make_unique<CCustodiaDoc>(JoinPath(folder, "custo.cfg"));
    window.frame
        = std::make_unique<CMainFrame>(words, *window.doc, ui, QString::fromStdString(JoinPath(folder, "layout.ini")));
    window.frame->show();
    if (!QTest::qWaitForWindowExposed(window.frame.get()))
        throw std::runtime_error("the main window was never shown");
    window.frame->LeftView().SelectNode(CLeftView::NodeType::Users, NativePath(loginPath));
    window.frame->repaint();
    QApplication::processEvents();
    return window;
}

void StartUp(benchmark::State& state, WordTable& words, const BenchData& data)
{
    const int users = static_cast<int>(state.range(0));
    const std::string folder = StartUpFolder(data, users);
    QtUiServices ui;
    for (auto _ : state) {
        OpenWindow window = StartWindow(words, ui, folder, data.UsersPath(users));
        // Closing the window is no part of starting up.
        state.PauseTiming();
        window = {};
        state.ResumeTiming();
    }
    if (users != 0)
        state.SetLabel("vs StartUp/0");
}

// The child's part of FreshStartUp: starts up once, as the program does, and tells its peak memory.
int StartOnceAndTellMemory(const std::string& folder, const std::string& loginPath)
{
    auto words = LoadWords();
    QtUiServices ui;
    const OpenWindow window = StartWindow(*words, ui, folder, loginPath);
    // The peak of this program's own memory: the rusage figure would also count the benchmark process
    // this one was started from, as it survives the exec.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            std::printf("%ld\n", std::stol(line.substr(6)));
            return 0;
        }
    }
    return 1;
}

// Runs the child and returns its peak memory in kilobytes.
long RunStartOnce(const std::string& folder, const std::string& loginPath)
{
    int output[2];
    if (::pipe(output) != 0)
        throw std::runtime_error("no pipe");
    const std::string self = ExecutablePath();
    std::vector<std::string> arguments { self, kStartOnceOption, folder, loginPath };
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    std::string text;
    char buffer[64];
    for (ssize_t got; (got = ::read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(output[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the start-up in a fresh process failed");
    return std::stol(text);
}

// Start-up in a process of its own, as people start the program: the time includes loading the word
// files and the memory every first touch costs, and the peak memory (max RSS) is reported.
void FreshStartUp(benchmark::State& state, const BenchData& data)
{
    const int users = static_cast<int>(state.range(0));
    const std::string folder = StartUpFolder(data, users);
    long maxRss = 0;
    for (auto _ : state)
        maxRss = std::max(maxRss, RunStartOnce(folder, data.UsersPath(users)));
    state.counters["max_rss_mb"] = static_cast<double>(maxRss) / 1024.0;
    if (users != 0)
        state.SetLabel("vs FreshStartUp/0");
}

} // namespace

} // namespace custodia::bench

int main(int argc, char** argv)
{
    using namespace custodia::bench;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (argc == 4 && std::string(argv[1]) == kStartOnceOption)
        return StartOnceAndTellMemory(argv[2], argv[3]);
    benchmark::Initialize(&argc, argv);
    const BenchData data;
    auto words = LoadWords();
    const std::string many = data.UsersPath(kManyUsers);
    benchmark::RegisterBenchmark(("ItemListFill/" + std::to_string(kManyUsers)).c_str(), [&](benchmark::State& state) {
        FillItemList(state, *words, many);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("PlainFill/" + std::to_string(kManyUsers)).c_str(), [&](benchmark::State& state) {
        PlainFill(state, many);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ImportPreview/" + std::to_string(kManyUsers)).c_str(), [&](benchmark::State& state) {
        ImportPreview(state, *words, data, many);
    })->Unit(benchmark::kMillisecond);
    const std::string history = MakeMixedTrail(data, kTrailLines);
    const std::string lines = std::to_string(kTrailLines);
    benchmark::RegisterBenchmark(("HistoryOpen/" + lines).c_str(), [&](benchmark::State& state) {
        OpenHistory(state, *words, history);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ReadTrail/" + lines).c_str(), [&](benchmark::State& state) {
        ReadTrailFile(state, history);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("StartUp", [&](benchmark::State& state) { StartUp(state, *words, data); })
        ->Arg(0)
        ->Arg(kManyUsers)
        ->Unit(benchmark::kMillisecond);
    // Timed by the clock: the child's work is no time of this process.
    benchmark::RegisterBenchmark("FreshStartUp", [&](benchmark::State& state) { FreshStartUp(state, data); })
        ->Arg(0)
        ->Arg(kManyUsers)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
