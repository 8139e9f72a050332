#pragma once

#include "app/ItemListModel.h"
#include "app/ItemListProxy.h"
#include "app/ListMode.h"
#include "platform/NativePath.h"
#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <QSortFilterProxyModel>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAbstractItemView;
class QLabel;
class QLineEdit;
class QListView;
class QSettings;
class QStackedWidget;
class QTreeView;
class QVBoxLayout;

namespace custodia {

class WordTable;

// Why a list could not be read: which file (or folder) and what stood in the way.
struct ListProblem {
    QString fileName;
    QString cause;
    // Set when the file could not be opened (held by another program, no access): the list is read
    // again by itself once it can be.
    std::optional<NativePath> heldFile;
};

// The right pane: the items under the node selected in the tree. It only shows them: the item list's
// controller reads the rows and hands them to its model, where the commands find them; the view says
// which rows the supervisor sees selected.
//
// One model behind a sorting and filtering proxy, shown either by a table (details) or by an
// icon/list view, switched in place, so the selection survives a change of presentation. A fill of
// what is shown already keeps the filter, the selection and the scroll position.
class CCustodiaView final : public QWidget {
    Q_OBJECT

public:
    enum class Columns { Rebuild, Keep };
    // Fills the model with the rows of a list and says why they could not be read, if they could not.
    using Fill = std::function<std::optional<ListProblem>(ItemListModel& model)>;

    explicit CCustodiaView(const WordTable& words, QWidget* parent = nullptr);

    // Shows the rows that the fill hands to the model. A fill of what is shown already keeps the
    // filter, the selection and the scroll position; Columns::Rebuild works the column widths out
    // again for the current width.
    void Present(ListMode mode, const NativePath& loginPath, Columns columns, const Fill& fill);
    // Whether the console manages no login path at all: an empty list then says how to add one.
    void SetNothingManaged(bool nothingManaged) { m_nothingManaged = nothingManaged; }
    // Works the column widths out again for the current width, in the modes that read the store, without
    // reading anything: for a change of the list's width alone (the help bar shown or hidden).
    void FitColumns();

    ListMode Mode() const { return m_model.Mode(); }
    // Set when the last fill could not read what it lists; the list area then says why in place of rows.
    const std::optional<ListProblem>& Problem() const { return m_problem; }
    QLabel& ProblemLabel() const { return *m_problemLabel; }
    std::optional<Word> ModeNoun() const { return ModeNounWord(Mode()); }
    const NativePath& CurrentLoginPath() const { return m_loginPath; }
    bool HasSelection() const;
    // The row of the loaded list (file order) that is selected highest up as the supervisor sees the
    // list: the commands act on it alone.
    std::optional<int> SelectedRow() const;
    // Every selected row of the loaded list, from the top of the list as shown.
    std::vector<int> SelectedRows() const;
    // Selects a row of the loaded list; nothing when the filter hides it.
    void SelectRow(int row);
    // Selects the row whose key (a user's name, a group's number) this is and scrolls it into view,
    // emptying a filter that hides it: a row just made is never out of sight. False without such a row.
    bool SelectAndShowRowWithKey(const QString& key);
    // Scrolls the first selected row into view and moves the focus onto it: a command is about to act
    // on the selection, which the focus may have left far behind.
    void ShowSelection();

    void SetPresentation(Presentation presentation);
    Presentation GetPresentation() const { return m_presentation; }
    // The view that shows the rows in the current presentation.
    QAbstractItemView* CurrentItemView() const;
    // The rows as shown: sorted and filtered.
    const QSortFilterProxyModel& Model() const { return m_proxy; }
    const ItemListModel& ItemModel() const { return m_model; }
    QTreeView& DetailsView() const { return *m_details; }
    QLineEdit& FilterBox() const { return *m_filter; }
    // The width the column widths are worked out from.
    int ListClientWidth() const;

    // Puts the cursor into the filter box with its text selected.
    void FocusFilter();
    void ClearFilter();
    int ShownRowCount() const { return m_proxy.rowCount(); }
    int TotalRowCount() const { return m_model.rowCount(); }
    bool IsFiltering() const;
    // Where a popup opened by the keyboard belongs: under the selected row, else at the list's corner.
    QPoint PopupPositionAtSelection() const;

    // Column widths (relative to the list's width) and sort column of each mode.
    void SaveLayout(QSettings& settings) const;
    void RestoreLayout(QSettings& settings);

signals:
    void editRequested();
    void popupRequested(const QPoint& globalPosition);
    // The rows shown and loaded changed: a fill, a filter, a removal.
    void rowCountChanged(int shown, int total);
    // Another mode or another login path is shown.
    void contentsChanged();
    // The list is about to be read from disk (CurrentLoginPath() says where from), and was read.
    void aboutToLoad();
    void loaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SortState {
        int column = -1; // -1: the file order
        Qt::SortOrder order = Qt::AscendingOrder;
    };
    // What a fill of the same rows restores.
    struct KeptView {
        QStringList selectedKeys;
        QString currentKey;
        int firstSelectedRow = -1;
        int detailsScroll = 0;
        int detailsHorizontalScroll = 0;
        int iconScroll = 0;
        std::vector<int> columnWidths;
    };
    void ConnectItemView(QAbstractItemView& view);
    void CreateFilterRow(QWidget& parent, QVBoxLayout& layout);
    KeptView KeepView() const;
    void RestoreView(const KeptView& kept);
    void ApplyColumnWidths();
    void SetColumnWidths(const std::vector<int>& widths);
    std::vector<int> ColumnWidths() const;
    void ApplySort();
    void OnSortIndicatorChanged(int column, Qt::SortOrder order);
    void OnSectionResized(int column);
    void OnFilterChanged(const QString& text);
    void SelectFirstShownRowIfNoneSelected();
    void UpdateEmptyHint();
    void UpdateProblem();
    void EmitRowCount();
    std::vector<int> SelectedShownRows() const;

    const WordTable& m_words;
    ItemListModel m_model;
    ItemListProxy m_proxy;
    QLineEdit* m_filter = nullptr;
    QLabel* m_emptyHint = nullptr;
    QLabel* m_problemLabel = nullptr;
    std::optional<ListProblem> m_problem;
    bool m_nothingManaged = false;
    QStackedWidget* m_stack = nullptr;
    QTreeView* m_details = nullptr;
    QListView* m_icons = nullptr;
    Presentation m_presentation = Presentation::Details;

    NativePath m_loginPath;
    std::map<ListMode, SortState> m_sorts;
    // Widths the supervisor gave the columns, as parts of the list's width, by mode.
    std::map<ListMode, std::vector<double>> m_columnShares;
    bool m_applyingLayout = false;
};

} // namespace custodia
