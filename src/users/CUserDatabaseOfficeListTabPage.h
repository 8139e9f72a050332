#pragma once

#include "store/DatabaseList.h"
#include "store/UserEntry.h"

#include <QWidget>

#include <array>

class QLabel;
class QTabWidget;
class UiServices;

namespace custodia {

class CUserDatabaseOfficeListTabTabPage;
class WordTable;

// The fourth page of the user properties dialog: one inner tab per database the user may use, each
// with that database's offices. The eleven inner pages live as long as the page, so each keeps its
// folder, switch and ticks while the tabs are rebuilt.
class CUserDatabaseOfficeListTabPage final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kInnerPageCount = 11;
    // Shown, as the only tab, while the user may use no database at all.
    static constexpr const char* kNoDatabaseText
        = "<At least 1 database path must be specified to configure office lists>";

    CUserDatabaseOfficeListTabPage(const WordTable& words, UiServices& ui, UserEntry& entry,
        const DatabaseList& databases, QWidget* parent = nullptr);

    // The tabs for the entry's database mode and ticked slots, the first one showing.
    void RebuildDatabaseTabs();
    void ApplyAllOfficeSelections();

    QTabWidget& InnerTabs() const { return *m_tabs; }
    CUserDatabaseOfficeListTabTabPage& InnerPage(int slot) const { return *m_pages.at(static_cast<size_t>(slot)); }

private:
    void AddTab(QWidget* page, const QString& title, int slot);

    const WordTable& m_words;
    UserEntry& m_entry;
    const DatabaseList& m_databases;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_noDatabase = nullptr;
    std::array<CUserDatabaseOfficeListTabTabPage*, kInnerPageCount> m_pages {};
};

} // namespace custodia
