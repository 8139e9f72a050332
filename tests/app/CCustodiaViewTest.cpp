#include "MainWindowFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QListView>
#include <QTimer>
#include <QTreeView>

namespace custodia::test {
namespace {

class CCustodiaViewTest : public MainWindowFixture {
protected:
    std::string m_path;

    void SetUp() override { m_path = MakeLoginPath("north"); }

    void ShowCategory(LoginPathCategory category) const { Select(CategoryItem(0, category)); }

    std::vector<int> ColumnWidths() const
    {
        std::vector<int> widths;
        for (int column = 0; column < Columns(); ++column)
            widths.push_back(View().DetailsView().columnWidth(column));
        return widths;
    }

    void Narrow(int pixels) const
    {
        const int before = View().ListClientWidth();
        m_frame->resize(m_frame->width() - pixels, m_frame->height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return View().ListClientWidth() < before; }));
    }

    // Column widths in units of u, worked out from the list's present width.
    std::vector<int> ExpectedWidths(const std::vector<double>& units) const
    {
        const int width = View().ListClientWidth();
        const int u = (width - width / 12) / 12;
        std::vector<int> widths;
        for (const double unit : units)
            widths.push_back(static_cast<int>(unit * u));
        return widths;
    }
};

TEST_F(CCustodiaViewTest, UsersShowTheirTextsAndTheirGroupByNumberAndName)
{
    AddGroup(m_path, 7, "Operators");
    AddUser(m_path, "ann", "Ann Smith", "night shift", 7);
    AddUser(m_path, "bob", "Bob Jones", "", 12);
    OpenWindow();
    ShowCategory(LoginPathCategory::Users);

    EXPECT_EQ(View().Mode(), ListMode::Users);
    EXPECT_EQ(
        (QStringList { Header(0), Header(1), Header(2), Header(3) }), (QStringList { W(860), W(854), W(853), W(855) }));
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ((QStringList { Cell(0, 0), Cell(0, 1), Cell(0, 2), Cell(0, 3) }),
        (QStringList { "ann", "Ann Smith", "007 - Operators", "night shift" }));
    // No group 12 in the login path: the number stays, the name says so.
    EXPECT_EQ(Cell(1, 2), "012 - " + W(932));
    EXPECT_EQ(View().ModeNoun(), Word::UserItem);
}

TEST_F(CCustodiaViewTest, LoginPathWithoutAnyFilesListsNoUsersNoGroupsAndTenEmptySlots)
{
    OpenWindow();
    ShowCategory(LoginPathCategory::Users);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Columns(), 4);
    ShowCategory(LoginPathCategory::Groups);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Columns(), 2);
    ShowCategory(LoginPathCategory::DatabasePaths);
    EXPECT_EQ(Column(0), (QStringList { "01 ", "02 ", "03 ", "04 ", "05 ", "06 ", "07 ", "08 ", "09 ", "10 " }));
}

TEST_F(CCustodiaViewTest, GroupsShowThreeDigitNumbersInAscendingOrder)
{
    AddGroup(m_path, 12, "Viewers");
    AddGroup(m_path, 3, "Supervisors");
    OpenWindow();
    ShowCategory(LoginPathCategory::Groups);

    EXPECT_EQ((QStringList { Header(0), Header(1) }), (QStringList { W(119), W(117) }));
    EXPECT_EQ(Column(0), (QStringList { "003", "012" }));
    EXPECT_EQ(Column(1), (QStringList { "Supervisors", "Viewers" }));
    EXPECT_EQ(View().ModeNoun(), Word::GroupItem);
}

TEST_F(CCustodiaViewTest, DatabasePathsAlwaysShowTheTenSlots)
{
    SetDatabaseSlot(m_path, 0, "Head office", "/data/head");
    SetDatabaseSlot(m_path, 9, "Depot", "/data/depot");
    // Slots beyond the ten the console edits are never listed.
    SetDatabaseSlot(m_path, 12, "Hidden", "/data/hidden");
    OpenWindow();
    ShowCategory(LoginPathCategory::DatabasePaths);

    EXPECT_EQ((QStringList { Header(0), Header(1) }), (QStringList { W(855), W(987) }));
    ASSERT_EQ(Rows(), 10);
    EXPECT_EQ(Cell(0, 0), "01 Head office");
    EXPECT_EQ(Cell(0, 1), "/data/head");
    EXPECT_EQ(Cell(4, 0), "05 ");
    EXPECT_EQ(Cell(4, 1), "");
    EXPECT_EQ(Cell(9, 0), "10 Depot");
    EXPECT_EQ(Cell(9, 1), "/data/depot");
    EXPECT_EQ(View().ModeNoun(), Word::DatabasePathTitle);
}

TEST_F(CCustodiaViewTest, LoginPathsAndCategoriesListTheDocument)
{
    const std::string second = MakeLoginPath("south");
    OpenWindow();

    Select(Tree().RootItem());
    EXPECT_EQ(Columns(), 1);
    EXPECT_EQ(Column(0), (QStringList { QString::fromStdString(m_path), QString::fromStdString(second) }));
    EXPECT_EQ(View().ModeNoun(), Word::LoginPathItem);

    Select(PathItem(1));
    EXPECT_EQ(Header(0).toStdString(), second);
    EXPECT_EQ(Column(0), (QStringList { W(917), W(918), W(988) }));
    EXPECT_EQ(View().ModeNoun(), Word::LoginPathItem);
}

TEST_F(CCustodiaViewTest, EveryFillReadsTheFilesAgain)
{
    AddUser(m_path, "ann", "", "", 0);
    OpenWindow();
    ASSERT_EQ(Column(0), QStringList { "ann" });

    // Another program changes the files while the list is shown.
    AddUser(m_path, "carl", "", "", 0);
    AddGroup(m_path, 0, "Everyone");
    ShowCategory(LoginPathCategory::Groups);
    EXPECT_EQ(Column(1), QStringList { "Everyone" });
    ShowCategory(LoginPathCategory::Users);
    EXPECT_EQ(Column(0), (QStringList { "ann", "carl" }));
    EXPECT_EQ(Cell(1, 2), "000 - Everyone");
}

TEST_F(CCustodiaViewTest, ColumnWidthsFollowTheListWidthInTheStoreModesOnly)
{
    OpenWindow();
    struct Case {
        LoginPathCategory category;
        std::vector<double> units;
    };
    const Case cases[] = {
        { LoginPathCategory::Users, { 3, 4, 4, 5 } },
        { LoginPathCategory::Groups, { 2.5, 9.5 } },
        { LoginPathCategory::DatabasePaths, { 5, 9.5 } },
    };
    for (const Case& c : cases) {
        ShowCategory(c.category);
        EXPECT_EQ(ColumnWidths(), ExpectedWidths(c.units));
    }
    Select(Tree().RootItem());
    EXPECT_EQ(ColumnWidths(), ExpectedWidths({ 12 }));
    const std::vector<int> loginPathWidths = ColumnWidths();

    Narrow(200);
    // Modes 1 and 2 keep the widths they were made with until the next selection.
    ItemList().RefreshList();
    EXPECT_EQ(ColumnWidths(), loginPathWidths);

    for (const Case& c : cases) {
        ShowCategory(c.category);
        const std::vector<int> before = ColumnWidths();
        Narrow(60);
        ItemList().RefreshList();
        EXPECT_EQ(ColumnWidths(), ExpectedWidths(c.units));
        EXPECT_NE(ColumnWidths(), before);
    }
}

TEST_F(CCustodiaViewTest, DoubleClickEditsTheRow)
{
    const std::string second = MakeLoginPath("south");
    OpenWindow();
    Select(Tree().RootItem());

    QTreeView& view = View().DetailsView();
    const QRect rect = view.visualRect(Model().index(1, 0));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, rect.center());

    EXPECT_EQ(Tree().currentItem(), CategoryItem(1, LoginPathCategory::Users));
    EXPECT_EQ(View().Mode(), ListMode::Users);
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), second);
}

TEST_F(CCustodiaViewTest, RightClickOpensTheCommandPopupAtTheMouse)
{
    AddUser(m_path, "ann", "", "", 0);
    OpenWindow();
    QTreeView& view = View().DetailsView();
    const QPoint position = view.visualRect(Model().index(0, 0)).center();
    const QPoint global = view.viewport()->mapToGlobal(position);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, position);

    QStringList shown;
    QPoint shownAt;
    QTimer::singleShot(0, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            shownAt = popup->pos();
            for (QAction* action : popup->actions())
                shown.append(action->text());
            popup->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, global);
    QApplication::sendEvent(view.viewport(), &event);

    // The three commands, then (after a separator) the export of the rows shown.
    EXPECT_EQ(shown,
        (QStringList {
            W(923) + " " + W(927) + "...", W(925) + " " + W(927), W(924) + " " + W(927) + "...", QString(), W(583) }));
    EXPECT_EQ(shownAt, global);
}

} // namespace
} // namespace custodia::test
