#pragma once

#include "app/CCustodiaDoc.h"

#include <QTreeWidget>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

class UiServices;

namespace custodia {

class ItemListController;
class WordTable;

// The left pane: a root, one branch per managed login path and under each its three categories.
// Selecting a node tells the item list what to show.
class CLeftView final : public QTreeWidget {
    Q_OBJECT

public:
    enum class NodeType { Root = 0, LoginPath = 1, Users = 2, Groups = 3, DatabasePaths = 4 };

    CLeftView(const WordTable& words, CCustodiaDoc& doc, ItemListController& itemList, UiServices& ui,
        QWidget* parent = nullptr);

    // Rebuilds the tree from the document and opens the users of the login path with exactly this
    // text, or of the first login path when there is none such (or no path is given).
    void FillTree(const std::optional<NativePath>& loginPath);
    // Expands the root and the entry's branch and selects one of its categories.
    void SelectCategory(const LoginPathEntry& entry, LoginPathCategory category);

    // Selects the node of this type for the login path (the root ignores the path); false if the tree
    // has no such node.
    bool SelectNode(NodeType type, const NativePath& loginPath);
    // The selected node's type and login path, or nothing.
    struct NodeRef {
        NodeType type;
        NativePath loginPath;
    };
    std::optional<NodeRef> CurrentNode() const;
    // Rebuilds the tree from the document (read again by the caller) and selects the same node again,
    // or the first login path's users when it is gone.
    void Rebuild();
    // The node the first filling of the tree opens, as remembered from the last run.
    void SetInitialNode(NodeRef node) { m_initialNode = std::move(node); }
    // The short name the tree shows for a login path, or its full text when it is not in the tree.
    QString LabelOf(const NativePath& loginPath) const;

    QTreeWidgetItem* RootItem() const { return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr; }

    // The items made for one login path: its own and one per category.
    struct PathItems {
        QTreeWidgetItem* path = nullptr;
        std::array<QTreeWidgetItem*, kCategoryCount> categories {};
    };
    // The items of the login path with exactly this text, or null when the tree has none.
    const PathItems* ItemsOf(const NativePath& loginPath) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Node {
        NodeType type;
        NativePath loginPath; // empty for the root
    };

    QTreeWidgetItem* AddNode(
        QTreeWidgetItem* parent, const QString& text, const QIcon& icon, NodeType type, const NativePath& loginPath);
    void BuildItems();
    void OpenFirstLoginPath();
    void OnSelectionChanged();
    void ShowNode(const Node& node);
    void MarkUnusableFolder(QTreeWidgetItem& item, const NativePath& loginPath) const;

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    ItemListController& m_itemList;
    UiServices& m_ui;
    std::vector<Node> m_nodes;
    std::map<std::string, PathItems> m_pathItems;
    bool m_filled = false;
    std::optional<NodeRef> m_initialNode;
    std::optional<NativePath> m_firstPath;
};

} // namespace custodia
