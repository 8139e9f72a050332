#include "MainWindowFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QListView>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <functional>

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

    // The columns end at the list's right edge: nothing behind a sideways scroll bar, nothing empty.
    bool ColumnsFillTheList() const
    {
        const QTreeView& view = View().DetailsView();
        int total = 0;
        for (const int width : ColumnWidths())
            total += width;
        return total == view.viewport()->width() && view.horizontalScrollBar()->maximum() == 0;
    }

    // Every column but the last its part of the units' total, cut to whole pixels; the last the rest.
    void ExpectColumnsFillTheList(const std::vector<double>& units) const
    {
        // The header stretches its last column once the layout has run.
        EXPECT_TRUE(QTest::qWaitFor([&] { return ColumnsFillTheList(); }));
        double total = 0;
        for (const double unit : units)
            total += unit;
        const int width = View().ListClientWidth();
        const std::vector<int> widths = ColumnWidths();
        ASSERT_EQ(widths.size(), units.size());
        for (size_t column = 0; column + 1 < units.size(); ++column)
            EXPECT_EQ(widths[column], static_cast<int>(units[column] / total * width)) << "column " << column;
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

// The specified widths add up to more than the list: they are kept as proportions, and the last column
// takes what the others leave, so every column shows without scrolling sideways, at any width.
TEST_F(CCustodiaViewTest, ColumnsFillTheListInTheSpecifiedProportions)
{
    AddUser(m_path, "ann", "Ann Smith", "night shift", 0);
    OpenWindow();
    struct Case {
        std::function<void()> show;
        std::vector<double> units;
    };
    const Case cases[] = {
        { [&] { ShowCategory(LoginPathCategory::Users); }, { 3, 4, 4, 5 } },
        { [&] { ShowCategory(LoginPathCategory::Groups); }, { 2.5, 9.5 } },
        { [&] { ShowCategory(LoginPathCategory::DatabasePaths); }, { 5, 9.5 } },
        { [&] { Select(Tree().RootItem()); }, { 12 } },
        { [&] { Select(PathItem(0)); }, { 12 } },
    };
    for (const Case& c : cases) {
        c.show();
        for (const int narrower : { 0, 120 }) {
            SCOPED_TRACE(testing::Message() << Columns() << " columns, narrowed by " << narrower);
            if (narrower > 0)
                Narrow(narrower);
            ExpectColumnsFillTheList(c.units);
        }
        m_frame->resize(m_frame->width() + 120, m_frame->height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return ColumnsFillTheList(); }));
    }
}

// A width the supervisor dragged stays the column's part of the list when the list's width changes
// and when the list is shown again; the last column still takes the rest.
TEST_F(CCustodiaViewTest, ADraggedColumnKeepsItsPartOfTheWidth)
{
    AddUser(m_path, "ann", "Ann Smith", "night shift", 0);
    OpenWindow();
    QHeaderView& header = *View().DetailsView().header();
    const int dragged = header.sectionSize(0) + 30;
    const int fullName = header.sectionSize(1);
    header.resizeSection(0, dragged); // as a drag ends
    const double share = static_cast<double>(dragged) / View().ListClientWidth();
    EXPECT_EQ(header.sectionSize(1), fullName) << "the others keep their widths";
    EXPECT_TRUE(QTest::qWaitFor([&] { return ColumnsFillTheList(); }));

    Narrow(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ColumnsFillTheList(); }));
    EXPECT_EQ(header.sectionSize(0), static_cast<int>(share * View().ListClientWidth()));
    ShowCategory(LoginPathCategory::Groups);
    ShowCategory(LoginPathCategory::Users);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ColumnsFillTheList(); }));
    EXPECT_EQ(header.sectionSize(0), static_cast<int>(share * View().ListClientWidth()));
}

// Rows are chosen whole: a double click on a cell partly out of sight edits the row and leaves the
// columns where they were.
TEST_F(CCustodiaViewTest, DoubleClickDoesNotScrollSideways)
{
    AddUser(m_path, "ann", "Ann Smith", "night shift", 0);
    OpenWindow();
    QTreeView& view = View().DetailsView();
    // The other columns now stand beyond the edge, the full name partly in sight.
    view.header()->resizeSection(0, view.viewport()->width() - 40);
    QScrollBar& sideways = *view.horizontalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sideways.maximum() > 0; }));
    ASSERT_EQ(sideways.value(), 0);
    const QPoint inFullName(view.viewport()->width() - 10, view.visualRect(Model().index(0, 1)).center().y());
    ASSERT_EQ(view.indexAt(inFullName).column(), 1);

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, inFullName);
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, inFullName);
    QCoreApplication::processEvents();
    EXPECT_EQ(sideways.value(), 0);
    view.setCurrentIndex(Model().index(0, 3));
    EXPECT_EQ(sideways.value(), 0) << "nor does a current cell beyond the edge";
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
