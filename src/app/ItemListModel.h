#pragma once

#include "app/CCustodiaDoc.h"
#include "app/ListMode.h"
#include "platform/NativePath.h"
#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace custodia {

class WordTable;

// The rows of the modes that do not list a store entry of their own.
struct LoginPathRow {
    NativePath path;
};
struct CategoryRow {
    LoginPathCategory category;
};
struct DatabaseSlotRow {
    int slot;
};

// What the item list shows, one mode at a time: the managed login paths, the categories of one login
// path, or that login path's users, groups or database slots. It holds the lists as loaded, in their
// file order, for the commands; the views only display it (sorted and filtered by a proxy).
class ItemListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class LoginPathColumn { Path, Count };
    enum class CategoryColumn { Name, Count };
    enum class UserColumn { Name, FullName, Group, Description, Count };
    enum class GroupColumn { Number, Name, Count };
    enum class DatabaseColumn { Description, Path, Count };

    // Numbers (group numbers, slots) as numbers, so 2 sorts before 10; other cells as their text.
    static constexpr int kSortRole = Qt::UserRole + 1;

    explicit ItemListModel(const WordTable& words, QObject* parent = nullptr);

    void Clear();
    void SetLoginPaths(std::vector<NativePath> paths);
    void SetCategories(const NativePath& loginPath);
    void SetUsers(std::vector<UserEntry> users, std::vector<GroupEntry> groups, DatabaseList databases);
    void SetGroups(std::vector<GroupEntry> groups);
    void SetDatabases(DatabaseList databases);

    ListMode Mode() const { return m_mode; }
    // The login path whose categories are shown (mode 2), else empty.
    const NativePath& CategoriesLoginPath() const { return m_categoriesPath; }
    const std::vector<UserEntry>& Users() const { return m_users; }
    const std::vector<GroupEntry>& Groups() const { return m_groups; }
    const DatabaseList& Databases() const { return m_databases; }

    // The entry a row of the present mode stands for; null for another mode's row type or a bad index.
    template <class Row> const Row* EntryForIndex(const QModelIndex& index) const;
    // What stays the same for a row across a reload (a name, a number, a path), to find it again.
    QString RowKey(int row) const;
    // The rows whose key is one of these, in row order.
    std::vector<int> RowsWithKeys(const QStringList& keys) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // A row's cells are made when first asked for and then kept until the next load: a fill of
    // thousands of rows only shows a screenful, while a sort or a filter reads every cell many times.
    const QStringList& Cells(int row) const;
    QStringList MakeCells(int row) const;
    QVariant SortNumber(int row) const;
    void Reset(ListMode mode, QStringList headers, size_t rows);
    const QString& GroupCell(int groupNumber) const;
    int NumberedColumn() const;
    bool IsRow(const QModelIndex& index) const;

    const WordTable& m_words;
    ListMode m_mode = ListMode::None;
    QStringList m_headers;
    size_t m_rowCount = 0;
    mutable std::vector<std::optional<QStringList>> m_cells;
    mutable std::map<int, QString> m_groupCells;
    NativePath m_categoriesPath;
    std::vector<LoginPathRow> m_loginPaths;
    std::vector<CategoryRow> m_categories;
    std::vector<UserEntry> m_users;
    std::vector<GroupEntry> m_groups;
    DatabaseList m_databases;
    std::vector<DatabaseSlotRow> m_slots;
};

template <> const LoginPathRow* ItemListModel::EntryForIndex<LoginPathRow>(const QModelIndex& index) const;
template <> const CategoryRow* ItemListModel::EntryForIndex<CategoryRow>(const QModelIndex& index) const;
template <> const UserEntry* ItemListModel::EntryForIndex<UserEntry>(const QModelIndex& index) const;
template <> const GroupEntry* ItemListModel::EntryForIndex<GroupEntry>(const QModelIndex& index) const;
template <> const DatabaseSlotRow* ItemListModel::EntryForIndex<DatabaseSlotRow>(const QModelIndex& index) const;

} // namespace custodia
