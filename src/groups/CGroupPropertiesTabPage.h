#pragma once

#include "store/RightsCatalogue.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QTreeWidget;

namespace custodia {

class RightsTable;
class WordTable;

// One page of a group's rights: a list with one check box per right of one program. The ticks live in
// the list until StoreSelections writes them into the dialog's rights table; each row carries the byte
// position of its right.
class CGroupPropertiesTabPage final : public QWidget {
    Q_OBJECT

public:
    // The table is the group dialog's own; the page reads and writes its program's row only.
    CGroupPropertiesTabPage(const WordTable& words, RightsTable& rights, const RightsPage& page, QWidget* parent);

    QString GetPageTitle() const;
    // Writes every row's tick into the program's row of the table: 1 ticked, 0 not. Returns the number
    // of rows.
    int StoreSelections();
    // Flips every tick; the table is not touched.
    void InvertSelections();
    // Shows only the rights whose label holds every one of the words, in any case; all of them for no
    // words. Returns the number shown.
    int ShowMatching(const QStringList& words);

    QTreeWidget* List() const { return m_list; }

private:
    void InsertListColumn();
    void FillRightsList();
    bool IsGranted(int position) const;

    const WordTable& m_words;
    RightsTable& m_rights;
    const RightsPage& m_page;
    QTreeWidget* m_list = nullptr;
};

} // namespace custodia
