#pragma once

#include "app/ItemIcons.h"
#include "app/ListMode.h"
#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <QStandardItemModel>
#include <QWidget>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAbstractItemView;
class QListView;
class QStackedWidget;
class QTreeView;

namespace custodia {

class CCustodiaDoc;
struct LoginPathEntry;
class WordTable;

// The right pane: the items under the node selected in the tree. What it lists is read from the
// login path's files on every fill, so it always shows what is on disk; the loaded lists stay here for
// the commands, which act on its rows.
//
// One model, shown either by a table (details) or by an icon/list view, switched in place, so the
// selection survives a change of presentation.
class CCustodiaView final : public QWidget {
    Q_OBJECT

public:
    CCustodiaView(const WordTable& words, CCustodiaDoc& doc, QWidget* parent = nullptr);

    void ShowLoginPaths();
    void ShowCategories(const std::string& loginPath);
    void ShowUsers(const std::string& loginPath);
    void ShowGroups(const std::string& loginPath);
    void ShowDatabasePaths(const std::string& loginPath);
    void ClearList();

    // Reload from the store and list again, keeping the columns.
    void FillUsers(const std::string& loginPath);
    void FillGroups(const std::string& loginPath);
    void FillDatabasePaths(const std::string& loginPath);
    // Rebuilds the columns for the current width and fills again, in the modes that read the store.
    void RefreshList();

    ListMode Mode() const { return m_mode; }
    std::optional<Word> ModeNoun() const { return ModeNounWord(m_mode); }
    const std::string& CurrentLoginPath() const { return m_loginPath; }
    bool HasSelection() const;
    // The lowest selected row: the commands act on it alone.
    std::optional<int> SelectedRow() const;
    void SelectRow(int row);

    // Rows of the modes that list the store's items, in the order of the loaded lists.
    const std::vector<UserEntry>& Users() const { return m_users; }
    const std::vector<GroupEntry>& Groups() const { return m_groups; }
    const DatabaseList& Databases() const { return m_databases; }
    // The login path a row stands for in modes 1 and 2, or null.
    const std::string* LoginPathAtRow(int row) const;

    void SetPresentation(Presentation presentation);
    Presentation GetPresentation() const { return m_presentation; }
    // The view that shows the rows in the current presentation.
    QAbstractItemView* CurrentItemView() const;
    const QStandardItemModel& Model() const { return m_model; }
    QTreeView& DetailsView() const { return *m_details; }
    // The width the column widths are worked out from.
    int ListClientWidth() const;

signals:
    void editRequested();
    void popupRequested(const QPoint& globalPosition);

private:
    void ConnectItemView(QAbstractItemView& view);
    void SetColumns(const std::vector<std::pair<QString, double>>& columns);
    void SetModeColumns(ListMode mode);
    void AddRow(const QStringList& cells, ItemImage image, int rowData);
    void ListUsers();
    void ListGroups();
    void ListDatabasePaths();
    void RemoveRows();
    QString GroupCell(int groupNumber) const;

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    QStandardItemModel m_model;
    QStackedWidget* m_stack = nullptr;
    QTreeView* m_details = nullptr;
    QListView* m_icons = nullptr;
    Presentation m_presentation = Presentation::Details;

    ListMode m_mode = ListMode::None;
    std::string m_loginPath;
    std::vector<std::string> m_loginPaths; // rows of mode 1
    std::vector<UserEntry> m_users;
    std::vector<GroupEntry> m_groups;
    DatabaseList m_databases;
};

} // namespace custodia
