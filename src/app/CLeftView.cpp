#include "app/CLeftView.h"

#include "app/CCustodiaView.h"
#include "app/FileErrorReport.h"
#include "app/ItemIcons.h"
#include "app/WordText.h"

#include <QHeaderView>
#include <QSignalBlocker>

namespace custodia {

namespace {

constexpr int kNodeIndexRole = Qt::UserRole;

struct CategoryNode {
    Word word;
    CLeftView::NodeType type;
};

constexpr CategoryNode kCategoryNodes[kCategoryCount] = {
    { Word::UsersCategory, CLeftView::NodeType::Users },
    { Word::GroupsCategory, CLeftView::NodeType::Groups },
    { Word::DatabasePathsCategory, CLeftView::NodeType::DatabasePaths },
};

} // namespace

CLeftView::CLeftView(const WordTable& words, CCustodiaDoc& doc, CCustodiaView& view, UiServices& ui, QWidget* parent)
    : QTreeWidget(parent)
    , m_words(words)
    , m_doc(doc)
    , m_view(view)
    , m_ui(ui)
{
    setObjectName(QStringLiteral("loginPathTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelectionChanged);
}

void CLeftView::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    // Filled on first display rather than at construction, so the item list's columns are sized for
    // the laid-out window.
    if (!m_filled) {
        m_filled = true;
        FillTree(std::nullopt);
    }
}

QTreeWidgetItem* CLeftView::AddNode(
    QTreeWidgetItem* parent, const QString& text, const QIcon& icon, NodeType type, const std::string& loginPath)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setIcon(0, icon);
    item->setData(0, kNodeIndexRole, static_cast<int>(m_nodes.size()));
    m_nodes.push_back({ type, loginPath });
    return item;
}

void CLeftView::FillTree(const std::optional<std::string>& loginPath)
{
    m_filled = true;
    {
        // The entries of the old nodes may be gone already (the document was reloaded), so no
        // selection change may look at them while the items go.
        const QSignalBlocker blocker(this);
        m_nodes.clear();
        m_pathItems.clear();
        clear();
    }
    QTreeWidgetItem* root
        = AddNode(nullptr, WordText(m_words, Word::TreeRoot), ItemIcon(ItemImage::Root), NodeType::Root, {});

    LoginPathEntry* first = nullptr;
    LoginPathEntry* named = nullptr;
    for (LoginPathEntry& listed : m_doc.LoginPaths()) {
        LoginPathEntry* entry = &listed;
        if (entry->path.empty())
            continue;
        // A path listed twice keeps the items of its first listing.
        if (m_pathItems.count(entry->path) != 0)
            continue;
        PathItems& items = m_pathItems[entry->path];
        items.path
            = AddNode(root, PathText(entry->path), ItemIcon(ItemImage::LoginPath), NodeType::LoginPath, entry->path);
        for (size_t i = 0; i < kCategoryCount; ++i) {
            items.categories[i] = AddNode(items.path, WordText(m_words, kCategoryNodes[i].word), CategoryIcon(),
                kCategoryNodes[i].type, entry->path);
        }
        if (first == nullptr)
            first = entry;
        if (loginPath && entry->path == *loginPath)
            named = entry;
    }

    LoginPathEntry* chosen = named != nullptr ? named : first;

    if (chosen == nullptr) {
        // Nothing is selected, so nothing may stay listed from before.
        m_view.ClearList();
        return;
    }
    SelectCategory(*chosen, LoginPathCategory::Users);
}

void CLeftView::SelectCategory(const LoginPathEntry& entry, LoginPathCategory category)
{
    const PathItems* items = ItemsOf(entry.path);
    if (items == nullptr)
        return;
    if (QTreeWidgetItem* root = RootItem())
        root->setExpanded(true);
    items->path->setExpanded(true);
    setCurrentItem(items->categories[static_cast<size_t>(category)]);
}

const CLeftView::PathItems* CLeftView::ItemsOf(const std::string& loginPath) const
{
    const auto found = m_pathItems.find(loginPath);
    return found != m_pathItems.end() ? &found->second : nullptr;
}

void CLeftView::OnSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) {
        m_view.ClearList();
        return;
    }
    bool known = false;
    const int index = selected.front()->data(0, kNodeIndexRole).toInt(&known);
    if (!known || index < 0 || index >= static_cast<int>(m_nodes.size())) {
        m_view.ClearList();
        return;
    }
    const Node node = m_nodes[static_cast<size_t>(index)];
    RunReportingFileErrors(&m_view, m_ui, [&] { ShowNode(node); });
}

void CLeftView::ShowNode(const Node& node)
{
    switch (node.type) {
    case NodeType::Root:
        m_view.ShowLoginPaths();
        return;
    case NodeType::LoginPath:
        m_view.ShowCategories(node.loginPath);
        return;
    case NodeType::Users:
        m_view.ShowUsers(node.loginPath);
        return;
    case NodeType::Groups:
        m_view.ShowGroups(node.loginPath);
        return;
    case NodeType::DatabasePaths:
        m_view.ShowDatabasePaths(node.loginPath);
        return;
    }
    m_view.ClearList();
}

} // namespace custodia
