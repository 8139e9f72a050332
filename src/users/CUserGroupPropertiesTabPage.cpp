#include "users/CUserGroupPropertiesTabPage.h"

#include "ui/ItemIcons.h"
#include "ui/NumberText.h"
#include "ui/WordText.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace custodia {

namespace {

// The row keeps the index of its group in the list it was given.
constexpr int kGroupIndexRole = Qt::UserRole;

} // namespace

CUserGroupPropertiesTabPage::CUserGroupPropertiesTabPage(
    const WordTable& words, UserEntry& entry, const std::vector<GroupEntry>& groups, QWidget* parent)
    : QWidget(parent)
    , m_entry(entry)
    , m_groups(groups)
{
    setObjectName(QStringLiteral("groupPage"));
    auto* label = new QLabel(WordText(words, Word::CurrentGroupLabel), this);
    m_currentGroup = new QLineEdit(this);
    m_currentGroup->setObjectName(QStringLiteral("currentGroup"));
    m_currentGroup->setReadOnly(true);
    // It only repeats the selected row: the keyboard goes straight to the list of groups.
    m_currentGroup->setFocusPolicy(Qt::ClickFocus);
    m_currentGroup->setAccessibleName(label->text());
    label->setBuddy(m_currentGroup);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("groupList"));
    m_list->setAccessibleName(WordText(words, Word::UserGroupPage));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->installEventFilter(this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_currentGroup, 0, 1);
    layout->addWidget(m_list, 1, 0, 1, 2);
    layout->setColumnStretch(1, 1);

    // A group that the list lacks keeps its number; the box stays empty.
    for (const GroupEntry& group : m_groups) {
        if (group.groupNumber == m_entry.user.groupNumber) {
            ShowGroup(group);
            break;
        }
    }
    FillList(words);
    SelectCurrentGroup();
    // The selected row is the choice, however it was selected: a click, the arrow keys or a screen
    // reader's selection.
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { ChooseSelectedRow(); });
}

void CUserGroupPropertiesTabPage::SelectCurrentGroup()
{
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        const auto index = static_cast<size_t>(item->data(0, kGroupIndexRole).toInt());
        if (m_groups.at(index).groupNumber == m_entry.user.groupNumber) {
            m_list->setCurrentItem(item);
            return;
        }
    }
}

void CUserGroupPropertiesTabPage::FillList(const WordTable& words)
{
    m_list->clear();
    m_list->setHeaderLabels({ WordText(words, Word::GroupNumberColumn), WordText(words, Word::GroupNameColumn) });
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    const QIcon icon = ItemIcon(ItemImage::Group);
    for (size_t i = 0; i < m_groups.size(); ++i) {
        auto* row
            = new QTreeWidgetItem(m_list, { ZeroPadded(m_groups[i].groupNumber, 3), StoredText(m_groups[i].name) });
        row->setIcon(0, icon);
        row->setData(0, kGroupIndexRole, static_cast<int>(i));
    }
}

QString CUserGroupPropertiesTabPage::CurrentGroupText() const
{
    return m_currentGroup->text();
}

void CUserGroupPropertiesTabPage::ShowGroup(const GroupEntry& group)
{
    m_currentGroup->setText(ZeroPadded(group.groupNumber, 3) + QStringLiteral(" - ") + StoredText(group.name));
}

void CUserGroupPropertiesTabPage::ChooseSelectedRow()
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const GroupEntry& group = m_groups.at(static_cast<size_t>(selected.first()->data(0, kGroupIndexRole).toInt()));
    ShowGroup(group);
    m_entry.user.groupNumber = static_cast<uint8_t>(group.groupNumber);
}

bool CUserGroupPropertiesTabPage::eventFilter(QObject* watched, QEvent* event)
{
    // Space chooses the row the keyboard stands on when Ctrl+arrows left it unselected; Enter is left
    // to the dialog's OK.
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        if (QTreeWidgetItem* current = m_list->currentItem()) {
            current->setSelected(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace custodia
