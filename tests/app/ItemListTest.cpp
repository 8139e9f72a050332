#include "MainWindowFixture.h"

#include "app/FileChangeWatcher.h"
#include "app/ItemCommands.h"
#include "app/ListReadRetry.h"
#include "app/LoginPathLabels.h"
#include "platform/SharedFile.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include <utility>

namespace custodia::test {
namespace {

constexpr unsigned kReadWriteExclusive = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;

// Records which dialog a command opened, and cancels it.
class RecordingDialogs final : public ItemDialogs {
public:
    bool EditUser(
        QWidget*, UserEntry& user, const std::vector<GroupEntry>&, const DatabaseList&, const UserNameCheck&) override
    {
        editedUsers.push_back(user.user.userName);
        return false;
    }
    std::unique_ptr<NewGroupPrompt> MakeNewGroupPrompt(QWidget*, const NativePath&) override { return nullptr; }
    bool EditGroup(QWidget*, const NativePath&, const GroupEntry&) override { return false; }
    bool EditDatabasePath(QWidget*, DatabaseList&, int) override { return false; }
    std::optional<NativePath> AskLoginPath(QWidget*) override { return std::nullopt; }

    std::vector<std::string> editedUsers; // empty name: a new user
};

class ItemListTest : public MainWindowFixture {
protected:
    std::string m_path;
    RecordingDialogs* m_dialogs = nullptr;

    void SetUp() override { m_path = MakeLoginPath("north"); }

    void Open()
    {
        OpenWindow();
        auto dialogs = std::make_unique<RecordingDialogs>();
        m_dialogs = dialogs.get();
        m_frame->SetItemDialogs(std::move(dialogs));
    }

    // Keys reach shortcuts only in the active window, through the focused widget.
    void Activate() const
    {
        QApplication::setActiveWindow(m_frame.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    }

    void ShowCategory(LoginPathCategory category) const { Select(CategoryItem(0, category)); }

    void ClickHeader(int column) const
    {
        QHeaderView& header = *View().DetailsView().header();
        const QPoint centre(
            header.sectionViewportPosition(column) + header.sectionSize(column) / 2, header.height() / 2);
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
    }

    QString StatusText() const { return m_frame->StatusText(); }

    // Names of the users in file order, as another program would see them.
    std::vector<std::string> StoredUserNames() const
    {
        std::vector<std::string> names;
        for (const UserEntry& entry : StoredUsers(m_path))
            names.push_back(entry.user.userName);
        return names;
    }

    void ReopenWindow()
    {
        m_frame->close();
        m_frame.reset();
        Open();
    }
};

TEST_F(ItemListTest, ModelAndProxyKeepTheModelRulesThroughEveryModeSortAndFilter)
{
    AddGroup(m_path, 2, "Staff");
    AddUser(m_path, "ann", "Ann Smith", "night", 10);
    AddUser(m_path, "bob", "Bob Jones", "", 2);
    Open();
    QAbstractItemModelTester source(
        const_cast<ItemListModel*>(&View().ItemModel()), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QAbstractItemModelTester shown(
        const_cast<QSortFilterProxyModel*>(&View().Model()), QAbstractItemModelTester::FailureReportingMode::Fatal);

    Select(Tree().RootItem());
    Select(PathItem(0));
    for (const LoginPathCategory category :
        { LoginPathCategory::Users, LoginPathCategory::Groups, LoginPathCategory::DatabasePaths }) {
        ShowCategory(category);
        ClickHeader(0);
        View().FilterBox().setText("0");
        ItemList().RefreshList();
        View().FilterBox().clear();
    }
    m_frame->FillTree(std::nullopt);
    ItemList().Clear();

    // The entry accessor answers for its own mode only.
    ItemList().Show(ListMode::Users, NativePath(m_path));
    const ItemListModel& model = View().ItemModel();
    ASSERT_NE(model.EntryForIndex<UserEntry>(model.index(1, 0)), nullptr);
    EXPECT_EQ(model.EntryForIndex<UserEntry>(model.index(1, 0))->user.userName, "bob");
    EXPECT_EQ(model.EntryForIndex<GroupEntry>(model.index(1, 0)), nullptr);
    EXPECT_EQ(model.EntryForIndex<UserEntry>(model.index(2, 0)), nullptr);
}

TEST_F(ItemListTest, HeaderClicksSortNumbersAsNumbersAndTheThirdGivesTheFileOrderBack)
{
    AddGroup(m_path, 2, "Staff");
    AddGroup(m_path, 10, "Night");
    AddUser(m_path, "ann", "", "", 10);
    AddUser(m_path, "bob", "", "", 2);
    AddUser(m_path, "carl", "", "", 10);
    Open();
    const int group = static_cast<int>(ItemListModel::UserColumn::Group);

    ClickHeader(group);
    EXPECT_EQ(Column(0), (QStringList { "bob", "ann", "carl" }));
    ClickHeader(group);
    EXPECT_EQ(Column(0), (QStringList { "ann", "carl", "bob" }));
    ClickHeader(group);
    EXPECT_EQ(Column(0), (QStringList { "ann", "bob", "carl" }));

    ShowCategory(LoginPathCategory::Groups);
    ClickHeader(0);
    ClickHeader(0);
    EXPECT_EQ(Column(0), (QStringList { "010", "002" }));

    // Each list keeps its own order, and the commands act on the row as seen, not its place on screen.
    ShowCategory(LoginPathCategory::Users);
    ClickHeader(group);
    EXPECT_EQ(Column(0), (QStringList { "bob", "ann", "carl" }));
    // Rows a filter brings back keep the file order among their equals.
    View().FilterBox().setText("carl");
    View().FilterBox().clear();
    EXPECT_EQ(Column(0), (QStringList { "bob", "ann", "carl" }));
    View().SelectRow(1);
    EXPECT_EQ(Cell(0, 0), "bob");
    EXPECT_EQ(View().SelectedRow(), 1);
    m_ui.answers = { UiServices::Answer::Ok };
    m_frame->Commands().DeleteItem();
    EXPECT_EQ(StoredUserNames(), (std::vector<std::string> { "ann", "carl" }));
}

TEST_F(ItemListTest, FilterKeepsMatchingRowsCountsThemAndTheCommandsActOnWhatIsShown)
{
    AddUser(m_path, "ann", "Ann Smith", "", 0);
    AddUser(m_path, "bob", "Bob Jones", "", 0);
    AddUser(m_path, "carl", "Carl Bobbin", "day shift", 0);
    Open();
    View().SelectRow(0);
    EXPECT_TRUE(StatusText().endsWith(W(917) + " - " + W(762).arg(3))) << StatusText().toStdString();

    // Any column, any letter case.
    QTest::keyClicks(&View().FilterBox(), "BOB");
    EXPECT_EQ(Column(0), (QStringList { "bob", "carl" }));
    EXPECT_TRUE(StatusText().endsWith(W(763).arg(2).arg(3))) << StatusText().toStdString();
    // The hidden row is no longer selected; the first match is.
    EXPECT_EQ(View().SelectedRow(), 1);

    View().FilterBox().setText("shift");
    ASSERT_EQ(Column(0), QStringList { "carl" });
    EXPECT_EQ(View().SelectedRow(), 2);
    m_frame->Commands().EditItem();
    EXPECT_EQ(m_dialogs->editedUsers, std::vector<std::string> { "carl" });
    m_frame->Commands().DeleteItem();
    EXPECT_EQ(StoredUserNames(), (std::vector<std::string> { "ann", "bob" }));
    // The refill keeps the filter.
    EXPECT_EQ(View().FilterBox().text(), "shift");
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(StatusText().endsWith(W(763).arg(0).arg(2))) << StatusText().toStdString();

    QTest::keyClick(&View().FilterBox(), Qt::Key_Escape);
    EXPECT_EQ(View().FilterBox().text(), "");
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(StatusText().endsWith(W(762).arg(2)));

    // Another list starts unfiltered.
    View().FilterBox().setText("zzz");
    ShowCategory(LoginPathCategory::DatabasePaths);
    EXPECT_EQ(View().FilterBox().text(), "");
    EXPECT_EQ(Rows(), 10);
}

struct KeyCase {
    const char* name;
    QKeySequence keys;
    const char* expected; // what the key did
};

class ItemListKeyTest : public ItemListTest, public ::testing::WithParamInterface<KeyCase> { };

TEST_P(ItemListKeyTest, KeyReachesItsCommandFromTheList)
{
    AddUser(m_path, "ann", "", "", 0);
    AddUser(m_path, "bob", "", "", 0);
    Open();
    // Only the key may reload in this test.
    m_frame->Watcher().SetDebounce(60 * 60 * 1000);
    Activate();
    View().SelectRow(1);
    View().CurrentItemView()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().CurrentItemView()->hasFocus(); }));
    AddUser(m_path, "carl", "", "", 0);

    QString popupAt;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popupAt = View()
                          .CurrentItemView()
                          ->indexAt(View().CurrentItemView()->viewport()->mapFromGlobal(popup->pos() - QPoint(0, 2)))
                          .data()
                          .toString();
            popup->close();
        }
    });
    m_ui.answers = { UiServices::Answer::Cancel };
    const QKeyCombination key = GetParam().keys[0];
    QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());

    QString done;
    if (!m_ui.messages.empty())
        done = "asks to delete " + QString(m_ui.messages[0].text.contains("bob") ? "bob" : "?");
    else if (!m_dialogs->editedUsers.empty())
        done = m_dialogs->editedUsers[0].empty() ? "creates"
                                                 : "edits " + QString::fromStdString(m_dialogs->editedUsers[0]);
    else if (Rows() == 3)
        done = "reloads";
    else if (View().FilterBox().hasFocus())
        done = "filters";
    else if (!popupAt.isEmpty())
        done = "popup at " + popupAt;
    EXPECT_EQ(done.toStdString(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, ItemListKeyTest,
    ::testing::Values(KeyCase { "Delete", QKeySequence(Qt::Key_Delete), "asks to delete bob" },
        KeyCase { "F2", QKeySequence(Qt::Key_F2), "edits bob" },
        KeyCase { "Return", QKeySequence(Qt::Key_Return), "edits bob" },
        KeyCase { "Enter", QKeySequence(Qt::Key_Enter), "edits bob" },
        KeyCase { "CtrlN", QKeySequence(Qt::CTRL | Qt::Key_N), "creates" },
        KeyCase { "Insert", QKeySequence(Qt::Key_Insert), "creates" },
        KeyCase { "F5", QKeySequence(Qt::Key_F5), "reloads" },
        KeyCase { "CtrlF", QKeySequence(Qt::CTRL | Qt::Key_F), "filters" },
        KeyCase { "ShiftF10", QKeySequence(Qt::SHIFT | Qt::Key_F10), "popup at bob" },
        KeyCase { "Menu", QKeySequence(Qt::Key_Menu), "popup at bob" }),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST_F(ItemListTest, MenusShowTheKeys)
{
    Open();
    const auto shortcut
        = [&](const char* name) { return m_frame->findChild<QAction*>(QLatin1String(name))->shortcut(); };
    EXPECT_EQ(shortcut("createItem"), QKeySequence(QKeySequence::New));
    EXPECT_EQ(shortcut("editItem"), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(shortcut("deleteItem"), QKeySequence(QKeySequence::Delete));
    EXPECT_EQ(shortcut("reload"), QKeySequence(QKeySequence::Refresh));
    EXPECT_EQ(shortcut("filterList"), QKeySequence(QKeySequence::Find));
}

TEST_F(ItemListTest, SecondWindowRestoresTheLayoutOfTheFirst)
{
    AddGroup(m_path, 2, "Staff");
    AddGroup(m_path, 10, "Night");
    AddUser(m_path, "ann", "", "", 0);
    Open();
    m_frame->resize(900, 640);
    auto* splitter = m_frame->findChild<QSplitter*>("paneSplitter");
    splitter->setSizes({ 260, 640 });
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->width() == 900; }));
    const QList<int> paneSizes = splitter->sizes();
    m_frame->SetPresentation(Presentation::List);
    View().DetailsView().header()->resizeSection(0, 150);
    const int usersColumnWidth = View().DetailsView().columnWidth(0);
    ShowCategory(LoginPathCategory::Groups);
    ClickHeader(0);
    ClickHeader(0);

    ReopenWindow();
    EXPECT_EQ(m_frame->size(), QSize(900, 640));
    EXPECT_EQ(m_frame->findChild<QSplitter*>("paneSplitter")->sizes(), paneSizes);
    EXPECT_EQ(View().GetPresentation(), Presentation::List);
    EXPECT_EQ(Tree().currentItem(), CategoryItem(0, LoginPathCategory::Groups));
    EXPECT_EQ(Column(0), (QStringList { "010", "002" }));
    EXPECT_EQ(View().DetailsView().header()->sortIndicatorSection(), 0);
    ShowCategory(LoginPathCategory::Users);
    EXPECT_NEAR(View().DetailsView().columnWidth(0), usersColumnWidth, 1);
}

TEST_F(ItemListTest, FilesChangedByAnotherProgramAreReloadedKeepingTheSelection)
{
    AddUser(m_path, "ann", "", "", 0);
    AddUser(m_path, "bob", "", "", 0);
    Open();
    View().SelectRow(1);

    AddUser(m_path, "carl", "", "", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows() == 3; }));
    EXPECT_EQ(View().SelectedRow(), 1);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), W(772));

    // Another login path added with the command-line tool appears in the tree.
    const std::string added = MakeLoginPath("east");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tree().RootItem()->childCount() == 2; }));
    EXPECT_EQ(PathItem(1)->text(0), "east");
    EXPECT_EQ(Tree().currentItem(), CategoryItem(0, LoginPathCategory::Users));
    EXPECT_EQ(View().SelectedRow(), 1);
}

// The console's own change is shown by its own refill: the watcher neither reloads once more nor
// blames another program, and still sees the next change that does come from elsewhere.
TEST_F(ItemListTest, OwnChangesAreNotReportedAsAnotherProgramsChanges)
{
    AddUser(m_path, "ann", "", "", 0);
    AddUser(m_path, "bob", "", "", 0);
    Open();
    m_frame->Watcher().SetDebounce(10);
    View().SelectRow(0);
    m_ui.answers = { UiServices::Answer::Ok };
    m_frame->Commands().DeleteItem();
    ASSERT_EQ(Rows(), 1);
    QTest::qWait(200);
    EXPECT_NE(m_frame->statusBar()->currentMessage(), W(772));

    AddUser(m_path, "carl", "", "", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows() == 2; }));
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), W(772));
}

// Another program's change that lands after the console read the file, but before the refill ended,
// is not taken for the console's own: the list is read once more.
TEST_F(ItemListTest, AChangeMadeWhileTheListIsReadIsStillReloaded)
{
    AddUser(m_path, "ann", "", "", 0);
    AddUser(m_path, "bob", "", "", 0);
    Open();
    m_frame->Watcher().SetDebounce(10);
    bool changed = false;
    QObject::connect(&View(), &CCustodiaView::rowCountChanged, &View(), [&] {
        if (!std::exchange(changed, true))
            AddUser(m_path, "carl", "", "", 0);
    });
    View().SelectRow(0);
    m_ui.answers = { UiServices::Answer::Ok };
    m_frame->Commands().DeleteItem();
    ASSERT_TRUE(changed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows() == 2; }));
    QStringList names = Column(0);
    names.sort();
    EXPECT_EQ(names, (QStringList { "bob", "carl" }));
}

// A change reported while the list waits for a held file waits for the read to end: a reload started
// from the wait's event loop would read the list again inside its own reading.
TEST_F(ItemListTest, AChangeReportedDuringAFileWaitReloadsAfterTheRead)
{
    AddUser(m_path, "ann", "", "", 0);
    Open();
    m_frame->Watcher().SetDebounce(0);
    int loads = 0;
    int loadsWithinALoad = 0;
    bool loading = false;
    QObject::connect(&View(), &CCustodiaView::aboutToLoad, &View(), [&] {
        loadsWithinALoad += loading ? 1 : 0;
        loading = true;
        ++loads;
    });
    QObject::connect(&View(), &CCustodiaView::loaded, &View(), [&] { loading = false; });
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(m_path + "/tessel.pwd", kReadWriteExclusive));
    PaceWaits([&](int wait) {
        if (wait == 1) {
            AddGroup(m_path, 7, "Late"); // another program's change of a file that is not held
            for (int i = 0; i < 20; ++i)
                QCoreApplication::processEvents();
        } else {
            holder.Close();
        }
    });
    ItemList().Reload();
    EXPECT_EQ(loadsWithinALoad, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return loads >= 2; })) << "the change is reloaded once the read is over";
    EXPECT_EQ(loadsWithinALoad, 0);
    EXPECT_EQ(Column(0), QStringList { "ann" });
}

TEST_F(ItemListTest, RefillKeepsTheSelectionAndTheScrollPosition)
{
    for (int i = 0; i < 80; ++i)
        AddUser(m_path, "user" + std::to_string(100 + i), "", "", 0);
    Open();
    QScrollBar& scroll = *View().DetailsView().verticalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scroll.maximum() > 0; }));
    View().SelectRow(60);
    scroll.setValue(scroll.maximum() / 2);
    const int position = scroll.value();

    ItemList().Reload();
    EXPECT_EQ(View().SelectedRow(), 60);
    EXPECT_EQ(scroll.value(), position);
    m_frame->ReloadFromDisk();
    EXPECT_EQ(View().SelectedRow(), 60);
    EXPECT_EQ(scroll.value(), position);
}

// The kept rows are found by their stored names, whatever the code page makes of them, and the list is
// not shown a row as kept that only resembles it.
TEST_F(ItemListTest, RefillKeepsASelectionFoundByItsStoredName)
{
    AddUser(m_path, "ann", "", "", 0);
    AddUser(m_path, "J\xfcrgen", "", "", 0);
    AddUser(m_path, "Jurgen", "", "", 0);
    Open();
    View().SelectRow(1);
    ItemList().Reload();
    EXPECT_EQ(View().SelectedRows(), std::vector<int> { 1 });
    View().SelectRow(2);
    ItemList().Reload();
    EXPECT_EQ(View().SelectedRows(), std::vector<int> { 2 });
}

TEST_F(ItemListTest, TreeNamesLoginPathsByTheirFolderAndTellsAlikeOnesApart)
{
    const std::string first = MakeLoginPath("site1/Head Office");
    const std::string second = MakeLoginPath("site2/Head Office");
    const std::string missing = MakeLoginPath("gone");
    std::filesystem::remove(missing);
    Open();

    EXPECT_EQ(PathItem(0)->text(0), "north");
    EXPECT_EQ(PathItem(1)->text(0), "site1/Head Office");
    EXPECT_EQ(PathItem(2)->text(0), "site2/Head Office");
    EXPECT_EQ(PathItem(1)->toolTip(0).toStdString(), first);
    EXPECT_EQ(PathItem(3)->toolTip(0), QString::fromStdString(missing) + "\n" + W(765));
    EXPECT_NE(PathItem(3)->foreground(0), PathItem(0)->foreground(0));

    Select(CategoryItem(2, LoginPathCategory::Groups));
    EXPECT_EQ(m_frame->windowTitle(), "site2/Head Office - " + W(918) + " - " + W(795) + " V4.84");
    EXPECT_TRUE(StatusText().startsWith(QString::fromStdString(second) + " - " + W(918)));
}

TEST_F(ItemListTest, WithoutLoginPathsTheListSaysHowToAddOne)
{
    Open();
    auto* hint = View().findChild<QLabel*>("emptyListHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isVisible());

    Select(Tree().RootItem());
    View().SelectRow(0);
    m_frame->Commands().DeleteItem();
    EXPECT_EQ(Tree().RootItem()->text(0), W(916));
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), W(764));
}

// A user file that cannot be read is explained in the list area and the status bar, never shown as
// a login path without users; once it can be read again, the rows come back.
TEST_F(ItemListTest, UnreadableUserFileIsExplainedNotShownEmpty)
{
    AddUser(m_path, "ann", "", "", 0);
    Open();
    const std::string userFile = m_path + "/tessel.pwd";
    const std::vector<unsigned char> stored = ReadBytes(userFile);
    struct Case {
        const char* name;
        std::function<std::unique_ptr<SharedFile>()> spoil;
        std::string named;
        QString cause;
    };
    const Case cases[] = {
        { "held by another open",
            [&] {
                auto holder = std::make_unique<SharedFile>();
                EXPECT_TRUE(holder->OpenWithRetry(userFile, kReadWriteExclusive));
                return holder;
            },
            userFile, QString() },
        { "damaged",
            [&] {
                WriteBytes(userFile, std::vector<unsigned char>(300, 'x'));
                return nullptr;
            },
            userFile, QString() },
        { "folder gone",
            [&] {
                std::filesystem::rename(m_path, m_path + ".away");
                return nullptr;
            },
            m_path, W(787) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<SharedFile> holder = c.spoil();
        int waits = 0;
        SetSleepFunction([&](int) { ++waits; });
        ShowCategory(LoginPathCategory::Users);
        ItemList().Reload();
        SetSleepFunction([](int) {});
        if (c.named == m_path) {
            EXPECT_EQ(waits, 0) << "a folder that is gone is not waited for";
        }
        ASSERT_TRUE(View().Problem().has_value());
        EXPECT_EQ(View().Problem()->fileName, QString::fromStdString(c.named));
        EXPECT_FALSE(View().Problem()->cause.isEmpty());
        if (!c.cause.isEmpty()) {
            EXPECT_EQ(View().Problem()->cause, c.cause);
        }
        EXPECT_TRUE(View().ProblemLabel().isVisible());
        EXPECT_TRUE(View().ProblemLabel().text().startsWith(W(781)));
        EXPECT_TRUE(View().ProblemLabel().text().contains(QString::fromStdString(c.named)));
        EXPECT_FALSE(View().DetailsView().isVisible());
        EXPECT_EQ(StatusText(), W(782).arg(View().Problem()->fileName, View().Problem()->cause));

        holder.reset();
        if (std::filesystem::exists(m_path + ".away"))
            std::filesystem::rename(m_path + ".away", m_path);
        WriteBytes(userFile, stored);
        ItemList().Reload();
        EXPECT_FALSE(View().Problem().has_value());
        EXPECT_FALSE(View().ProblemLabel().isVisible());
        EXPECT_EQ(Column(0), QStringList { "ann" });
    }
}

// A held file is let go without a trace the change watch could see: the list that could not open it
// says that it reads itself again and that F5 reads at once, and it does once the file is free. A
// damaged file is read again when someone writes it, so its list only points at F5.
TEST_F(ItemListTest, AListKeptFromItsHeldFileReadsItselfOnceTheFileIsFree)
{
    AddUser(m_path, "ann", "", "", 0);
    Open();
    const std::string userFile = m_path + "/tessel.pwd";
    const std::vector<unsigned char> stored = ReadBytes(userFile);
    ListReadRetry& retry = m_frame->ListRetry();
    EXPECT_FALSE(retry.IsTrying());

    WriteBytes(userFile, std::vector<unsigned char>(300, 'x'));
    ItemList().Reload();
    ASSERT_TRUE(View().Problem().has_value());
    EXPECT_TRUE(View().ProblemLabel().text().endsWith(W(758).arg("F5"))) << View().ProblemLabel().text().toStdString();
    EXPECT_FALSE(retry.IsTrying());
    WriteBytes(userFile, stored);

    auto holder = std::make_unique<SharedFile>();
    ASSERT_TRUE(holder->OpenWithRetry(userFile, kReadWriteExclusive));
    ItemList().Reload();
    ASSERT_TRUE(View().Problem().has_value());
    EXPECT_TRUE(View().ProblemLabel().text().endsWith(W(759).arg("F5"))) << View().ProblemLabel().text().toStdString();
    EXPECT_TRUE(retry.IsTrying());
    EXPECT_TRUE(retry.Timer().isActive());
    EXPECT_EQ(retry.Timer().interval(), ListReadRetry::kFirstDelayMilliseconds);

    // Still held: the next try waits longer, and the list stays as it is.
    retry.TryNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return retry.Delay() > ListReadRetry::kFirstDelayMilliseconds; }));
    EXPECT_TRUE(View().Problem().has_value());

    holder.reset();
    retry.TryNow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !View().Problem().has_value(); }));
    EXPECT_EQ(Column(0), QStringList { "ann" });
    EXPECT_FALSE(retry.IsTrying());
    EXPECT_FALSE(retry.Timer().isActive());
}

// The retries of a held file keep the window alive: a busy cursor at once, after about a second a
// dialog naming what is waited for, and Cancel there ends the waiting with the file named in the list.
TEST_F(ItemListTest, HeldFileShowsTheWaitDialogAndCancelEndsTheWait)
{
    AddUser(m_path, "ann", "", "", 0);
    Open();
    const std::string userFile = m_path + "/tessel.pwd";
    int waits = 0;
    bool busyAtFirstWait = false;
    QString shownText;
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(userFile, kReadWriteExclusive));
    PaceWaits([&](int wait) {
        waits = wait;
        if (wait == 1)
            busyAtFirstWait = QApplication::overrideCursor() != nullptr && WaitDialog() == nullptr;
        QCoreApplication::processEvents(); // the window paints while the worker waits
        if (QDialog* dialog = WaitDialog()) {
            EXPECT_EQ(QApplication::activeModalWidget(), dialog);
            shownText = dialog->findChild<QLabel*>("waitFile")->text() + "|"
                + dialog->findChild<QLabel*>("waitTries")->text();
            CancelWait(*dialog);
        }
    });

    ShowCategory(LoginPathCategory::Users);
    ItemList().Reload();
    EXPECT_TRUE(busyAtFirstWait);
    EXPECT_EQ(waits, 3) << "the dialog waits about a second (two waits) before it shows, and Cancel stops the waiting";
    EXPECT_TRUE(shownText.contains(QString::fromStdString(userFile))) << shownText.toStdString();
    EXPECT_TRUE(shownText.contains(W(784))) << shownText.toStdString();
    EXPECT_TRUE(shownText.contains(W(785).arg(3).arg(60))) << shownText.toStdString();
    ASSERT_TRUE(View().Problem().has_value());
    EXPECT_EQ(View().Problem()->fileName, QString::fromStdString(userFile));
    EXPECT_FALSE(m_frame->Calls().IsRunning());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The first list is read after the window has been shown: a wait for a held file while the window was
// still showing its children ran the event loop there and brought the console down at start-up.
TEST_F(ItemListTest, WindowOpensWhileTheFirstListWaitsForAHeldFile)
{
    AddUser(m_path, "ann", "", "", 0);
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(m_path + "/tessel.pwd", kReadWriteExclusive));
    m_doc = std::make_unique<CCustodiaDoc>();
    m_frame = std::make_unique<CMainFrame>(*m_words, *m_doc, m_ui, SettingsFile());
    m_frame->SetItemDialogs(std::make_unique<CancelledItemDialogs>());
    bool shownBeforeTheWait = false;
    PaceWaits([&](int wait) {
        if (wait == 1)
            shownBeforeTheWait = m_frame->isVisible();
        QCoreApplication::processEvents();
        if (QDialog* dialog = WaitDialog())
            CancelWait(*dialog);
    });
    m_frame->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return View().Problem().has_value(); }));
    EXPECT_TRUE(shownBeforeTheWait);
    EXPECT_EQ(View().Problem()->fileName, QString::fromStdString(m_path + "/tessel.pwd"));
    holder.Close();
    m_frame->ReloadFromDisk();
    EXPECT_EQ(Column(0), QStringList { "ann" });
}

struct LabelCase {
    const char* name;
    std::vector<std::string> paths;
    std::vector<QString> labels;
};

class LoginPathLabelTest : public ::testing::TestWithParam<LabelCase> { };

TEST_P(LoginPathLabelTest, LabelsAreShortAndDistinct)
{
    std::vector<NativePath> paths;
    for (const std::string& path : GetParam().paths)
        paths.emplace_back(path);
    EXPECT_EQ(LoginPathLabels(paths), GetParam().labels);
}

INSTANTIATE_TEST_SUITE_P(Paths, LoginPathLabelTest,
    ::testing::Values(LabelCase { "Distinct", { "/a/north", "/b/south/" }, { "north", "south" } },
        LabelCase { "AlikeLastFolder", { "/x/a/data", "/x/b/data", "/y/c" }, { "a/data", "b/data", "c" } },
        LabelCase { "AlikeParentsToo", { "/p/s/data", "/q/s/data" }, { "p/s/data", "q/s/data" } },
        // Folders that differ only in letter case look alike in the tree: the full texts tell them apart.
        LabelCase { "OtherLetterCase", { "/m/Data", "/M/data" }, { "/m/Data", "/M/data" } },
        LabelCase { "Root", { "/" }, { "/" } }),
    [](const ::testing::TestParamInfo<LabelCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace custodia::test
