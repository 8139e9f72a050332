#include "MainWindowFixture.h"

namespace custodia::test {
namespace {

using LeftViewTest = MainWindowFixture;

TEST_F(LeftViewTest, EmptyConfigurationShowsTheRootAloneAndAnEmptyLoginPathList)
{
    OpenWindow();
    ASSERT_EQ(Tree().topLevelItemCount(), 1);
    EXPECT_EQ(Tree().RootItem()->text(0), W(916));
    EXPECT_EQ(Tree().RootItem()->childCount(), 0);
    EXPECT_TRUE(Tree().selectedItems().isEmpty());
    EXPECT_EQ(View().Mode(), ListMode::None);
    EXPECT_EQ(Columns(), 0);

    Select(Tree().RootItem());
    EXPECT_EQ(View().Mode(), ListMode::LoginPaths);
    EXPECT_EQ(Header(0), W(916));
    EXPECT_EQ(Rows(), 0);
}

TEST_F(LeftViewTest, EachLoginPathHasItsCategoriesAndTheFirstOpensOnItsUsers)
{
    const std::string first = MakeLoginPath("north");
    const std::string second = MakeLoginPath("south");
    AddUser(first, "ann", "Ann Smith", "night shift", 1);
    OpenWindow();

    QTreeWidgetItem* root = Tree().RootItem();
    ASSERT_EQ(root->childCount(), 2);
    for (int i = 0; i < 2; ++i) {
        QTreeWidgetItem* path = root->child(i);
        // The folder's name, and the full path on hovering.
        EXPECT_EQ(path->text(0), i == 0 ? "north" : "south");
        EXPECT_EQ(path->toolTip(0).toStdString(), i == 0 ? first : second);
        ASSERT_EQ(path->childCount(), 3);
        EXPECT_EQ(path->child(0)->text(0), W(917));
        EXPECT_EQ(path->child(1)->text(0), W(918));
        EXPECT_EQ(path->child(2)->text(0), W(988));
    }
    // The tree keeps the items of each path, so a category is selected without searching.
    const CLeftView::PathItems* items = Tree().ItemsOf(NativePath(second));
    ASSERT_NE(items, nullptr);
    EXPECT_EQ(items->path, root->child(1));
    EXPECT_EQ(items->categories[2], root->child(1)->child(2));

    EXPECT_TRUE(root->isExpanded());
    EXPECT_TRUE(root->child(0)->isExpanded());
    EXPECT_EQ(Tree().currentItem(), CategoryItem(0, LoginPathCategory::Users));
    EXPECT_EQ(View().Mode(), ListMode::Users);
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), first);
    EXPECT_EQ(Column(0), QStringList { "ann" });
}

TEST_F(LeftViewTest, FillTreeOpensTheNamedPathOrElseTheFirst)
{
    const std::string first = MakeLoginPath("north");
    const std::string second = MakeLoginPath("south");
    OpenWindow();

    struct Case {
        std::optional<std::string> path;
        int expectedIndex;
    };
    const Case cases[] = {
        { second, 1 },
        { std::nullopt, 0 },
        { m_dir.file("elsewhere"), 0 },
        // The comparison is exact: another letter case names no listed path.
        { m_dir.file("SOUTH"), 0 },
    };
    for (const Case& c : cases) {
        m_frame->FillTree(c.path ? std::optional<NativePath>(NativePath(*c.path)) : std::nullopt);
        EXPECT_EQ(Tree().currentItem(), CategoryItem(c.expectedIndex, LoginPathCategory::Users))
            << c.path.value_or("(none)");
        EXPECT_EQ(View().CurrentLoginPath().Bytes(), c.expectedIndex == 0 ? first : second);
    }
}

TEST_F(LeftViewTest, EveryNodeTypeSwitchesTheItemList)
{
    const std::string path = MakeLoginPath("north");
    OpenWindow();

    struct Case {
        const char* node;
        QTreeWidgetItem* item;
        ListMode mode;
        int rows;
    };
    const Case cases[] = {
        { "root", Tree().RootItem(), ListMode::LoginPaths, 1 },
        { "login path", PathItem(0), ListMode::Categories, 3 },
        { "users", CategoryItem(0, LoginPathCategory::Users), ListMode::Users, 0 },
        { "groups", CategoryItem(0, LoginPathCategory::Groups), ListMode::Groups, 0 },
        { "database paths", CategoryItem(0, LoginPathCategory::DatabasePaths), ListMode::DatabasePaths, 10 },
    };
    for (const Case& c : cases) {
        Select(c.item);
        EXPECT_EQ(View().Mode(), c.mode) << c.node;
        EXPECT_EQ(Rows(), c.rows) << c.node;
    }
    Select(PathItem(0));
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), path);
    Select(Tree().RootItem());
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), "");
}

TEST_F(LeftViewTest, SelectCategoryExpandsTheBranchAndSelectsTheCategory)
{
    MakeLoginPath("north");
    const std::string second = MakeLoginPath("south");
    OpenWindow();
    PathItem(1)->setExpanded(false);
    Tree().RootItem()->setExpanded(false);

    m_frame->SelectCategory(*m_doc->FindLoginPath(NativePath(second)), LoginPathCategory::Groups);
    EXPECT_TRUE(Tree().RootItem()->isExpanded());
    EXPECT_TRUE(PathItem(1)->isExpanded());
    EXPECT_EQ(Tree().currentItem(), CategoryItem(1, LoginPathCategory::Groups));
    EXPECT_EQ(View().Mode(), ListMode::Groups);
    EXPECT_EQ(View().CurrentLoginPath().Bytes(), second);
}

} // namespace
} // namespace custodia::test
