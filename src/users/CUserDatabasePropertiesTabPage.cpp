#include "users/CUserDatabasePropertiesTabPage.h"

#include "ui/CheckListAccessibility.h"
#include "ui/NumberText.h"
#include "ui/WordText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace custodia {

QString DatabaseSlotTitle(int slot, const DatabaseList& databases)
{
    return QStringLiteral("[%1]  %2").arg(ZeroPadded(slot + 1, 2), StoredText(databases.GetDescription(slot)));
}

CUserDatabasePropertiesTabPage::CUserDatabasePropertiesTabPage(
    const WordTable& words, UserEntry& entry, const DatabaseList& databases, QWidget* parent)
    : QWidget(parent)
    , m_entry(entry)
    , m_databases(databases)
{
    setObjectName(QStringLiteral("databasePage"));
    m_current = new QRadioButton(WordText(words, Word::CurrentDatabasePath), this);
    m_current->setObjectName(QStringLiteral("currentDatabase"));
    m_selected = new QRadioButton(WordText(words, Word::SelectedDatabasePaths), this);
    m_selected->setObjectName(QStringLiteral("selectedDatabases"));
    m_list = new QTreeWidget(this);
    ExposeChecksToScreenReaders(*m_list);
    m_list->setObjectName(QStringLiteral("databaseList"));
    m_list->setAccessibleName(WordText(words, Word::SelectedDatabasePaths));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto* choices = new QHBoxLayout;
    choices->addWidget(m_current);
    choices->addWidget(m_selected);
    choices->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(m_list);

    FillList(words);
    const bool selectedOnly = m_entry.user.databaseMode != 0;
    (selectedOnly ? m_selected : m_current)->setChecked(true);
    m_list->setEnabled(selectedOnly);
    connect(m_selected, &QRadioButton::toggled, m_list, &QWidget::setEnabled);
}

void CUserDatabasePropertiesTabPage::FillList(const WordTable& words)
{
    m_list->clear();
    m_list->setHeaderLabels({ WordText(words, Word::DescriptionColumn), WordText(words, Word::DatabasePathTitle) });
    m_list->header()->setStretchLastSection(true);
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
        auto* row = new QTreeWidgetItem(
            m_list, { DatabaseSlotTitle(slot, m_databases), StoredText(m_databases.GetPath(slot)) });
        row->setToolTip(1, row->text(1));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        const bool ticked = (m_entry.user.databaseMask & (1u << slot)) != 0;
        row->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_list->resizeColumnToContents(0);
}

void CUserDatabasePropertiesTabPage::ApplySelections()
{
    uint32_t mask = 0;
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
        if (m_list->topLevelItem(slot)->checkState(0) == Qt::Checked)
            mask |= 1u << slot;
    }
    m_entry.user.databaseMask = mask;
    m_entry.user.databaseMode = m_current->isChecked() ? 0 : 1;
}

} // namespace custodia
