#pragma once

#include "app/CCustodiaDoc.h"

#include <QTreeWidget>

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

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Node {
        NodeType type;
        LoginPathEntry* entry;
    };

    QTreeWidgetItem* AddNode(
        QTreeWidgetItem* parent, const QString& text, const QIcon& icon, NodeType type, LoginPathEntry* entry);
    void OnSelectionChanged();
    void ShowNode(const Node& node);

    const WordTable& m_words;
    CCustodiaDoc& m_doc;
    CCustodiaView& m_view;
    UiServices& m_ui;
    std::vector<Node> m_nodes;
    bool m_filled = false;
};

} // namespace custodia
