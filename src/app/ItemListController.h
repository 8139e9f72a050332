#pragma once

#include "app/CCustodiaView.h"
#include "app/ListMode.h"
#include "platform/NativePath.h"
#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <optional>
#include <vector>

namespace custodia {

class BackgroundCall;
class CCustodiaDoc;
class WordTable;
struct ItemListContents;

// Loads what the item list shows and hands it to the list's model: the managed login paths from the
// document, a login path's users, groups and database slots from its files. The view only shows the
// rows; the commands find the rows they act on here, in the order of the loaded lists.
class ItemListController final {
public:
    // The files are read through the calls, off the window's thread.
    ItemListController(const WordTable& words, CCustodiaDoc& doc, CCustodiaView& view, BackgroundCall& calls);

    // Lists what a node of the tree stands for, with the column widths worked out for the list's width.
    void Show(ListMode mode, const NativePath& loginPath = {});
    void Clear() { Show(ListMode::None); }
    // Reads what is shown from disk again, in every mode, keeping the columns, the selection, the
    // filter and the scroll position.
    void Reload();
    // Works the columns out again for the current width and reads again, in the modes that read the store.
    void RefreshList();
    // Makes the fill that was asked for while a call ran, if any.
    void FillPending();
    BackgroundCall& Calls() const { return m_calls; }

    CCustodiaView& View() const { return m_view; }
    ListMode Mode() const { return Model().Mode(); }
    const NativePath& LoginPath() const { return m_view.CurrentLoginPath(); }
    const ItemListModel& Model() const { return m_view.ItemModel(); }
    const std::vector<UserEntry>& Users() const { return Model().Users(); }
    const std::vector<GroupEntry>& Groups() const { return Model().Groups(); }
    const DatabaseList& Databases() const { return Model().Databases(); }
    // The row of the loaded list, or null past its end or in another mode.
    const UserEntry* UserAt(int row) const;
    const GroupEntry* GroupAt(int row) const;
    // The login path a row stands for in the login path and category modes, or null.
    const NativePath* LoginPathAt(int row) const;

private:
    struct PendingFill {
        ListMode mode;
        NativePath loginPath;
        CCustodiaView::Columns columns;
    };

    void Fill(ListMode mode, const NativePath& loginPath, CCustodiaView::Columns columns);
    std::vector<NativePath> ManagedLoginPaths() const;
    std::optional<ListProblem> ProblemOf(const ItemListContents& contents, const NativePath& loginPath) const;

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    CCustodiaView& m_view;
    BackgroundCall& m_calls;
    std::optional<PendingFill> m_pending;
};

} // namespace custodia
