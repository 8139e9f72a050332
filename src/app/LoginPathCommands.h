#pragma once

#include "platform/NativePath.h"
#include "store/AuditTrailHold.h"
#include "words/Word.h"

#include <QObject>

#include <optional>

class QAction;
class QMenu;
class QPoint;
class QWidget;
class UiServices;

namespace custodia {

class CLeftView;
class ItemListController;
class WordTable;

// The commands of one login path as a whole: import users from a list, export them to one, and check
// the share the login path is on; and the export of the rows the item list shows. They act on the
// login path of the tree's selected node; the tree's context menu selects the node it opens on.
class LoginPathCommands final : public QObject {
    Q_OBJECT

public:
    LoginPathCommands(
        const WordTable& words, UiServices& ui, CLeftView& tree, ItemListController& itemList, QWidget* window);
    ~LoginPathCommands() override;

    // The login path menu: the three commands of the login path, then the export of the shown list.
    QMenu& Menu() const { return *m_menu; }
    QAction& ExportShownListAction() const { return *m_exportShown; }
    // Who the trail lines of an import name.
    void SetTrailOptions(TrailOptions trail) { m_trail = std::move(trail); }

    // The login path the commands act on: that of the selected node, or nothing (the root).
    std::optional<NativePath> TargetLoginPath() const;
    void ImportUsers(const NativePath& loginPath);
    // True when the users were written; every failure was shown.
    bool ExportUsers(const NativePath& loginPath);
    void CheckShare(const NativePath& loginPath);
    bool ExportShownList();

signals:
    // A command left a message for the status bar.
    void statusMessage(const QString& text);

private:
    void CreateActions();
    void UpdateActions();
    void ShowTreeMenu(const QPoint& position);
    QString Text(Word word) const;

    const WordTable& m_words;
    UiServices& m_ui;
    CLeftView& m_tree;
    ItemListController& m_itemList;
    QWidget* m_window;
    TrailOptions m_trail;
    QMenu* m_menu = nullptr;
    QAction* m_import = nullptr;
    QAction* m_export = nullptr;
    QAction* m_checkShare = nullptr;
    QAction* m_exportShown = nullptr;
};

} // namespace custodia
