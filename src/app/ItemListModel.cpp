#include "app/ItemListModel.h"

#include "ui/ItemIcons.h"
#include "ui/NumberText.h"
#include "ui/WordText.h"

#include <algorithm>
#include <map>

namespace custodia {

namespace {

// The categories under a login path, in row order.
constexpr Word kCategoryWords[kCategoryCount]
    = { Word::UsersCategory, Word::GroupsCategory, Word::DatabasePathsCategory };

ItemImage RowImage(ListMode mode)
{
    switch (mode) {
    case ListMode::Users:
        return ItemImage::User;
    case ListMode::Groups:
        return ItemImage::Group;
    case ListMode::DatabasePaths:
        return ItemImage::OpenCategory;
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
    return ItemImage::LoginPath;
}

} // namespace

ItemListModel::ItemListModel(const WordTable& words, QObject* parent)
    : QAbstractTableModel(parent)
    , m_words(words)
{
}

void ItemListModel::Reset(ListMode mode, QStringList headers, size_t rows)
{
    beginResetModel();
    m_mode = mode;
    m_headers = std::move(headers);
    m_rowCount = rows;
    m_cells.assign(rows, std::nullopt);
    m_groupCells.clear();
    endResetModel();
}

void ItemListModel::Clear()
{
    m_categoriesPath = {};
    Reset(ListMode::None, {}, 0);
}

void ItemListModel::SetLoginPaths(std::vector<NativePath> paths)
{
    m_loginPaths.clear();
    for (NativePath& path : paths)
        m_loginPaths.push_back({ std::move(path) });
    m_categoriesPath = {};
    Reset(ListMode::LoginPaths, { WordText(m_words, Word::TreeRoot) }, m_loginPaths.size());
}

void ItemListModel::SetCategories(const NativePath& loginPath)
{
    m_categories.clear();
    for (size_t i = 0; i < kCategoryCount; ++i)
        m_categories.push_back({ static_cast<LoginPathCategory>(i) });
    m_categoriesPath = loginPath;
    Reset(ListMode::Categories, { PathText(loginPath) }, m_categories.size());
}

void ItemListModel::SetUsers(std::vector<UserEntry> users, std::vector<GroupEntry> groups, DatabaseList databases)
{
    m_users = std::move(users);
    m_groups = std::move(groups);
    m_databases = std::move(databases);
    m_categoriesPath = {};
    Reset(ListMode::Users,
        { WordText(m_words, Word::UserNameColumn), WordText(m_words, Word::FullNameColumn),
            WordText(m_words, Word::UserGroupColumn), WordText(m_words, Word::DescriptionColumn) },
        m_users.size());
}

void ItemListModel::SetGroups(std::vector<GroupEntry> groups)
{
    m_groups = std::move(groups);
    m_categoriesPath = {};
    Reset(ListMode::Groups, { WordText(m_words, Word::GroupNumberColumn), WordText(m_words, Word::GroupNameColumn) },
        m_groups.size());
}

void ItemListModel::SetDatabases(DatabaseList databases)
{
    m_databases = std::move(databases);
    m_slots.clear();
    // Always the ten slots, empty ones included: a slot is edited in place, never added or removed.
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot)
        m_slots.push_back({ slot });
    m_categoriesPath = {};
    Reset(ListMode::DatabasePaths,
        { WordText(m_words, Word::DescriptionColumn), WordText(m_words, Word::DatabasePathTitle) }, m_slots.size());
}

QStringList ItemListModel::MakeCells(int row) const
{
    const auto index = static_cast<size_t>(row);
    switch (m_mode) {
    case ListMode::LoginPaths:
        return { PathText(m_loginPaths[index].path) };
    case ListMode::Categories:
        return { WordText(m_words, kCategoryWords[index]) };
    case ListMode::Users: {
        const UserRecord& user = m_users[index].user;
        return { StoredText(user.userName), StoredText(user.fullName), GroupCell(user.groupNumber),
            StoredText(user.description) };
    }
    case ListMode::Groups:
        return { ZeroPadded(m_groups[index].groupNumber, 3), StoredText(m_groups[index].name) };
    case ListMode::DatabasePaths: {
        const int slot = m_slots[index].slot;
        return { ZeroPadded(slot + 1, 2) + QLatin1Char(' ') + StoredText(m_databases.GetDescription(slot)),
            StoredText(m_databases.GetPath(slot)) };
    }
    case ListMode::None:
        break;
    }
    return {};
}

const QStringList& ItemListModel::Cells(int row) const
{
    std::optional<QStringList>& cells = m_cells[static_cast<size_t>(row)];
    if (!cells)
        cells = MakeCells(row);
    return *cells;
}

QVariant ItemListModel::SortNumber(int row) const
{
    const auto index = static_cast<size_t>(row);
    switch (m_mode) {
    case ListMode::Users:
        return static_cast<int>(m_users[index].user.groupNumber);
    case ListMode::Groups:
        return m_groups[index].groupNumber;
    case ListMode::DatabasePaths:
        return m_slots[index].slot;
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
    return {};
}

const QString& ItemListModel::GroupCell(int groupNumber) const
{
    auto cell = m_groupCells.find(groupNumber);
    if (cell != m_groupCells.end())
        return cell->second;
    const auto group = std::find_if(
        m_groups.begin(), m_groups.end(), [&](const GroupEntry& entry) { return entry.groupNumber == groupNumber; });
    const QString name = group != m_groups.end() ? StoredText(group->name) : WordText(m_words, Word::UnknownGroup);
    return m_groupCells.emplace(groupNumber, ZeroPadded(groupNumber, 3) + QStringLiteral(" - ") + name).first->second;
}

int ItemListModel::NumberedColumn() const
{
    switch (m_mode) {
    case ListMode::Users:
        return static_cast<int>(UserColumn::Group);
    case ListMode::Groups:
        return static_cast<int>(GroupColumn::Number);
    case ListMode::DatabasePaths:
        return static_cast<int>(DatabaseColumn::Description);
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
    return -1;
}

bool ItemListModel::IsRow(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() >= 0
        && static_cast<size_t>(index.row()) < m_rowCount;
}

QString ItemListModel::RowKey(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_rowCount)
        return {};
    const auto index = static_cast<size_t>(row);
    switch (m_mode) {
    case ListMode::LoginPaths:
        return PathText(m_loginPaths[index].path);
    case ListMode::Users:
        return StoredText(m_users[index].user.userName);
    case ListMode::Groups:
        return QString::number(m_groups[index].groupNumber);
    case ListMode::DatabasePaths:
        return QString::number(m_slots[index].slot);
    case ListMode::Categories:
        return QString::number(row);
    case ListMode::None:
        break;
    }
    return {};
}

std::vector<int> ItemListModel::RowsWithKeys(const QStringList& keys) const
{
    std::vector<int> rows;
    if (keys.isEmpty())
        return rows;
    // Users are matched on their stored names, so that thousands of rows make no text each.
    std::vector<std::string> names;
    if (m_mode == ListMode::Users) {
        for (const QString& key : keys)
            if (const std::optional<std::string> stored = ToStoredText(key))
                names.push_back(*stored);
    }
    for (size_t row = 0; row < m_rowCount; ++row) {
        const bool kept = m_mode == ListMode::Users
            ? std::find(names.begin(), names.end(), m_users[row].user.userName) != names.end()
            : keys.contains(RowKey(static_cast<int>(row)));
        if (kept)
            rows.push_back(static_cast<int>(row));
    }
    return rows;
}

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rowCount);
}

int ItemListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (!IsRow(index) || index.column() >= m_headers.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return Cells(index.row()).value(index.column());
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(ItemIcon(RowImage(m_mode))) : QVariant();
    case kSortRole:
        return index.column() == NumberedColumn() ? SortNumber(index.row())
                                                  : QVariant(Cells(index.row()).value(index.column()));
    default:
        return {};
    }
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_headers.size())
        return {};
    return m_headers[section];
}

Qt::ItemFlags ItemListModel::flags(const QModelIndex& index) const
{
    return IsRow(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

template <> const LoginPathRow* ItemListModel::EntryForIndex<LoginPathRow>(const QModelIndex& index) const
{
    return m_mode == ListMode::LoginPaths && IsRow(index) ? &m_loginPaths[static_cast<size_t>(index.row())] : nullptr;
}

template <> const CategoryRow* ItemListModel::EntryForIndex<CategoryRow>(const QModelIndex& index) const
{
    return m_mode == ListMode::Categories && IsRow(index) ? &m_categories[static_cast<size_t>(index.row())] : nullptr;
}

template <> const UserEntry* ItemListModel::EntryForIndex<UserEntry>(const QModelIndex& index) const
{
    return m_mode == ListMode::Users && IsRow(index) ? &m_users[static_cast<size_t>(index.row())] : nullptr;
}

template <> const GroupEntry* ItemListModel::EntryForIndex<GroupEntry>(const QModelIndex& index) const
{
    return m_mode == ListMode::Groups && IsRow(index) ? &m_groups[static_cast<size_t>(index.row())] : nullptr;
}

template <> const DatabaseSlotRow* ItemListModel::EntryForIndex<DatabaseSlotRow>(const QModelIndex& index) const
{
    return m_mode == ListMode::DatabasePaths && IsRow(index) ? &m_slots[static_cast<size_t>(index.row())] : nullptr;
}

} // namespace custodia
