#pragma once

#include "store/DatabaseList.h"
#include "store/UserEntry.h"

#include <QWidget>

class QRadioButton;
class QTreeWidget;

namespace custodia {

class WordTable;

// The third page of the user properties dialog: whether the user works with the database that is
// current in the suite's programs, or only with the ticked slots of the database list. Ticks stay,
// and are written, while the list is greyed in the current-database mode.
class CUserDatabasePropertiesTabPage final : public QWidget {
    Q_OBJECT

public:
    CUserDatabasePropertiesTabPage(
        const WordTable& words, UserEntry& entry, const DatabaseList& databases, QWidget* parent = nullptr);

    // Writes the mode and the ticked slots into the entry.
    void ApplySelections();

    QTreeWidget& SlotList() const { return *m_list; }

private:
    void FillList(const WordTable& words);

    UserEntry& m_entry;
    const DatabaseList& m_databases;
    QRadioButton* m_current = nullptr;
    QRadioButton* m_selected = nullptr;
    QTreeWidget* m_list = nullptr;
};

// "[%02d]  %s": a slot's number from 1 and its description, as the slot lists and tabs show it.
QString DatabaseSlotTitle(int slot, const DatabaseList& databases);

} // namespace custodia
