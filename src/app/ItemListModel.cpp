#include "app/ItemListModel.h"

#include "app/ItemIcons.h"
#include "app/NumberText.h"
#include "app/WordText.h"

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

void ItemListModel::Reset(ListMode mode, QStringList headers, std::vector<Row> rows)
{
    beginResetModel();
    m_mode = mode;
    m_headers = std::move(headers);
    m_rows = std::move(rows);
    endResetModel();
}

void ItemListModel::Clear()
{
    m_categoriesPath.clear();
    Reset(ListMode::None, {}, {});
}

void ItemListModel::SetLoginPaths(std::vector<std::string> paths)
{
    m_loginPaths.clear();
    std::vector<Row> rows;
    for (std::string& path : paths) {
        rows.push_back({ { PathText(path) }, {}, PathText(path) });
        m_loginPaths.push_back({ std::move(path) });
    }
    m_categoriesPath.clear();
    Reset(ListMode::LoginPaths, { WordText(m_words, Word::TreeRoot) }, std::move(rows));
}

void ItemListModel::SetCategories(const std::string& loginPath)
{
    m_categories.clear();
    std::vector<Row> rows;
    for (size_t i = 0; i < kCategoryCount; ++i) {
        rows.push_back({ { WordText(m_words, kCategoryWords[i]) }, {}, QString::number(i) });
        m_categories.push_back({ static_cast<LoginPathCategory>(i) });
    }
    m_categoriesPath = loginPath;
    Reset(ListMode::Categories, { PathText(loginPath) }, std::move(rows));
}

void ItemListModel::SetUsers(std::vector<UserEntry> users, std::vector<GroupEntry> groups, DatabaseList databases)
{
    m_users = std::move(users);
    m_groups = std::move(groups);
    m_databases = std::move(databases);
    std::map<int, QString> groupCells;
    std::vector<Row> rows;
    rows.reserve(m_users.size());
    for (const UserEntry& entry : m_users) {
        const UserRecord& user = entry.user;
        auto cell = groupCells.find(user.groupNumber);
        if (cell == groupCells.end())
            cell = groupCells.emplace(user.groupNumber, GroupCell(user.groupNumber)).first;
        rows.push_back(
            { { StoredText(user.userName), StoredText(user.fullName), cell->second, StoredText(user.description) },
                static_cast<int>(user.groupNumber), StoredText(user.userName) });
    }
    m_categoriesPath.clear();
    Reset(ListMode::Users,
        { WordText(m_words, Word::UserNameColumn), WordText(m_words, Word::FullNameColumn),
            WordText(m_words, Word::UserGroupColumn), WordText(m_words, Word::DescriptionColumn) },
        std::move(rows));
}

void ItemListModel::SetGroups(std::vector<GroupEntry> groups)
{
    m_groups = std::move(groups);
    std::vector<Row> rows;
    rows.reserve(m_groups.size());
    for (const GroupEntry& group : m_groups) {
        rows.push_back({ { ZeroPadded(group.groupNumber, 3), StoredText(group.name) }, group.groupNumber,
            QString::number(group.groupNumber) });
    }
    m_categoriesPath.clear();
    Reset(ListMode::Groups, { WordText(m_words, Word::GroupNumberColumn), WordText(m_words, Word::GroupNameColumn) },
        std::move(rows));
}

void ItemListModel::SetDatabases(DatabaseList databases)
{
    m_databases = std::move(databases);
    m_slots.clear();
    std::vector<Row> rows;
    // Always the ten slots, empty ones included: a slot is edited in place, never added or removed.
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
        rows.push_back({ { ZeroPadded(slot + 1, 2) + QLatin1Char(' ') + StoredText(m_databases.GetDescription(slot)),
                             StoredText(m_databases.GetPath(slot)) },
            slot, QString::number(slot) });
        m_slots.push_back({ slot });
    }
    m_categoriesPath.clear();
    Reset(ListMode::DatabasePaths,
        { WordText(m_words, Word::DescriptionColumn), WordText(m_words, Word::DatabasePathTitle) }, std::move(rows));
}

QString ItemListModel::GroupCell(int groupNumber) const
{
    const auto group = std::find_if(
        m_groups.begin(), m_groups.end(), [&](const GroupEntry& entry) { return entry.groupNumber == groupNumber; });
    const QString name = group != m_groups.end() ? StoredText(group->name) : WordText(m_words, Word::UnknownGroup);
    return ZeroPadded(groupNumber, 3) + QStringLiteral(" - ") + name;
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
        && index.row() < static_cast<int>(m_rows.size());
}

QString ItemListModel::RowKey(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<size_t>(row)].key : QString();
}

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (!IsRow(index) || index.column() >= m_headers.size())
        return {};
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.cells.value(index.column());
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(ItemIcon(RowImage(m_mode))) : QVariant();
    case kSortRole:
        return index.column() == NumberedColumn() ? row.sortNumber : QVariant(row.cells.value(index.column()));
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
