#include "app/ItemListController.h"

#include "app/CCustodiaDoc.h"
#include "app/ItemListContents.h"
#include "ui/BackgroundCall.h"
#include "ui/WordText.h"

#include <utility>

namespace custodia {

namespace {

bool ReadsTheStore(ListMode mode)
{
    return mode == ListMode::Users || mode == ListMode::Groups || mode == ListMode::DatabasePaths;
}

void HandTo(ItemListModel& model, ListMode mode, const NativePath& loginPath, std::vector<NativePath> loginPaths,
    ItemListContents contents)
{
    switch (mode) {
    case ListMode::LoginPaths:
        model.SetLoginPaths(std::move(loginPaths));
        return;
    case ListMode::Categories:
        model.SetCategories(loginPath);
        return;
    case ListMode::Users:
        model.SetUsers(std::move(contents.users), std::move(contents.groups), std::move(contents.databases));
        return;
    case ListMode::Groups:
        model.SetGroups(std::move(contents.groups));
        return;
    case ListMode::DatabasePaths:
        model.SetDatabases(std::move(contents.databases));
        return;
    case ListMode::None:
        break;
    }
    model.Clear();
}

} // namespace

ItemListController::ItemListController(
    const WordTable& words, CCustodiaDoc& doc, CCustodiaView& view, BackgroundCall& calls)
    : m_words(words)
    , m_doc(doc)
    , m_view(view)
    , m_calls(calls)
{
}

void ItemListController::Show(ListMode mode, const NativePath& loginPath)
{
    Fill(mode, loginPath, CCustodiaView::Columns::Rebuild);
}

void ItemListController::Reload()
{
    Fill(Mode(), LoginPath(), CCustodiaView::Columns::Keep);
}

void ItemListController::RefreshList()
{
    if (ReadsTheStore(Mode()))
        Fill(Mode(), LoginPath(), CCustodiaView::Columns::Rebuild);
}

void ItemListController::Fill(ListMode mode, const NativePath& loginPath, CCustodiaView::Columns columns)
{
    // A fill asked for while a call waits (a resize, a timer) would read inside that call's wait: the
    // latest one is made once the call has ended.
    if (m_calls.IsRunning()) {
        const bool rebuild = columns == CCustodiaView::Columns::Rebuild
            || (m_pending && m_pending->columns == CCustodiaView::Columns::Rebuild);
        m_pending = PendingFill { mode, loginPath, rebuild ? CCustodiaView::Columns::Rebuild : columns };
        return;
    }
    m_pending.reset();
    // The modes without a login path of their own keep none, so that the same list is known again.
    const NativePath path = mode == ListMode::LoginPaths || mode == ListMode::None ? NativePath() : loginPath;
    m_view.SetNothingManaged(m_doc.LoginPathCount() == 0);
    m_view.Present(mode, path, columns, [&](ItemListModel& model) {
        ItemListContents contents = ReadsTheStore(mode) ? m_calls.Run([&](const FileEnvironment& environment) {
            return ReadItemListContents(mode, path, environment);
        })
                                                        : ItemListContents {};
        std::optional<ListProblem> problem = ProblemOf(contents, path);
        HandTo(model, mode, path, mode == ListMode::LoginPaths ? ManagedLoginPaths() : std::vector<NativePath>(),
            std::move(contents));
        return problem;
    });
}

void ItemListController::FillPending()
{
    if (std::optional<PendingFill> pending = std::exchange(m_pending, std::nullopt))
        Fill(pending->mode, pending->loginPath, pending->columns);
}

std::vector<NativePath> ItemListController::ManagedLoginPaths() const
{
    std::vector<NativePath> paths;
    for (const LoginPathEntry& entry : m_doc.LoginPaths())
        paths.push_back(entry.path);
    return paths;
}

// Rows that could not be read are not shown as an empty list: the list area says why instead.
std::optional<ListProblem> ItemListController::ProblemOf(
    const ItemListContents& contents, const NativePath& loginPath) const
{
    // A missing file is the normal state of a fresh login path, unless its whole folder is gone.
    if (contents.folderMissing)
        return ListProblem { PathText(loginPath), WordText(m_words, Word::FolderMissingCause) };
    if (!contents.read.IsUnusable())
        return std::nullopt;
    const std::string cause = contents.read.problem.empty() ? std::string("cannot be read") : contents.read.problem;
    // A damaged file stays damaged until someone writes it, which the change watch sees; a held one
    // is let go without a trace, so only that one is tried again.
    const bool held = contents.read.status == FileReadStatus::Unopenable;
    return ListProblem { PathText(contents.fileName), QString::fromStdString(cause),
        held ? std::optional<NativePath>(contents.fileName) : std::nullopt };
}

const UserEntry* ItemListController::UserAt(int row) const
{
    return Model().EntryForIndex<UserEntry>(Model().index(row, 0));
}

const GroupEntry* ItemListController::GroupAt(int row) const
{
    return Model().EntryForIndex<GroupEntry>(Model().index(row, 0));
}

const NativePath* ItemListController::LoginPathAt(int row) const
{
    if (Mode() == ListMode::Categories)
        return row >= 0 && row < Model().rowCount() ? &Model().CategoriesLoginPath() : nullptr;
    const LoginPathRow* entry = Model().EntryForIndex<LoginPathRow>(Model().index(row, 0));
    return entry != nullptr ? &entry->path : nullptr;
}

} // namespace custodia
