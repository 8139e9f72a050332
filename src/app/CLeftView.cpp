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
    int word;
    CLeftView::NodeType type;
};

constexpr CategoryNode kCategoryNodes[kCategoryCount] = {
    { 917, CLeftView::NodeType::Users },
    { 918, CLeftView::NodeType::Groups },
    { 988, CLeftView::NodeType::DatabasePaths },
};

} // namespace

CLeftView::CLeftView(const WordTable& words, CCustodiaDoc& doc, CCustodiaView& itemList, QWidget* parent)
    : QTreeWidget(parent)
    , m_words(words)
    , m_doc(doc)
    , m_itemList(itemList)
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
    QTreeWidgetItem* parent, const QString& text, const QIcon& icon, NodeType type, LoginPathEntry* entry)
{
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setIcon(0, icon);
    item->setData(0, kNodeIndexRole, static_cast<int>(m_nodes.size()));
    m_nodes.push_back({ type, entry });
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
        clear();
    }
    QTreeWidgetItem* root
        = AddNode(nullptr, WordText(m_words, 916), ItemIcon(ItemImage::Root), NodeType::Root, nullptr);

    LoginPathEntry* first = nullptr;
    LoginPathEntry* named = nullptr;
    for (LoginPathEntry& listed : m_doc.LoginPaths()) {
        LoginPathEntry* entry = &listed;
        if (entry->path.empty())
            continue;
        entry->pathItem
            = AddNode(root, StoredText(entry->path), ItemIcon(ItemImage::LoginPath), NodeType::LoginPath, entry);
        for (size_t i = 0; i < kCategoryCount; ++i) {
            entry->categoryItems[i] = AddNode(entry->pathItem, WordText(m_words, kCategoryNodes[i].word),
                CategoryIcon(), kCategoryNodes[i].type, entry);
        }
        if (first == nullptr)
            first = entry;
        if (loginPath && entry->path == *loginPath)
            named = entry;
    }

    LoginPathEntry* chosen = named != nullptr ? named : first;

    if (chosen == nullptr) {
        // Nothing is selected, so nothing may stay listed from before.
        m_itemList.ClearList();
        return;
    }
    SelectCategory(*chosen, LoginPathCategory::Users);
}

void CLeftView::SelectCategory(const LoginPathEntry& entry, LoginPathCategory category)
{
    QTreeWidgetItem* item = entry.categoryItems[static_cast<size_t>(category)];
    if (item == nullptr || entry.pathItem == nullptr)
        return;
    if (QTreeWidgetItem* root = RootItem())
        root->setExpanded(true);
    entry.pathItem->setExpanded(true);
    setCurrentItem(item);
}

void CLeftView::OnSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) {
        m_itemList.ClearList();
        return;
    }
    bool known = false;
    const int index = selected.front()->data(0, kNodeIndexRole).toInt(&known);
    if (!known || index < 0 || index >= static_cast<int>(m_nodes.size())) {
        m_itemList.ClearList();
        return;
    }
    const Node node = m_nodes[static_cast<size_t>(index)];
    RunReportingFileErrors(&m_itemList, [&] { ShowNode(node); });
}

void CLeftView::ShowNode(const Node& node)
{
    switch (node.type) {
    case NodeType::Root:
        m_itemList.ShowLoginPaths();
        return;
    case NodeType::LoginPath:
        m_itemList.ShowCategories(*node.entry);
        return;
    case NodeType::Users:
        m_itemList.ShowUsers(node.entry->path);
        return;
    case NodeType::Groups:
        m_itemList.ShowGroups(node.entry->path);
        return;
    case NodeType::DatabasePaths:
        m_itemList.ShowDatabasePaths(node.entry->path);
        return;
    }
    m_itemList.ClearList();
}

} // namespace custodia
