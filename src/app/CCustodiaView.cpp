#include "app/CCustodiaView.h"

#include "app/ColumnShares.h"
#include "ui/WordText.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>
#include <utility>

namespace custodia {

namespace {

constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

// The specified column widths, in units u of about a twelfth of the list's width; the list keeps
// their proportions.
std::vector<double> DefaultColumnUnits(ListMode mode)
{
    switch (mode) {
    case ListMode::LoginPaths:
    case ListMode::Categories:
        return { 12 };
    case ListMode::Users:
        return { 3, 4, 4, 5 };
    case ListMode::Groups:
        return { 2.5, 9.5 };
    case ListMode::DatabasePaths:
        return { 5, 9.5 };
    case ListMode::None:
        break;
    }
    return {};
}

QString ModeSettingsName(ListMode mode)
{
    switch (mode) {
    case ListMode::LoginPaths:
        return QStringLiteral("loginPaths");
    case ListMode::Categories:
        return QStringLiteral("categories");
    case ListMode::Users:
        return QStringLiteral("users");
    case ListMode::Groups:
        return QStringLiteral("groups");
    case ListMode::DatabasePaths:
        return QStringLiteral("databasePaths");
    case ListMode::None:
        break;
    }
    return {};
}

// Rows are chosen whole, so the table scrolls up and down to a row but never sideways to the cell
// that was clicked or is current: a double click on a cell partly out of sight would otherwise shift
// every column under the mouse.
class RowTreeView final : public QTreeView {
public:
    using QTreeView::QTreeView;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override
    {
        const int horizontal = horizontalScrollBar()->value();
        QTreeView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(horizontal);
    }
};

constexpr ListMode kListedModes[]
    = { ListMode::LoginPaths, ListMode::Categories, ListMode::Users, ListMode::Groups, ListMode::DatabasePaths };

} // namespace

CCustodiaView::CCustodiaView(const WordTable& words, QWidget* parent)
    : QWidget(parent)
    , m_words(words)
    , m_model(words)
    , m_stack(new QStackedWidget(this))
    , m_details(new RowTreeView(m_stack))
    , m_icons(new QListView(m_stack))
{
    m_proxy.setSourceModel(&m_model);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    CreateFilterRow(*this, *layout);
    m_emptyHint = new QLabel(WordText(m_words, Word::NoLoginPathHint), this);
    m_emptyHint->setObjectName(QStringLiteral("emptyListHint"));
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setContentsMargins(6, 6, 6, 6);
    m_emptyHint->hide();
    layout->addWidget(m_emptyHint);
    m_problemLabel = new QLabel(this);
    m_problemLabel->setObjectName(QStringLiteral("listProblem"));
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_problemLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_problemLabel->setContentsMargins(6, 6, 6, 6);
    m_problemLabel->hide();
    layout->addWidget(m_problemLabel, 1);
    layout->addWidget(m_stack, 1);

    m_details->setObjectName(QStringLiteral("itemDetails"));
    m_details->setModel(&m_proxy);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setIconSize(QSize(kSmallIconSize, kSmallIconSize));
    QHeaderView* header = m_details->header();
    // The last column takes what the others leave: together they fill the list, whatever its width.
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    // A third click on a header gives the file order back.
    header->setSortIndicatorClearable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this, &CCustodiaView::OnSortIndicatorChanged);
    connect(header, &QHeaderView::sectionResized, this, &CCustodiaView::OnSectionResized);
    // The columns keep their parts of the width when the list grows or shrinks.
    m_stack->installEventFilter(this);

    m_icons->setObjectName(QStringLiteral("itemIcons"));
    m_icons->setModel(&m_proxy);
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

    for (const QKeySequence& keys : { QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu) }) {
        auto* popup = new QShortcut(keys, m_stack, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(popup, &QShortcut::activated, this, [this] { emit popupRequested(PopupPositionAtSelection()); });
    }
    connect(&m_proxy, &QAbstractItemModel::rowsInserted, this, &CCustodiaView::EmitRowCount);
    connect(&m_proxy, &QAbstractItemModel::rowsRemoved, this, &CCustodiaView::EmitRowCount);
    connect(&m_proxy, &QAbstractItemModel::modelReset, this, &CCustodiaView::EmitRowCount);
    connect(&m_proxy, &QAbstractItemModel::layoutChanged, this, &CCustodiaView::EmitRowCount);
}

void CCustodiaView::CreateFilterRow(QWidget& parent, QVBoxLayout& layout)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 2, 4, 0);
    auto* label = new QLabel(WordText(m_words, Word::ItemFilterLabel), &parent);
    m_filter = new QLineEdit(&parent);
    m_filter->setObjectName(QStringLiteral("itemFilter"));
    m_filter->setPlaceholderText(WordText(m_words, Word::ItemFilterPlaceholder));
    m_filter->setAccessibleName(WordText(m_words, Word::ItemFilterLabel));
    m_filter->setClearButtonEnabled(true);
    m_filter->installEventFilter(this);
    label->setBuddy(m_filter);
    row->addWidget(label);
    row->addWidget(m_filter, 1);
    layout.addLayout(row);
    connect(m_filter, &QLineEdit::textChanged, this, &CCustodiaView::OnFilterChanged);
}

void CCustodiaView::ConnectItemView(QAbstractItemView& view)
{
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    view.setAccessibleName(WordText(m_words, Word::ItemListName));
    connect(&view, &QAbstractItemView::doubleClicked, this, [this] { emit editRequested(); });
    connect(&view, &QWidget::customContextMenuRequested, this,
        [this, &view](const QPoint& position) { emit popupRequested(view.viewport()->mapToGlobal(position)); });
}

bool CCustodiaView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_stack && event->type() == QEvent::Resize && !m_applyingLayout)
        ApplyColumnWidths();
    // Escape empties the filter; in an empty filter it goes back to the list.
    if (watched == m_filter && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (m_filter->text().isEmpty())
            CurrentItemView()->setFocus(Qt::ShortcutFocusReason);
        else
            ClearFilter();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CCustodiaView::SetPresentation(Presentation presentation)
{
    const bool hadFocus = CurrentItemView()->hasFocus();
    m_presentation = presentation;
    if (presentation == Presentation::Details) {
        m_stack->setCurrentWidget(m_details);
    } else {
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
    if (hadFocus)
        CurrentItemView()->setFocus();
}

QAbstractItemView* CCustodiaView::CurrentItemView() const
{
    return m_presentation == Presentation::Details ? static_cast<QAbstractItemView*>(m_details) : m_icons;
}

int CCustodiaView::ListClientWidth() const
{
    // The stack, not the table: in the icon presentations the hidden table keeps an old size.
    return std::max(0, m_stack->width() - 2 * m_details->frameWidth());
}

void CCustodiaView::Present(ListMode mode, const NativePath& loginPath, Columns columns, const Fill& fill)
{
    const bool sameRows = mode == Mode() && loginPath == m_loginPath && mode != ListMode::None;
    const std::optional<KeptView> kept = sameRows ? std::optional<KeptView>(KeepView()) : std::nullopt;
    m_applyingLayout = true;
    if (!sameRows) {
        // Another list: the old filter and sort column mean nothing to it.
        const QSignalBlocker blocker(m_filter);
        m_filter->clear();
        m_proxy.setFilterFixedString(QString());
        m_proxy.sort(-1);
    }
    m_loginPath = loginPath;
    emit aboutToLoad();
    m_problem = fill(m_model);
    if (!sameRows)
        ApplySort();
    if (columns == Columns::Rebuild || !kept)
        ApplyColumnWidths();
    else
        SetColumnWidths(kept->columnWidths);
    m_applyingLayout = false;
    if (kept)
        RestoreView(*kept);
    UpdateEmptyHint();
    UpdateProblem();
    EmitRowCount();
    if (!sameRows)
        emit contentsChanged();
    emit loaded();
}

void CCustodiaView::FitColumns()
{
    if (Mode() == ListMode::Users || Mode() == ListMode::Groups || Mode() == ListMode::DatabasePaths)
        ApplyColumnWidths();
}

void CCustodiaView::ApplyColumnWidths()
{
    const int width = ListClientWidth();
    if (width <= 0)
        return; // not laid out yet: the first resize fits the columns
    const std::vector<double> units = DefaultColumnUnits(Mode());
    const auto own = m_columnShares.find(Mode());
    const bool ownWidths = own != m_columnShares.end() && own->second.size() == units.size();
    SetColumnWidths(WidthsOfShares(ownWidths ? own->second : SharesOfUnits(units), width));
}

void CCustodiaView::SetColumnWidths(const std::vector<int>& widths)
{
    const bool wasApplying = std::exchange(m_applyingLayout, true);
    // The last column is left to the header, which stretches it over what the others leave (less the
    // scroll bar, when one shows).
    for (size_t column = 0; column + 1 < widths.size(); ++column)
        m_details->setColumnWidth(static_cast<int>(column), widths[column]);
    m_applyingLayout = wasApplying;
}

std::vector<int> CCustodiaView::ColumnWidths() const
{
    std::vector<int> widths;
    for (int column = 0; column < m_model.columnCount(); ++column)
        widths.push_back(m_details->columnWidth(column));
    return widths;
}

void CCustodiaView::OnSectionResized(int column)
{
    const int width = ListClientWidth();
    // The last column follows the others and the list's width; only the others are set by a drag.
    if (m_applyingLayout || Mode() == ListMode::None || width <= 0 || column + 1 >= m_model.columnCount())
        return;
    std::vector<double> shares;
    for (const int columnWidth : ColumnWidths())
        shares.push_back(static_cast<double>(columnWidth) / width);
    m_columnShares[Mode()] = shares;
}

void CCustodiaView::ApplySort()
{
    const SortState sort = m_sorts[Mode()];
    const int column = sort.column < m_model.columnCount() ? sort.column : -1;
    const bool wasApplying = std::exchange(m_applyingLayout, true);
    m_details->header()->setSortIndicator(column, sort.order);
    m_proxy.sort(column, sort.order);
    m_applyingLayout = wasApplying;
}

void CCustodiaView::OnSortIndicatorChanged(int column, Qt::SortOrder order)
{
    if (m_applyingLayout)
        return;
    m_sorts[Mode()] = { column, order };
    m_proxy.sort(column, order);
}

void CCustodiaView::OnFilterChanged(const QString& text)
{
    m_proxy.setFilterFixedString(text);
    SelectFirstShownRowIfNoneSelected();
    EmitRowCount();
}

void CCustodiaView::SelectFirstShownRowIfNoneSelected()
{
    // A filter that hid the selection leaves the first match selected, so Enter or Delete after
    // typing acts on what is shown rather than on nothing.
    if (HasSelection() || m_proxy.rowCount() == 0 || m_filter->text().isEmpty())
        return;
    const QModelIndex first = m_proxy.index(0, 0);
    m_details->selectionModel()->select(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_details->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
}

void CCustodiaView::FocusFilter()
{
    m_filter->setFocus(Qt::ShortcutFocusReason);
    m_filter->selectAll();
}

void CCustodiaView::ClearFilter()
{
    m_filter->clear();
}

bool CCustodiaView::IsFiltering() const
{
    return !m_filter->text().isEmpty();
}

void CCustodiaView::UpdateEmptyHint()
{
    const bool nothingManaged
        = m_nothingManaged && (Mode() == ListMode::None || (Mode() == ListMode::LoginPaths && m_model.rowCount() == 0));
    m_emptyHint->setVisible(nothingManaged);
}

// Rows that could not be read are not shown as an empty list: the list area says why instead.
void CCustodiaView::UpdateProblem()
{
    if (m_problem) {
        // The key of the window's reload command, which reads the list at once.
        const QString reloadKey
            = QKeySequence::keyBindings(QKeySequence::Refresh).value(0).toString(QKeySequence::NativeText);
        const Word hint = m_problem->heldFile ? Word::ListRetryHint : Word::ListReloadHint;
        m_problemLabel->setText(WordText(m_words, Word::ListUnreadable) + QStringLiteral("\n\n") + m_problem->fileName
            + QStringLiteral("\n") + m_problem->cause + QStringLiteral("\n\n")
            + WordText(m_words, hint).arg(reloadKey));
        m_problemLabel->setAccessibleName(m_problemLabel->text());
    }
    m_problemLabel->setVisible(m_problem.has_value());
    m_stack->setVisible(!m_problem.has_value());
}

void CCustodiaView::EmitRowCount()
{
    emit rowCountChanged(m_proxy.rowCount(), m_model.rowCount());
}

CCustodiaView::KeptView CCustodiaView::KeepView() const
{
    KeptView kept;
    const std::vector<int> shown = SelectedShownRows();
    for (const int row : shown)
        kept.selectedKeys.append(m_model.RowKey(m_proxy.mapToSource(m_proxy.index(row, 0)).row()));
    if (!shown.empty())
        kept.firstSelectedRow = shown.front();
    const QModelIndex current = m_details->selectionModel()->currentIndex();
    if (current.isValid())
        kept.currentKey = m_model.RowKey(m_proxy.mapToSource(current).row());
    kept.detailsScroll = m_details->verticalScrollBar()->value();
    kept.detailsHorizontalScroll = m_details->horizontalScrollBar()->value();
    kept.iconScroll = m_icons->verticalScrollBar()->value();
    kept.columnWidths = ColumnWidths();
    return kept;
}

void CCustodiaView::RestoreView(const KeptView& kept)
{
    QItemSelectionModel& selection = *m_details->selectionModel();
    QItemSelection rows;
    // The rows are found by their keys in the model, not by a key made for every row shown.
    for (const int row : m_model.RowsWithKeys(kept.selectedKeys)) {
        const QModelIndex index = m_proxy.mapFromSource(m_model.index(row, 0));
        if (index.isValid())
            rows.select(index, index);
    }
    QModelIndex current;
    if (!kept.currentKey.isEmpty()) {
        for (const int row : m_model.RowsWithKeys({ kept.currentKey })) {
            const QModelIndex index = m_proxy.mapFromSource(m_model.index(row, 0));
            if (index.isValid() && (!current.isValid() || index.row() > current.row()))
                current = index;
        }
    }
    // The selected row is gone (deleted here or elsewhere): its neighbour takes its place.
    if (rows.isEmpty() && kept.firstSelectedRow >= 0 && m_proxy.rowCount() > 0) {
        const QModelIndex neighbour = m_proxy.index(std::min(kept.firstSelectedRow, m_proxy.rowCount() - 1), 0);
        rows.select(neighbour, neighbour);
        current = neighbour;
    }
    selection.select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (current.isValid())
        selection.setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    // The scroll bars get their ranges from a layout that would otherwise only run later. Only the view
    // shown is laid out: laying out the icons measures the text of every row, which at thousands of
    // rows costs more than the whole fill, and the hidden view lays itself out when it is shown.
    if (m_presentation == Presentation::Details) {
        m_details->doItemsLayout();
        m_details->verticalScrollBar()->setValue(kept.detailsScroll);
        m_details->horizontalScrollBar()->setValue(kept.detailsHorizontalScroll);
    } else {
        m_icons->doItemsLayout();
        m_icons->verticalScrollBar()->setValue(kept.iconScroll);
    }
}

std::vector<int> CCustodiaView::SelectedShownRows() const
{
    // The icon views select the first cell of a row only, so rows are read from any selected cell.
    std::set<int> rows;
    for (const QModelIndex& index : m_details->selectionModel()->selectedIndexes())
        rows.insert(index.row());
    return std::vector<int>(rows.begin(), rows.end());
}

bool CCustodiaView::HasSelection() const
{
    return m_details->selectionModel()->hasSelection();
}

std::vector<int> CCustodiaView::SelectedRows() const
{
    std::vector<int> rows;
    for (const int shown : SelectedShownRows())
        rows.push_back(m_proxy.mapToSource(m_proxy.index(shown, 0)).row());
    return rows;
}

std::optional<int> CCustodiaView::SelectedRow() const
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

void CCustodiaView::SelectRow(int row)
{
    const QModelIndex index = m_proxy.mapFromSource(m_model.index(row, 0));
    QItemSelectionModel& selection = *m_details->selectionModel();
    if (!index.isValid()) {
        selection.clearSelection();
        return;
    }
    selection.select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection.setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

bool CCustodiaView::SelectAndShowRowWithKey(const QString& key)
{
    const std::vector<int> rows = m_model.RowsWithKeys({ key });
    if (rows.empty())
        return false;
    // A row the filter hides could not be seen: the whole list is shown again.
    if (!m_proxy.mapFromSource(m_model.index(rows.front(), 0)).isValid())
        ClearFilter();
    SelectRow(rows.front());
    ShowSelection();
    return true;
}

void CCustodiaView::ShowSelection()
{
    const std::vector<int> rows = SelectedShownRows();
    if (rows.empty())
        return;
    const QModelIndex first = m_proxy.index(rows.front(), 0);
    QAbstractItemView& view = *CurrentItemView();
    // The focus goes with it, so the keys go on from the row the supervisor now looks at.
    view.selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    // The scroll bars get their ranges from a layout that would otherwise only run later.
    view.doItemsLayout();
    view.scrollTo(first, QAbstractItemView::EnsureVisible);
}

QPoint CCustodiaView::PopupPositionAtSelection() const
{
    QAbstractItemView* view = CurrentItemView();
    const std::vector<int> rows = SelectedShownRows();
    if (!rows.empty()) {
        const QRect rect = view->visualRect(m_proxy.index(rows.front(), 0));
        if (rect.isValid() && view->viewport()->rect().intersects(rect))
            return view->viewport()->mapToGlobal(rect.bottomLeft());
    }
    return view->viewport()->mapToGlobal(QPoint(0, 0));
}

void CCustodiaView::SaveLayout(QSettings& settings) const
{
    settings.beginGroup(QStringLiteral("itemList"));
    for (const ListMode mode : kListedModes) {
        settings.beginGroup(ModeSettingsName(mode));
        const auto sort = m_sorts.find(mode);
        if (sort != m_sorts.end()) {
            settings.setValue(QStringLiteral("sortColumn"), sort->second.column);
            settings.setValue(QStringLiteral("sortOrder"), static_cast<int>(sort->second.order));
        }
        const auto shares = m_columnShares.find(mode);
        if (shares != m_columnShares.end()) {
            QVariantList values;
            for (const double share : shares->second)
                values.append(share);
            settings.setValue(QStringLiteral("columnShares"), values);
        }
        settings.endGroup();
    }
    settings.endGroup();
}

void CCustodiaView::RestoreLayout(QSettings& settings)
{
    settings.beginGroup(QStringLiteral("itemList"));
    for (const ListMode mode : kListedModes) {
        settings.beginGroup(ModeSettingsName(mode));
        const size_t columnCount = DefaultColumnUnits(mode).size();
        bool valid = false;
        const int column = settings.value(QStringLiteral("sortColumn"), -1).toInt(&valid);
        if (valid && column >= -1 && column < static_cast<int>(columnCount)) {
            const bool descending = settings.value(QStringLiteral("sortOrder")).toInt() == Qt::DescendingOrder;
            m_sorts[mode] = { column, descending ? Qt::DescendingOrder : Qt::AscendingOrder };
        }
        std::vector<double> shares;
        for (const QVariant& value : settings.value(QStringLiteral("columnShares")).toList()) {
            const double share = value.toDouble(&valid);
            // A damaged settings file must not give columns of no or of a huge width.
            if (valid && share > 0.0 && share <= 4.0)
                shares.push_back(share);
        }
        if (shares.size() == columnCount)
            m_columnShares[mode] = shares;
        settings.endGroup();
    }
    settings.endGroup();
}

} // namespace custodia
