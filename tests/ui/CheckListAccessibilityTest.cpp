#include "ui/CheckListAccessibility.h"

#include <QAccessible>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace custodia::test {
namespace {

QTreeWidgetItem* AddRow(QTreeWidget& list, const QString& text, Qt::CheckState state)
{
    auto* item = new QTreeWidgetItem(&list, { text, text + QStringLiteral(" more") });
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, state);
    return item;
}

// While a screen reader listens, Qt makes a view's interface as the view is made, before the list can
// be handed in: the list must still end up with check boxes.
TEST(CheckListAccessibilityTest, AListWhoseInterfaceWasMadeFirstStillShowsCheckBoxes)
{
    QTreeWidget list;
    list.setColumnCount(2);
    ASSERT_NE(QAccessible::queryAccessibleInterface(&list), nullptr);
    ExposeChecksToScreenReaders(list);
    AddRow(list, QStringLiteral("first"), Qt::Unchecked);
    QTreeWidgetItem* second = AddRow(list, QStringLiteral("second"), Qt::Checked);

    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
    ASSERT_EQ(view->childCount(), 3 * 2);
    QAccessibleInterface* box = view->child(2 * 2);
    EXPECT_EQ(box->role(), QAccessible::CheckBox);
    EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("second"));
    EXPECT_TRUE(box->state().checked);
    EXPECT_EQ(view->child(2 * 2 + 1)->text(QAccessible::Name), QStringLiteral("second more"));
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(second->checkState(0), Qt::Unchecked);

    // A hidden row is not read; the cells after it move up.
    list.topLevelItem(0)->setHidden(true);
    EXPECT_EQ(view->childCount(), 2 * 2);
    EXPECT_EQ(view->child(2)->text(QAccessible::Name), QStringLiteral("second"));
}

} // namespace
} // namespace custodia::test
