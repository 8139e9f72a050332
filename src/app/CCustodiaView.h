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

class CCustodiaDoc;
class WordTable;
struct FileReadResult;

// Why a list could not be read: which file (or folder) and what stood in the way.
struct ListProblem {
    QString fileName;
    QString cause;
};

// The right pane: the items under the node selected in the tree. What it lists is read from the
// login path's files on every fill, so it always shows what is on disk; the loaded lists stay in its
// model for the commands, which act on the rows the supervisor sees selected.
//
// One model behind a sorting and filtering proxy, shown either by a table (details) or by an
// icon/list view, switched in place, so the selection survives a change of presentation. A fill of
// what is shown already keeps the filter, the selection and the scroll position.
class CCustodiaView final : public QWidget {
    Q_OBJECT

public:
    CCustodiaView(const WordTable& words, CCustodiaDoc& doc, QWidget* parent = nullptr);

    void ShowLoginPaths();
    void ShowCategories(const NativePath& loginPath);
    void ShowUsers(const NativePath& loginPath);
    void ShowGroups(const NativePath& loginPath);
    void ShowDatabasePaths(const NativePath& loginPath);
    void ClearList();

    // Reload from the store and list again, keeping the columns.
    void FillUsers(const NativePath& loginPath);
    void FillGroups(const NativePath& loginPath);
    void FillDatabasePaths(const NativePath& loginPath);
    // Rebuilds the columns for the current width and fills again, in the modes that read the store.
    void RefreshList();
    // Works the column widths out again for the current width, in the modes that read the store, without
    // reading anything: for a change of the list's width alone (the help bar shown or hidden).
    void FitColumns();
    // Reads what is shown from disk again, in every mode, keeping selection, filter and scroll position.
    void Reload();

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

    // Rows of the modes that list the store's items, in the order of the loaded lists.
    const std::vector<UserEntry>& Users() const { return m_model.Users(); }
    const std::vector<GroupEntry>& Groups() const { return m_model.Groups(); }
    const DatabaseList& Databases() const { return m_model.Databases(); }
    // The login path a row stands for in modes 1 and 2, or null.
    const NativePath* LoginPathAtRow(int row) const;

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
    enum class Columns { Rebuild, Keep };

    void ConnectItemView(QAbstractItemView& view);
    void CreateFilterRow(QWidget& parent, QVBoxLayout& layout);
    void Load(ListMode mode, const NativePath& loginPath, Columns columns, const std::function<void()>& fill);
    KeptView KeepView() const;
    void RestoreView(const KeptView& kept);
    void ApplyColumnWidths();
    void SetColumnWidths(const std::vector<int>& widths);
    std::vector<int> ColumnWidths() const;
    void ApplySort();
    void OnSortIndicatorChanged(int column, Qt::SortOrder order);
    void OnSectionResized();
    void OnFilterChanged(const QString& text);
    void SelectFirstShownRowIfNoneSelected();
    void UpdateEmptyHint();
    void UpdateProblem();
    void NoteProblem(const FileReadResult& result, const NativePath& fileName, const NativePath& loginPath);
    void EmitRowCount();
    std::vector<int> SelectedShownRows() const;

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    ItemListModel m_model;
    ItemListProxy m_proxy;
    QLineEdit* m_filter = nullptr;
    QLabel* m_emptyHint = nullptr;
    QLabel* m_problemLabel = nullptr;
    std::optional<ListProblem> m_problem;
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
