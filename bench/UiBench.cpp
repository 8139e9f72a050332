#include "BenchData.h"

#include "app/CCustodiaDoc.h"
#include "app/CCustodiaView.h"
#include "app/CLeftView.h"
#include "app/CMainFrame.h"
#include "app/QtUiServices.h"
#include "platform/Platform.h"
#include "store/UserStore.h"
#include "words/WordTable.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace custodia::bench {

namespace {

constexpr int kManyUsers = 10000;

std::unique_ptr<WordTable> LoadWords()
{
    auto words = std::make_unique<WordTable>(std::string(CUSTODIA_OUTPUT_DIR));
    words->LoadWordFiles(ConsoleWordFamilies());
    return words;
}

void FillItemList(benchmark::State& state, const WordTable& words, const std::string& loginPath)
{
    CCustodiaDoc doc;
    CCustodiaView view(words, doc);
    view.resize(900, 600);
    view.show();
    for (auto _ : state) {
        view.ShowUsers(loginPath);
        QApplication::processEvents();
    }
    state.SetLabel("vs PlainFill/" + std::to_string(kManyUsers));
}

// The same strings shown by a plain model and view; the file is read once, outside the timing.
void PlainFill(benchmark::State& state, const std::string& loginPath)
{
    const std::vector<UserEntry> users = UserStore().LoadUsers(loginPath).value;
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

// From nothing to the main window painted with the login path's users listed.
void StartUp(benchmark::State& state, WordTable& words, const BenchData& data, const std::string& loginPath)
{
    const std::string folder = JoinPath(data.Folder(), "startup-" + std::to_string(state.range(0)));
    const std::string cfg = JoinPath(folder, "custo.cfg");
    {
        std::filesystem::create_directories(folder);
        CCustodiaDoc doc(cfg);
        doc.AddLoginPath(loginPath);
        doc.StoreLoginPath(loginPath);
    }
    QtUiServices ui;
    for (auto _ : state) {
        CCustodiaDoc doc(cfg);
        CMainFrame frame(words, doc, ui, QString::fromStdString(JoinPath(folder, "layout.ini")));
        frame.show();
        QTest::qWaitForWindowExposed(&frame);
        frame.LeftView().SelectNode(CLeftView::NodeType::Users, loginPath);
        frame.repaint();
        QApplication::processEvents();
    }
    if (state.range(0) != 0)
        state.SetLabel("vs StartUp/0");
}

} // namespace

} // namespace custodia::bench

int main(int argc, char** argv)
{
    using namespace custodia::bench;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
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
    benchmark::RegisterBenchmark("StartUp",
        [&](benchmark::State& state) {
            StartUp(state, *words, data, data.UsersPath(static_cast<int>(state.range(0))));
        })
        ->Arg(0)
        ->Arg(kManyUsers)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
