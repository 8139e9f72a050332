#include "app/CCustodiaView.h"

#include "app/CCustodiaDoc.h"
#include "app/ItemIcons.h"
#include "app/NumberText.h"
#include "app/WordText.h"
#include "store/UserStore.h"

#include <QHeaderView>
#include <QListView>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace custodia {

namespace {

constexpr int kRowDataRole = Qt::UserRole;
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

// The categories under a login path, in row order.
constexpr Word kCategoryWords[] = { Word::UsersCategory, Word::GroupsCategory, Word::DatabasePathsCategory };

} // namespace

CCustodiaView::CCustodiaView(const WordTable& words, CCustodiaDoc& doc, QWidget* parent)
    : QWidget(parent)
    , m_words(words)
    , m_doc(doc)
    , m_stack(new QStackedWidget(this))
    , m_details(new QTreeView(m_stack))
    , m_icons(new QListView(m_stack))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    m_details->setObjectName(QStringLiteral("itemDetails"));
    m_details->setModel(&m_model);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
    m_details->header()->setStretchLastSection(false);
    m_details->header()->setSectionsMovable(false);

    m_icons->setObjectName(QStringLiteral("itemIcons"));
    m_icons->setModel(&m_model);
    // Both views share one selection, so changing the presentation keeps what is selected.
    m_icons->setSelectionModel(m_details->selectionModel());
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setWrapping(true);

    ConnectItemView(*m_details);
    ConnectItemView(*m_icons);
    m_stack->addWidget(m_details);
    m_stack->addWidget(m_icons);
    SetPresentation(Presentation::Details);
}

void CCustodiaView::ConnectItemView(QAbstractItemView& view)
{
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&view, &QAbstractItemView::doubleClicked, this, [this] { emit editRequested(); });
    connect(&view, &QWidget::customContextMenuRequested, this,
        [this, &view](const QPoint& position) { emit popupRequested(view.viewport()->mapToGlobal(position)); });
}

void CCustodiaView::SetPresentation(Presentation presentation)
{
    m_presentation = presentation;
    if (presentation == Presentation::Details) {
        m_stack->setCurrentWidget(m_details);
        return;
    }
    const bool large = presentation == Presentation::LargeIcons;
    m_icons->setViewMode(large ? QListView::IconMode : QListView::ListMode);
    m_icons->setIconSize(large ? QSize(kLargeIconSize, kLargeIconSize) : QSize(kSmallIconSize, kSmallIconSize));
    // Small icons run along the rows, the list down the columns, as the platform's list views do.
    m_icons->setFlow(presentation == Presentation::List ? QListView::TopToBottom : QListView::LeftToRight);
    m_icons->setWrapping(true);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_stack->setCurrentWidget(m_icons);
}

QAbstractItemView* CCustodiaView::CurrentItemView() const
{
    return m_presentation == Presentation::Details ? static_cast<QAbstractItemView*>(m_details) : m_icons;
}

int CCustodiaView::ListClientWidth() const
{
    return std::max(0, m_details->width() - 2 * m_details->frameWidth());
}

void CCustodiaView::SetColumns(const std::vector<std::pair<QString, double>>& columns)
{
    m_model.clear();
    m_model.setColumnCount(static_cast<int>(columns.size()));
    const int width = ListClientWidth();
    const int unit = (width - width / 12) / 12;
    for (size_t i = 0; i < columns.size(); ++i) {
        const int column = static_cast<int>(i);
        m_model.setHorizontalHeaderItem(column, new QStandardItem(columns[i].first));
        // Half units are worked out in floating point and cut off.
        m_details->setColumnWidth(column, static_cast<int>(columns[i].second * unit));
    }
}

void CCustodiaView::SetModeColumns(ListMode mode)
{
    const auto word = [this](Word name) { return WordText(m_words, name); };
    switch (mode) {
    case ListMode::LoginPaths:
        SetColumns({ { word(Word::TreeRoot), 12 } });
        break;
    case ListMode::Users:
        SetColumns({ { word(Word::UserNameColumn), 3 }, { word(Word::FullNameColumn), 4 },
            { word(Word::UserGroupColumn), 4 }, { word(Word::DescriptionColumn), 5 } });
        break;
    case ListMode::Groups:
        SetColumns({ { word(Word::GroupNumberColumn), 2.5 }, { word(Word::GroupNameColumn), 9.5 } });
        break;
    case ListMode::DatabasePaths:
        SetColumns({ { word(Word::DescriptionColumn), 5 }, { word(Word::DatabasePathTitle), 9.5 } });
        break;
    case ListMode::Categories:
    case ListMode::None:
        SetColumns({});
        break;
    }
}

void CCustodiaView::AddRow(const QStringList& cells, ItemImage image, int rowData)
{
    QList<QStandardItem*> items;
    for (const QString& cell : cells) {
        auto* item = new QStandardItem(cell);
        item->setEditable(false);
        items.append(item);
    }
    items.front()->setIcon(ItemIcon(image));
    items.front()->setData(rowData, kRowDataRole);
    m_model.appendRow(items);
}

void CCustodiaView::RemoveRows()
{
    m_model.removeRows(0, m_model.rowCount());
}

void CCustodiaView::ClearList()
{
    SetColumns({});
    m_mode = ListMode::None;
}

void CCustodiaView::ShowLoginPaths()
{
    SetModeColumns(ListMode::LoginPaths);
    m_mode = ListMode::LoginPaths;
    m_loginPath.clear();
    m_loginPaths.clear();
    for (const LoginPathEntry& entry : m_doc.LoginPaths()) {
        AddRow({ PathText(entry.path) }, ItemImage::LoginPath, static_cast<int>(m_loginPaths.size()));
        m_loginPaths.push_back(entry.path);
    }
}

void CCustodiaView::ShowCategories(const std::string& loginPath)
{
    SetColumns({ { PathText(loginPath), 12 } });
    m_mode = ListMode::Categories;
    m_loginPath = loginPath;
    for (int row = 0; row < static_cast<int>(std::size(kCategoryWords)); ++row)
        AddRow({ WordText(m_words, kCategoryWords[row]) }, ItemImage::LoginPath, row);
}

void CCustodiaView::ShowUsers(const std::string& loginPath)
{
    SetModeColumns(ListMode::Users);
    m_mode = ListMode::Users;
    FillUsers(loginPath);
}

void CCustodiaView::ShowGroups(const std::string& loginPath)
{
    SetModeColumns(ListMode::Groups);
    m_mode = ListMode::Groups;
    FillGroups(loginPath);
}

void CCustodiaView::ShowDatabasePaths(const std::string& loginPath)
{
    SetModeColumns(ListMode::DatabasePaths);
    m_mode = ListMode::DatabasePaths;
    FillDatabasePaths(loginPath);
}

void CCustodiaView::FillUsers(const std::string& loginPath)
{
    m_loginPath = loginPath;
    RemoveRows();
    UserStore store;
    m_users = store.LoadUsers(loginPath).value;
    m_groups = store.LoadGroupList(loginPath).value;
    store.LoadDatabaseList(loginPath);
    m_databases = store.DatabaseListOrEmpty();
    ListUsers();
}

void CCustodiaView::FillGroups(const std::string& loginPath)
{
    m_loginPath = loginPath;
    RemoveRows();
    m_groups = UserStore().LoadGroupList(loginPath).value;
    ListGroups();
}

void CCustodiaView::FillDatabasePaths(const std::string& loginPath)
{
    m_loginPath = loginPath;
    RemoveRows();
    UserStore store;
    store.LoadDatabaseList(loginPath);
    m_databases = store.DatabaseListOrEmpty();
    ListDatabasePaths();
}

QString CCustodiaView::GroupCell(int groupNumber) const
{
    const auto group = std::find_if(
        m_groups.begin(), m_groups.end(), [&](const GroupEntry& entry) { return entry.groupNumber == groupNumber; });
    const QString name = group != m_groups.end() ? StoredText(group->name) : WordText(m_words, Word::UnknownGroup);
    return ZeroPadded(groupNumber, 3) + QStringLiteral(" - ") + name;
}

void CCustodiaView::ListUsers()
{
    for (size_t i = 0; i < m_users.size(); ++i) {
        const UserRecord& user = m_users[i].user;
        AddRow({ StoredText(user.userName), StoredText(user.fullName), GroupCell(user.groupNumber),
                   StoredText(user.description) },
            ItemImage::User, static_cast<int>(i));
    }
}

void CCustodiaView::ListGroups()
{
    for (size_t i = 0; i < m_groups.size(); ++i) {
        AddRow({ ZeroPadded(m_groups[i].groupNumber, 3), StoredText(m_groups[i].name) }, ItemImage::Group,
            static_cast<int>(i));
    }
}

void CCustodiaView::ListDatabasePaths()
{
    // Always the ten slots, empty ones included: a slot is edited in place, never added or removed.
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
        AddRow({ ZeroPadded(slot + 1, 2) + QLatin1Char(' ') + StoredText(m_databases.GetDescription(slot)),
                   StoredText(m_databases.GetPath(slot)) },
            ItemImage::OpenCategory, slot);
    }
}

void CCustodiaView::RefreshList()
{
    switch (m_mode) {
    case ListMode::Users:
        ShowUsers(m_loginPath);
        break;
    case ListMode::Groups:
        ShowGroups(m_loginPath);
        break;
    case ListMode::DatabasePaths:
        ShowDatabasePaths(m_loginPath);
        break;
    case ListMode::LoginPaths:
    case ListMode::Categories:
    case ListMode::None:
        break;
    }
}

bool CCustodiaView::HasSelection() const
{
    return SelectedRow().has_value();
}

std::optional<int> CCustodiaView::SelectedRow() const
{
    // The icon views select the first cell of a row only, so rows are read from any selected cell.
    std::optional<int> lowest;
    for (const QModelIndex& index : m_details->selectionModel()->selectedIndexes()) {
        if (!lowest || index.row() < *lowest)
            lowest = index.row();
    }
    return lowest;
}

void CCustodiaView::SelectRow(int row)
{
    const QModelIndex index = m_model.index(row, 0);
    m_details->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_details->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

const std::string* CCustodiaView::LoginPathAtRow(int row) const
{
    if (m_mode == ListMode::Categories)
        return row >= 0 && row < m_model.rowCount() ? &m_loginPath : nullptr;
    if (m_mode == ListMode::LoginPaths && row >= 0 && row < static_cast<int>(m_loginPaths.size()))
        return &m_loginPaths[static_cast<size_t>(row)];
    return nullptr;
}

} // namespace custodia
