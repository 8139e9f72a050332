#include "app/CLeftView.h"

#include "app/ItemListController.h"
#include "app/LoginPathLabels.h"
#include "ui/FileErrorReport.h"
#include "ui/ItemIcons.h"
#include "ui/WordText.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <utility>

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

CLeftView::CLeftView(
    const WordTable& words, CCustodiaDoc& doc, ItemListController& itemList, UiServices& ui, QWidget* parent)
    : QTreeWidget(parent)
    , m_words(words)
    , m_doc(doc)
    , m_itemList(itemList)
    , m_ui(ui)
{
    setObjectName(QStringLiteral("loginPathTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setAccessibleName(WordText(m_words, Word::LoginPathTreeName));
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLeftView::OnSelectionChanged);
}

void CLeftView::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    // Filled on first display rather than at construction, so the item list's columns are sized for
    // the laid-out window.
    if (m_filled)
        return;
    BuildItems();
    // The first list is read once the window is up: the read may wait for a file that another program
    // holds, and that wait runs the event loop, which must not happen while the window is being shown.
    QTimer::singleShot(0, this, [this, initial = std::exchange(m_initialNode, std::nullopt)] {
        if (currentItem() != nullptr)
            return; // chosen meanwhile
        if (initial && SelectNode(initial->type, initial->loginPath))
            return;
        OpenFirstLoginPath();
    });
}

QTreeWidgetItem* CLeftView::AddNode(
    QTreeWidgetItem* parent, const QString& text, const QIcon& icon, NodeType type, const NativePath& loginPath)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setIcon(0, icon);
    item->setData(0, kNodeIndexRole, static_cast<int>(m_nodes.size()));
    m_nodes.push_back({ type, loginPath });
    return item;
}

void CLeftView::BuildItems()
{
    m_filled = true;
    {
        // The entries of the old nodes may be gone already (the document was reloaded), so no
        // selection change may look at them while the items go.
        const QSignalBlocker blocker(this);
        m_nodes.clear();
        m_pathItems.clear();
        m_firstPath.reset();
        clear();
    }
    QTreeWidgetItem* root
        = AddNode(nullptr, WordText(m_words, Word::TreeRoot), ItemIcon(ItemImage::Root), NodeType::Root, {});

    std::vector<NativePath> paths;
    for (const LoginPathEntry& entry : m_doc.LoginPaths()) {
        // A path listed twice keeps the items of its first listing.
        if (!entry.path.IsEmpty() && std::find(paths.begin(), paths.end(), entry.path) == paths.end())
            paths.push_back(entry.path);
    }
    const std::vector<QString> labels = LoginPathLabels(paths);
    for (size_t i = 0; i < paths.size(); ++i) {
        const NativePath& path = paths[i];
        PathItems& items = m_pathItems[path.Bytes()];
        items.path = AddNode(root, labels[i], ItemIcon(ItemImage::LoginPath), NodeType::LoginPath, path);
        items.path->setToolTip(0, PathText(path));
        MarkUnusableFolder(*items.path, path);
        for (size_t c = 0; c < kCategoryCount; ++c) {
            items.categories[c] = AddNode(
                items.path, WordText(m_words, kCategoryNodes[c].word), CategoryIcon(), kCategoryNodes[c].type, path);
        }
    }
    if (!paths.empty())
        m_firstPath = paths.front();
}

void CLeftView::FillTree(const std::optional<NativePath>& loginPath)
{
    BuildItems();
    if (loginPath && SelectNode(NodeType::Users, *loginPath))
        return;
    OpenFirstLoginPath();
}

void CLeftView::OpenFirstLoginPath()
{
    if (!m_firstPath || !SelectNode(NodeType::Users, *m_firstPath)) {
        // Nothing is selected, so nothing may stay listed from before.
        m_itemList.Clear();
    }
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

void CLeftView::MarkUnusableFolder(QTreeWidgetItem& item, const NativePath& loginPath) const
{
    Word reason = Word::LoginPathMissing;
    switch (CheckLoginPathFolder(loginPath)) {
    case LoginPathProblem::None:
        return;
    case LoginPathProblem::Missing:
        reason = Word::LoginPathMissing;
        break;
    case LoginPathProblem::NotAFolder:
        reason = Word::LoginPathNotAFolder;
        break;
    case LoginPathProblem::Unreadable:
        reason = Word::LoginPathUnreadable;
        break;
    }
    // Greyed, not disabled: the supervisor must still be able to select it to remove it.
    item.setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
    item.setToolTip(0, PathText(loginPath) + QLatin1Char('\n') + WordText(m_words, reason));
}

bool CLeftView::SelectNode(NodeType type, const NativePath& loginPath)
{
    if (type == NodeType::Root) {
        if (QTreeWidgetItem* root = RootItem()) {
            setCurrentItem(root);
            return true;
        }
        return false;
    }
    const PathItems* items = ItemsOf(loginPath);
    if (items == nullptr)
        return false;
    if (QTreeWidgetItem* root = RootItem())
        root->setExpanded(true);
    items->path->setExpanded(true);
    switch (type) {
    case NodeType::LoginPath:
        setCurrentItem(items->path);
        return true;
    case NodeType::Users:
    case NodeType::Groups:
    case NodeType::DatabasePaths:
        setCurrentItem(items->categories[static_cast<size_t>(type) - static_cast<size_t>(NodeType::Users)]);
        return true;
    case NodeType::Root:
        break;
    }
    return false;
}

std::optional<CLeftView::NodeRef> CLeftView::CurrentNode() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    bool known = false;
    const int index = selected.front()->data(0, kNodeIndexRole).toInt(&known);
    if (!known || index < 0 || index >= static_cast<int>(m_nodes.size()))
        return std::nullopt;
    const Node& node = m_nodes[static_cast<size_t>(index)];
    return NodeRef { node.type, node.loginPath };
}

void CLeftView::Rebuild()
{
    const std::optional<NodeRef> node = CurrentNode();
    BuildItems();
    // The same node again shows the same rows, which the item list then refills in place.
    if (node && SelectNode(node->type, node->loginPath))
        return;
    OpenFirstLoginPath();
}

QString CLeftView::LabelOf(const NativePath& loginPath) const
{
    const PathItems* items = ItemsOf(loginPath);
    return items != nullptr ? items->path->text(0) : PathText(loginPath);
}

const CLeftView::PathItems* CLeftView::ItemsOf(const NativePath& loginPath) const
{
    const auto found = m_pathItems.find(loginPath.Bytes());
    return found != m_pathItems.end() ? &found->second : nullptr;
}

void CLeftView::OnSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) {
        m_itemList.Clear();
        return;
    }
    bool known = false;
    const int index = selected.front()->data(0, kNodeIndexRole).toInt(&known);
    if (!known || index < 0 || index >= static_cast<int>(m_nodes.size())) {
        m_itemList.Clear();
        return;
    }
    const Node node = m_nodes[static_cast<size_t>(index)];
    RunReportingFileErrors(&m_itemList.View(), m_words, m_ui, [&] { ShowNode(node); });
}

void CLeftView::ShowNode(const Node& node)
{
    switch (node.type) {
    case NodeType::Root:
        m_itemList.Show(ListMode::LoginPaths);
        return;
    case NodeType::LoginPath:
        m_itemList.Show(ListMode::Categories, node.loginPath);
        return;
    case NodeType::Users:
        m_itemList.Show(ListMode::Users, node.loginPath);
        return;
    case NodeType::Groups:
        m_itemList.Show(ListMode::Groups, node.loginPath);
        return;
    case NodeType::DatabasePaths:
        m_itemList.Show(ListMode::DatabasePaths, node.loginPath);
        return;
    }
    m_itemList.Clear();
}

} // namespace custodia
