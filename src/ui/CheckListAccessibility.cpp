#include "ui/CheckListAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHeaderView>
#include <QPointer>
#include <QTreeWidget>
#include <QVariant>

#include <map>

namespace custodia {

namespace {

constexpr const char* kCheckListProperty = "custodiaCheckList";

// The rows a reader sees, hidden ones (a search that left them out) skipped.
QTreeWidgetItem* VisibleRow(const QTreeWidget& list, int visualRow)
{
    int shown = 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list.topLevelItem(i);
        if (item->isHidden())
            continue;
        if (shown++ == visualRow)
            return item;
    }
    return nullptr;
}

int VisibleRowCount(const QTreeWidget& list)
{
    int shown = 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        shown += list.topLevelItem(i)->isHidden() ? 0 : 1;
    return shown;
}

int VisualRowOf(const QTreeWidget& list, const QTreeWidgetItem* item)
{
    int shown = 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list.topLevelItem(i);
        if (row == item)
            return row->isHidden() ? -1 : shown;
        shown += row->isHidden() ? 0 : 1;
    }
    return -1;
}

// The children are numbered as the tree view numbers them in its own focus events: one row of header
// cells first (there even when the header is hidden), then each shown row's cells.
int ChildIndex(const QTreeWidget& list, int visualRow, int column)
{
    return (visualRow + 1) * list.columnCount() + column;
}

// One cell: the first column's a check box, the others text, the header row's column headers.
class CheckCellAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CheckCellAccessible(QTreeWidget* list, int index)
        : m_list(list)
        , m_index(index)
    {
    }

    bool isValid() const override { return m_list != nullptr && (IsHeader() || Item() != nullptr); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_list != nullptr ? m_list->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_list.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QVector<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation) const override
    {
        return {};
    }
    void setText(QAccessible::Text, const QString&) override { }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid())
            return {};
        return IsHeader() ? m_list->headerItem()->text(Column()) : Item()->text(Column());
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QHeaderView* header = m_list->header();
        const int x = header->sectionViewportPosition(Column());
        const int width = header->sectionSize(Column());
        if (IsHeader())
            return QRect(header->mapToGlobal(QPoint(x, 0)), QSize(width, header->height()));
        const QRect row = m_list->visualItemRect(Item());
        return QRect(m_list->viewport()->mapToGlobal(QPoint(x, row.top())), QSize(width, row.height()));
    }

    QAccessible::Role role() const override
    {
        if (IsHeader())
            return QAccessible::ColumnHeader;
        return IsCheck() ? QAccessible::CheckBox : QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.disabled = !m_list->isEnabled();
        state.invisible = !m_list->isVisible() || (IsHeader() && m_list->isHeaderHidden());
        if (IsHeader())
            return state;
        const QTreeWidgetItem* item = Item();
        state.disabled = state.disabled || !(item->flags() & Qt::ItemIsEnabled);
        state.selectable = true;
        state.selected = item->isSelected();
        state.focusable = true;
        state.focused = m_list->hasFocus() && m_list->currentItem() == item && Column() == 0;
        if (IsCheck()) {
            state.checkable = true;
            state.checked = item->checkState(0) == Qt::Checked;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && IsCheck())
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return { toggleAction() }; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
    void doAction(const QString& name) override
    {
        if (name != toggleAction() || !IsCheck() || state().disabled)
            return;
        QTreeWidgetItem* item = Item();
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }

private:
    int Column() const { return m_index % m_list->columnCount(); }
    bool IsHeader() const { return m_index < m_list->columnCount(); }
    QTreeWidgetItem* Item() const
    {
        if (m_list == nullptr || IsHeader())
            return nullptr;
        return VisibleRow(*m_list, m_index / m_list->columnCount() - 1);
    }
    bool IsCheck() const
    {
        const QTreeWidgetItem* item = Item();
        return item != nullptr && Column() == 0 && (item->flags() & Qt::ItemIsUserCheckable);
    }

    QPointer<QTreeWidget> m_list;
    int m_index;
};

class CheckListAccessible final : public QAccessibleWidget {
public:
    explicit CheckListAccessible(QTreeWidget* list)
        : QAccessibleWidget(list, QAccessible::List)
    {
    }
    ~CheckListAccessible() override
    {
        for (const auto& [index, id] : m_cells)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return (VisibleRowCount(List()) + 1) * List().columnCount(); }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_cells.find(index);
        if (found == m_cells.end()) {
            auto* cell = new CheckCellAccessible(&List(), index);
            found = m_cells.emplace(index, QAccessible::registerAccessibleInterface(cell)).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (const auto& [index, id] : m_cells) {
            if (QAccessible::accessibleInterface(id) == child)
                return index;
        }
        return -1;
    }
    QAccessibleInterface* focusChild() const override
    {
        const int row = VisualRowOf(List(), List().currentItem());
        return List().hasFocus() && row >= 0 ? child(ChildIndex(List(), row, 0)) : nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint point = List().viewport()->mapFromGlobal(QPoint(x, y));
        const QTreeWidgetItem* item = List().itemAt(point);
        const int row = VisualRowOf(List(), item);
        const int column = List().header()->logicalIndexAt(point.x());
        return row >= 0 && column >= 0 ? child(ChildIndex(List(), row, column)) : nullptr;
    }

private:
    QTreeWidget& List() const { return *static_cast<QTreeWidget*>(widget()); }

    mutable std::map<int, QAccessible::Id> m_cells;
};

QAccessibleInterface* CheckListFactory(const QString&, QObject* object)
{
    auto* list = qobject_cast<QTreeWidget*>(object);
    if (list == nullptr || !list->property(kCheckListProperty).toBool())
        return nullptr;
    return new CheckListAccessible(list);
}

void TellCheckChanged(QTreeWidget* list, QTreeWidgetItem* item, int column)
{
    const int row = VisualRowOf(*list, item);
    if (column != 0 || row < 0 || !QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(list, changed);
    event.setChild(ChildIndex(*list, row, 0));
    QAccessible::updateAccessibility(&event);
}

} // namespace

void ExposeChecksToScreenReaders(QTreeWidget& list)
{
    static const bool installed = [] {
        QAccessible::installFactory(CheckListFactory);
        return true;
    }();
    (void)installed;
    list.setProperty(kCheckListProperty, true);
    // While the accessibility bus listens, making the view already made it an ordinary item view's
    // interface; dropped before anyone saw it, the next question goes through the factory.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&list))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QObject::connect(&list, &QTreeWidget::itemChanged, &list,
        [list = &list](QTreeWidgetItem* item, int column) { TellCheckChanged(list, item, column); });
}

} // namespace custodia
