#pragma once

#include "app/CCustodiaDoc.h"
#include "app/CCustodiaView.h"
#include "app/CLeftView.h"
#include "app/CMainFrame.h"
#include "app/ItemDialogs.h"
#include "app/ItemListController.h"
#include "platform/Platform.h"
#include "store/DatabaseListStore.h"
#include "support/CancelledItemDialogs.h"
#include "support/FakeUiServices.h"
#include "support/StoredAccounts.h"
#include "support/TempDir.h"
#include "ui/BackgroundCall.h"
#include "ui/FileWaitFeedback.h"
#include "words/WordTable.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

// Readable failure messages for texts of the widgets.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace custodia::test {

// The installed English words, read from the build's output folder. Found there first, so the
// current directory stays as it is.
inline std::unique_ptr<WordTable> LoadInstalledWords()
{
    auto words = std::make_unique<WordTable>(std::string(CUSTODIA_OUTPUT_DIR));
    words->LoadWordFiles(ConsoleWordFamilies());
    // Every caption below is compared with the table's words: they must be real texts.
    EXPECT_NE(words->GetWord(916), WordTable::kMissingWord);
    EXPECT_NE(words->GetWord(5), WordTable::kMissingWord);
    return words;
}

// Login paths written on disk with the store's own writers, in a fresh current folder that holds the
// console's "custo.cfg", and the main window over them.
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
        , m_words(LoadInstalledWords())
    {
    }

    ~MainWindowFixture() override
    {
        m_frame.reset();
        m_doc.reset();
    }

    QString W(int number) const { return QString::fromStdString(m_words->GetWord(number)); }

    // A login path folder inside the temporary folder, listed in "custo.cfg" when managed.
    std::string MakeLoginPath(const std::string& name, bool managed = true)
    {
        const std::string path = m_dir.file(name);
        std::filesystem::create_directories(path);
        if (managed) {
            CCustodiaDoc doc;
            EXPECT_TRUE(doc.AddLoginPath(NativePath(path)));
            EXPECT_TRUE(doc.StoreLoginPath(NativePath(path)));
        }
        return path;
    }

    static void AddUser(const std::string& loginPath, const std::string& name, const std::string& fullName,
        const std::string& description, int groupNumber)
    {
        const UserRecord user { 0, 0, name, fullName, description, "secret", static_cast<uint8_t>(groupNumber) };
        ASSERT_TRUE(StoreUser(loginPath, user));
    }

    static void AddGroup(const std::string& loginPath, int number, const std::string& name)
    {
        ASSERT_TRUE(StoreGroup(loginPath, number, name));
    }

    static void SetDatabaseSlot(
        const std::string& loginPath, int slot, const std::string& description, const std::string& path)
    {
        const Result<bool> changed = DatabaseListStore(NativePath(loginPath))
                                         .Change(
                                             [&](DatabaseList& list) {
                                                 list.SetDescription(slot, description);
                                                 list.SetPath(slot, path);
                                                 return true;
                                             },
                                             {});
        ASSERT_TRUE(changed && *changed);
    }

    // Builds the document and the main window over what is on disk now, and shows it.
    void OpenWindow()
    {
        m_doc = std::make_unique<CCustodiaDoc>();
        m_frame = std::make_unique<CMainFrame>(*m_words, *m_doc, m_ui, SettingsFile());
        m_frame->SetItemDialogs(std::make_unique<CancelledItemDialogs>());
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    // The window's calls wait one file-layer wait at a time: each wait of the worker runs step on the
    // window's thread (with the count of waits so far) and goes on only once step has returned, so a
    // test sees the wait dialog as the supervisor would, clicks it or lets the file go, without a
    // clock.
    void PaceWaits(std::function<void(int wait)> step)
    {
        m_waits = 0;
        m_step = std::move(step);
        QObject* window = m_frame.get();
        m_frame->Calls().SetSleepFunction([this, window](int) {
            QMetaObject::invokeMethod(
                window, [this] { m_step(++m_waits); }, Qt::BlockingQueuedConnection);
        });
    }

    // The wait dialog of the call that runs now, when it is shown.
    QDialog* WaitDialog() const
    {
        const FileWaitFeedback* feedback = m_frame->Calls().Feedback();
        QDialog* dialog = feedback != nullptr ? feedback->Dialog() : nullptr;
        return dialog != nullptr && dialog->isVisible() ? dialog : nullptr;
    }
    static void CancelWait(QDialog& dialog) { dialog.findChild<QPushButton*>()->click(); }

    // Each test keeps the window's layout in its own folder, so no test sees another's.
    QString SettingsFile() const { return QString::fromStdString(m_dir.file("layout.ini")); }

    CLeftView& Tree() const { return m_frame->LeftView(); }
    CCustodiaView& View() const { return m_frame->View(); }
    ItemListController& ItemList() const { return m_frame->ItemList(); }
    const QAbstractItemModel& Model() const { return View().Model(); }

    QString Cell(int row, int column) const { return Model().index(row, column).data().toString(); }
    QString Header(int column) const { return Model().headerData(column, Qt::Horizontal).toString(); }
    int Rows() const { return Model().rowCount(); }
    int Columns() const { return Model().columnCount(); }
    QStringList Column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < Rows(); ++row)
            cells.append(Cell(row, column));
        return cells;
    }

    // The tree item of a login path's node: the path itself, or one of its categories.
    QTreeWidgetItem* PathItem(int pathIndex) const { return Tree().RootItem()->child(pathIndex); }
    QTreeWidgetItem* CategoryItem(int pathIndex, LoginPathCategory category) const
    {
        return PathItem(pathIndex)->child(static_cast<int>(category));
    }
    void Select(QTreeWidgetItem* item) const { Tree().setCurrentItem(item); }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    FakeUiServices m_ui;
    std::unique_ptr<WordTable> m_words;
    std::unique_ptr<CCustodiaDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::function<void(int wait)> m_step;
    int m_waits = 0; // of the paced calls, on the window's thread
};

} // namespace custodia::test
