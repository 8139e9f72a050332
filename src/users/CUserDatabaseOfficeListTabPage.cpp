#include "users/CUserDatabaseOfficeListTabPage.h"

#include "store/UserAccessRecord.h"
#include "ui/WordText.h"
#include "users/CUserDatabaseOfficeListTabTabPage.h"
#include "users/CUserDatabasePropertiesTabPage.h"

#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace custodia {

namespace {

// A tab that shows no database page.
constexpr int kNoSlot = -1;

} // namespace

CUserDatabaseOfficeListTabPage::CUserDatabaseOfficeListTabPage(
    const WordTable& words, UiServices& ui, UserEntry& entry, const DatabaseList& databases, QWidget* parent)
    : QWidget(parent)
    , m_words(words)
    , m_entry(entry)
    , m_databases(databases)
{
    setObjectName(QStringLiteral("officeListPage"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("databaseTabs"));
    m_tabs->setUsesScrollButtons(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    m_noDatabase = new QLabel(QLatin1String(kNoDatabaseText), this);
    m_noDatabase->setObjectName(QStringLiteral("noDatabase"));
    m_noDatabase->setAlignment(Qt::AlignCenter);
    m_noDatabase->setWordWrap(true);
    m_noDatabase->hide();
    for (int slot = 0; slot < kInnerPageCount; ++slot) {
        m_pages[static_cast<size_t>(slot)]
            = new CUserDatabaseOfficeListTabTabPage(words, ui, slot, entry, databases, this);
        m_pages[static_cast<size_t>(slot)]->hide();
    }
    RebuildDatabaseTabs();
}

void CUserDatabaseOfficeListTabPage::AddTab(QWidget* page, const QString& title, int slot)
{
    const int index = m_tabs->addTab(page, title);
    m_tabs->tabBar()->setTabData(index, slot);
}

void CUserDatabaseOfficeListTabPage::RebuildDatabaseTabs()
{
    // Removing a tab keeps its page: it comes back with its state when its database is ticked again.
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    const UserRecord& user = m_entry.user;
    if (user.databaseMode != 0) {
        for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
            if ((user.databaseMask & (1u << slot)) != 0)
                AddTab(m_pages[static_cast<size_t>(slot)], DatabaseSlotTitle(slot, m_databases), slot);
        }
    } else {
        AddTab(m_pages[accessrecord::kCurrentDatabaseSlot], WordText(m_words, Word::CurrentDatabasePath),
            accessrecord::kCurrentDatabaseSlot);
    }
    if (m_tabs->count() == 0)
        AddTab(m_noDatabase, QLatin1String(kNoDatabaseText), kNoSlot);
    m_tabs->setCurrentIndex(0);
}

void CUserDatabaseOfficeListTabPage::ApplyAllOfficeSelections()
{
    for (CUserDatabaseOfficeListTabTabPage* page : m_pages)
        page->ApplySelections();
}

} // namespace custodia
