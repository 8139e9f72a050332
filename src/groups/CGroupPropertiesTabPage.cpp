#include "groups/CGroupPropertiesTabPage.h"

#include "store/RightsTable.h"
#include "ui/CheckListAccessibility.h"
#include "ui/WordText.h"

#include <QHeaderView>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace custodia {

namespace {

constexpr int kPositionRole = Qt::UserRole;

} // namespace

CGroupPropertiesTabPage::CGroupPropertiesTabPage(
    const WordTable& words, RightsTable& rights, const RightsPage& page, QWidget* parent)
    : QWidget(parent)
    , m_words(words)
    , m_rights(rights)
    , m_page(page)
{
    m_list = new QTreeWidget(this);
    ExposeChecksToScreenReaders(*m_list);
    m_list->setObjectName(QStringLiteral("rightsList"));
    m_list->setAccessibleName(GetPageTitle());
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    InsertListColumn();
    FillRightsList();
}

QString CGroupPropertiesTabPage::GetPageTitle() const
{
    return WordText(m_words, m_page.titleWord);
}

void CGroupPropertiesTabPage::InsertListColumn()
{
    // One column as wide as the list; its heading would be empty, so there is none.
    m_list->setColumnCount(1);
    m_list->setHeaderHidden(true);
    m_list->header()->setStretchLastSection(true);
}

bool CGroupPropertiesTabPage::IsGranted(int position) const
{
    // Any stored value but 0 counts as granted; StoreSelections then writes it back as 1.
    const RightsTable::Row* row = m_rights.GetRow(m_page.program);
    return row != nullptr && (*row)[static_cast<size_t>(position)] != 0;
}

void CGroupPropertiesTabPage::FillRightsList()
{
    m_list->clear();
    // Drawn once, not once a row.
    m_list->setUpdatesEnabled(false);
    for (const RightRow& right : m_page.rows) {
        auto* item = new QTreeWidgetItem(m_list, { WordText(m_words, right.labelWord) });
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setData(0, kPositionRole, right.position);
        item->setCheckState(0, IsGranted(right.position) ? Qt::Checked : Qt::Unchecked);
    }
    m_list->setUpdatesEnabled(true);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
}

int CGroupPropertiesTabPage::StoreSelections()
{
    const int rows = m_list->topLevelItemCount();
    for (int i = 0; i < rows; ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        const bool granted = item->checkState(0) == Qt::Checked;
        m_rights.Set(m_page.program, item->data(0, kPositionRole).toInt(), granted ? 1 : 0);
    }
    return rows;
}

void CGroupPropertiesTabPage::InvertSelections()
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
}

int CGroupPropertiesTabPage::ShowMatching(const QStringList& words)
{
    int shown = 0;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        const QString label = item->text(0);
        const bool matches = std::all_of(
            words.begin(), words.end(), [&](const QString& word) { return label.contains(word, Qt::CaseInsensitive); });
        item->setHidden(!matches);
        shown += matches ? 1 : 0;
    }
    return shown;
}

} // namespace custodia
