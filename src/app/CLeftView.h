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

class CCustodiaView;
class WordTable;

// The left pane: a root, one branch per managed login path and under each its three categories.
// Selecting a node tells the item list what to show.
class CLeftView final : public QTreeWidget {
    Q_OBJECT

public:
    enum class NodeType { Root = 0, LoginPath = 1, Users = 2, Groups = 3, DatabasePaths = 4 };

    CLeftView(
        const WordTable& words, CCustodiaDoc& doc, CCustodiaView& view, UiServices& ui, QWidget* parent = nullptr);

    // Rebuilds the tree from the document and opens the users of the login path with exactly this
    // text, or of the first login path when there is none such (or no path is given).
    void FillTree(const std::optional<std::string>& loginPath);
    // Expands the root and the entry's branch and selects one of its categories.
    void SelectCategory(const LoginPathEntry& entry, LoginPathCategory category);

    QTreeWidgetItem* RootItem() const { return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr; }

    // The items made for one login path: its own and one per category.
    struct PathItems {
        QTreeWidgetItem* path = nullptr;
        std::array<QTreeWidgetItem*, kCategoryCount> categories {};
    };
    // The items of the login path with exactly this text, or null when the tree has none.
    const PathItems* ItemsOf(const std::string& loginPath) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Node {
        NodeType type;
        std::string loginPath; // empty for the root
    };

    QTreeWidgetItem* AddNode(
        QTreeWidgetItem* parent, const QString& text, const QIcon& icon, NodeType type, const std::string& loginPath);
    void OnSelectionChanged();
    void ShowNode(const Node& node);

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    CCustodiaView& m_view;
    UiServices& m_ui;
    std::vector<Node> m_nodes;
    std::map<std::string, PathItems> m_pathItems;
    bool m_filled = false;
};

} // namespace custodia
