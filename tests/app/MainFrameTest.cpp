#include "MainWindowFixture.h"

#include "app/CStatusClock.h"

#include <QApplication>
#include <QListView>
#include <QMenuBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

namespace custodia::test {
namespace {

// One create, edit or delete item as a person sees it.
struct CommandView {
    QString text;
    bool enabled;
    bool operator==(const CommandView&) const = default;
};

void PrintTo(const CommandView& command, std::ostream* out)
{
    *out << '"' << command.text.toStdString() << (command.enabled ? "\" on" : "\" off");
}

class MainFrameTest : public MainWindowFixture {
protected:
    QAction& Action(const char* name) const
    {
        auto* action = m_frame->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(action, nullptr) << name;
        return *action;
    }

    // Opens the Edit menu as a person would, reads its three items and closes it again.
    std::vector<CommandView> OpenEditMenu() const
    {
        QMenu& menu = m_frame->EditMenu();
        menu.popup(m_frame->mapToGlobal(QPoint(10, 10)));
        std::vector<CommandView> items;
        for (QAction* action : menu.actions())
            items.push_back({ action->text(), action->isEnabled() });
        menu.hide();
        return items;
    }

    std::vector<CommandView> Commands(const QString& create, bool createOn, const QString& edit, bool editOn,
        const QString& remove, bool removeOn) const
    {
        return { { create, createOn }, { edit, editOn }, { remove, removeOn } };
    }

    QStringList MenuTitles() const
    {
        QStringList titles;
        for (QAction* action : m_frame->menuBar()->actions())
            titles.append(action->text());
        return titles;
    }
};

TEST_F(MainFrameTest, WindowIsLabelledFromTheWords)
{
    OpenWindow();
    EXPECT_EQ(m_frame->windowTitle(), W(795) + " V4.84");
    EXPECT_EQ(MenuTitles(), (QStringList { W(5), W(944), W(584), W(945), W(7) }));

    QStringList viewItems;
    for (QAction* action : m_frame->findChild<QMenu*>("viewMenu")->actions())
        viewItems.append(action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(viewItems, (QStringList { W(940), W(941), W(942), W(943), "-", W(769), W(768) }));

    QStringList helpItems;
    for (QAction* action : m_frame->findChild<QMenu*>("helpMenu")->actions())
        helpItems.append(action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(helpItems, (QStringList { W(9), "-", W(11), W(790) }));
    QStringList fileItems;
    for (QAction* action : m_frame->findChild<QMenu*>("fileMenu")->actions())
        fileItems.append(action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(fileItems, (QStringList { QStringLiteral("&History…"), "-", W(8) }));

    // Toolbar: the popup, a separator, the four presentations and the help bar, each with its tooltip
    // and its status text.
    QStringList toolTips;
    for (QAction* action : m_frame->findChild<QToolBar*>("mainToolBar")->actions()) {
        toolTips.append(action->isSeparator() ? "-" : action->toolTip());
        if (!action->isSeparator()) {
            EXPECT_EQ(action->statusTip(), action->toolTip());
        }
    }
    EXPECT_EQ(toolTips, (QStringList { W(947), "-", W(940), W(941), W(942), W(943), W(733) }));
}

TEST_F(MainFrameTest, TreeTakesTwoHundredPixelsBesideTheItemList)
{
    OpenWindow();
    auto* splitter = m_frame->findChild<QSplitter*>("paneSplitter");
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(splitter->widget(0), &Tree());
    EXPECT_EQ(splitter->widget(1), &View());
    EXPECT_EQ(Tree().width(), CMainFrame::kTreeWidth);
}

TEST_F(MainFrameTest, EditMenuBeforeAnySelectionShowsPlainDisabledCommands)
{
    OpenWindow();
    EXPECT_EQ(OpenEditMenu(), Commands(W(923), false, W(924), false, W(925), false));
}

TEST_F(MainFrameTest, EditMenuFollowsTheModeAndTheSelection)
{
    const std::string path = MakeLoginPath("north");
    AddUser(path, "ann", "", "", 0);
    AddGroup(path, 0, "Everyone");
    OpenWindow();

    const QString addPath = W(933) + " " + W(926) + "...";
    const QString removePath = W(939) + " " + W(926);
    const auto create = [&](int noun) { return W(923) + " " + W(noun) + "..."; };
    const auto edit = [&](int noun) { return W(924) + " " + W(noun) + "..."; };
    const auto remove = [&](int noun) { return W(925) + " " + W(noun); };

    struct Case {
        const char* node;
        QTreeWidgetItem* item;
        std::vector<CommandView> unselected;
        std::vector<CommandView> selected;
    };
    const Case cases[] = {
        { "root", Tree().RootItem(), Commands(addPath, true, W(924), false, removePath, false),
            Commands(addPath, true, W(924), true, removePath, true) },
        { "login path", PathItem(0), Commands(addPath, true, W(924), false, removePath, false),
            Commands(addPath, true, W(924), true, removePath, true) },
        { "users", CategoryItem(0, LoginPathCategory::Users),
            Commands(create(927), true, edit(927), false, remove(927), false),
            Commands(create(927), true, edit(927), true, remove(927), true) },
        { "groups", CategoryItem(0, LoginPathCategory::Groups),
            Commands(create(928), true, edit(928), false, remove(928), false),
            Commands(create(928), true, edit(928), true, remove(928), true) },
        // Database slots are edited in place, never created or deleted.
        { "database paths", CategoryItem(0, LoginPathCategory::DatabasePaths),
            Commands(create(987), false, edit(987), false, remove(987), false),
            Commands(create(987), false, edit(987), true, remove(987), false) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        Select(c.item);
        EXPECT_EQ(OpenEditMenu(), c.unselected);
        View().SelectRow(0);
        EXPECT_EQ(OpenEditMenu(), c.selected);
    }
}

TEST_F(MainFrameTest, ToolbarPopupOffersCreateDeleteEditLabelledLikeTheMenu)
{
    const std::string path = MakeLoginPath("north");
    AddUser(path, "ann", "", "", 0);
    OpenWindow();
    View().SelectRow(0);

    std::vector<CommandView> shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            for (QAction* action : popup->actions())
                shown.push_back({ action->text(), action->isEnabled() });
            popup->close();
        }
    });
    Action("commandPopupButton").trigger();

    const std::vector<CommandView> expected { { W(923) + " " + W(927) + "...", true }, { W(925) + " " + W(927), true },
        { W(924) + " " + W(927) + "...", true },
        // The rows shown can be exported from the same popup.
        { QString(), true }, { W(583), true } };
    EXPECT_EQ(shown, expected);
}

TEST_F(MainFrameTest, ClockShowsDateWithSlashesAndTimeWithSeconds)
{
    std::tm now {};
    now.tm_year = 2024 - 1900;
    now.tm_mon = 2;
    now.tm_mday = 7;
    now.tm_hour = 9;
    now.tm_min = 5;
    now.tm_sec = 3;
    SetLocalTimeFunction([&] { return std::optional<std::tm>(now); });
    OpenWindow();

    CStatusClock& clock = m_frame->Clock();
    EXPECT_EQ(clock.text(), " 07/03/2024  09:05:03");
    EXPECT_TRUE(clock.Timer().isActive());
    EXPECT_EQ(clock.Timer().interval(), 1000);
    EXPECT_FALSE(clock.Timer().isSingleShot());

    now.tm_mday = 31;
    now.tm_mon = 11;
    now.tm_hour = 23;
    now.tm_min = 59;
    now.tm_sec = 59;
    clock.Tick();
    EXPECT_EQ(clock.text(), " 31/12/2024  23:59:59");
    // The pane is wide enough for any time in the status bar's font.
    EXPECT_GE(clock.minimumWidth(), clock.fontMetrics().horizontalAdvance(clock.text()));
}

TEST_F(MainFrameTest, PresentationsSwitchInPlaceAndKeepTheSelection)
{
    const std::string path = MakeLoginPath("north");
    AddUser(path, "ann", "", "", 0);
    AddUser(path, "bob", "", "", 0);
    OpenWindow();
    View().SelectRow(1);

    struct Case {
        int word;
        Presentation presentation;
    };
    const Case cases[] = {
        { 940, Presentation::LargeIcons },
        { 941, Presentation::SmallIcons },
        { 942, Presentation::List },
        { 943, Presentation::Details },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        QAction* action = nullptr;
        for (QAction* candidate : m_frame->findChild<QMenu*>("viewMenu")->actions()) {
            if (candidate->text() == W(c.word))
                action = candidate;
        }
        ASSERT_NE(action, nullptr);
        action->trigger();
        EXPECT_TRUE(action->isChecked());
        EXPECT_EQ(View().GetPresentation(), c.presentation);
        QAbstractItemView* view = View().CurrentItemView();
        EXPECT_TRUE(view->isVisible());
        EXPECT_EQ(view->model(), &Model());
        EXPECT_EQ(View().SelectedRow(), 1);
        if (auto* icons = qobject_cast<QListView*>(view)) {
            EXPECT_EQ(icons->viewMode(),
                c.presentation == Presentation::LargeIcons ? QListView::IconMode : QListView::ListMode);
            EXPECT_EQ(icons->iconSize().width(), c.presentation == Presentation::LargeIcons ? 32 : 16);
        } else {
            EXPECT_EQ(c.presentation, Presentation::Details);
        }
    }
}

TEST_F(MainFrameTest, F6MovesTheFocusBetweenThePanes)
{
    MakeLoginPath("north");
    OpenWindow();
    QApplication::setActiveWindow(m_frame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_frame.get()));
    Tree().setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Tree().hasFocus(); }));

    QTest::keyClick(m_frame.get(), Qt::Key_F6);
    EXPECT_TRUE(View().CurrentItemView()->hasFocus());
    QTest::keyClick(m_frame.get(), Qt::Key_F6);
    EXPECT_TRUE(Tree().hasFocus());
    QTest::keyClick(m_frame.get(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(View().CurrentItemView()->hasFocus());
}

TEST_F(MainFrameTest, AboutIsHandedOnAndTheHelpBarCommandsWaitForTheirBar)
{
    OpenWindow();
    QSignalSpy about(m_frame.get(), &CMainFrame::aboutRequested);
    for (QAction* action : m_frame->findChild<QMenu*>("helpMenu")->actions()) {
        if (action->text() == W(790))
            action->trigger();
    }
    EXPECT_EQ(about.count(), 1);

    QAction& helpBar = Action("toggleHelpBar");
    helpBar.trigger();
    EXPECT_FALSE(helpBar.isChecked());
    EXPECT_FALSE(m_frame->IsHelpBarShown());
    EXPECT_TRUE(m_ui.messages.empty());
}

} // namespace
} // namespace custodia::test
