#pragma once

#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <QWidget>

#include <vector>

class QLineEdit;
class QTreeWidget;

namespace custodia {

class WordTable;

// The second page of the user properties dialog: the user's group. The selected row is the user's
// group in the entry, at once; the user's group is selected when the page is made.
class CUserGroupPropertiesTabPage final : public QWidget {
    Q_OBJECT

public:
    CUserGroupPropertiesTabPage(
        const WordTable& words, UserEntry& entry, const std::vector<GroupEntry>& groups, QWidget* parent = nullptr);

    QTreeWidget& GroupList() const { return *m_list; }
    QString CurrentGroupText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillList(const WordTable& words);
    void ChooseSelectedRow();
    void SelectCurrentGroup();
    void ShowGroup(const GroupEntry& group);

    UserEntry& m_entry;
    const std::vector<GroupEntry>& m_groups;
    QLineEdit* m_currentGroup = nullptr;
    QTreeWidget* m_list = nullptr;
};

} // namespace custodia
