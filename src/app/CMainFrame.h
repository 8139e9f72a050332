#pragma once

#include "app/CCustodiaDoc.h"
#include "app/ConsoleLockout.h"
#include "app/ListMode.h"
#include "app/OutsideChangeWatch.h"
#include "store/AuditTrailHold.h"

#include <QMainWindow>

#include <memory>
#include <optional>
#include <string>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPoint;
class QSettings;
class QSplitter;
class QToolBar;
class UiServices;

namespace custodia {

class CCustodiaView;
class CHelpBar;
class CHistoryDialog;
class BackgroundCall;
class CItemCommands;
class CLeftView;
class CStatusClock;
class FileChangeWatcher;
class SharePoller;
class ListReadRetry;
class ItemDialogs;
class ItemListController;
class LoginPathCommands;
class WordTable;

// The console's main window: the login-path tree and the item list side by side, the menus, the
// toolbar and the status bar with its clock. It labels every command from the word table and routes
// the create, edit and delete commands to the item list's commands.
class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kTreeWidth = 200;

    CMainFrame(WordTable& words, CCustodiaDoc& doc, UiServices& ui, QWidget* parent = nullptr);
    // The window's layout (size, panes, presentation, columns, the node shown) is kept in this settings
    // file from one run to the next; without one, in the user's settings of the console.
    CMainFrame(
        WordTable& words, CCustodiaDoc& doc, UiServices& ui, const QString& settingsFile, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CLeftView& LeftView() const { return *m_tree; }
    CCustodiaView& View() const { return *m_view; }
    ItemListController& ItemList() const { return *m_itemList; }
    CItemCommands& Commands() const { return *m_commands; }
    CStatusClock& Clock() const { return *m_clock; }
    QMenu& EditMenu() const { return *m_editMenu; }
    QMenu& CommandPopup() const { return *m_commandPopup; }
    FileChangeWatcher& Watcher() const { return *m_watcher; }
    ListReadRetry& ListRetry() const { return *m_listRetry; }
    BackgroundCall& Calls() const { return *m_calls; }
    LoginPathCommands& LoginPaths() const { return *m_loginPaths; }
    // The status bar's account of what the list shows.
    QString StatusText() const;

    // The dialogs the commands open: the console's own unless a test hands in others.
    void SetItemDialogs(std::unique_ptr<ItemDialogs> dialogs);
    // Who logged on, so that the commands can warn before locking everyone out of the console; the
    // status bar names the user.
    void SetSupervisor(std::optional<LoggedOnSupervisor> supervisor);
    // The status bar's name of the user logged on; empty when nobody is.
    QString LoggedOnText() const;
    // Whether the login-path tree and the item list are shown. Hidden, they read nothing and show no
    // account: behind the log-on dialog nobody has logged on yet. Shown again, the tree fills.
    void SetAccountsShown(bool shown);
    bool AccountsShown() const;
    // Opens the history of the login path shown, filtered to one object when named ("user ann"), over
    // the window or over the dialog given; null when no login path is shown. The dialog closes itself.
    CHistoryDialog* ShowHistory(const QString& object = {}, QWidget* over = nullptr);
    // Docks the help bar at the right, which the help bar commands then show and hide; it starts shown
    // or hidden as it was at the end of the last run. F1 shows it and puts the cursor into its search.
    void AttachHelpBar(CHelpBar* helpBar);
    CHelpBar* HelpBar() const { return m_helpBar; }

    void SelectCategory(const LoginPathEntry& entry, LoginPathCategory category);
    void FillTree(const std::optional<NativePath>& loginPath);
    // The create/delete/edit popup at a point on the screen; at the mouse when none is given.
    void ShowCommandPopup(const std::optional<QPoint>& position);
    // Relabels and enables the create, edit and delete commands for what the item list shows.
    void UpdateEditCommands();
    void SetPresentation(Presentation presentation);
    void ToggleHelpBar();
    // Reads the managed login paths ("custo.cfg") and the list shown from disk again.
    void ReloadFromDisk();
    void SaveLayout() const;
    bool IsHelpBarShown() const { return m_helpBar != nullptr && m_helpBarShown; }

signals:
    void aboutRequested();
    void technicalSupportRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreatePanes();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateTrailOptions(const std::string& consoleUser);
    void HandHistoryToDialogs();
    void CreateShortcuts();
    void CenterOnScreen();
    QSize InitialSize() const;
    QAction* AddPresentationAction(Presentation presentation, Word word, const QIcon& icon);
    void ShowCommandPopupAtToolbar();
    void MoveFocusBetweenPanes(int step);
    void SetHelpBarShown(bool shown);
    void RestoreLayout();
    std::unique_ptr<QSettings> OpenSettings() const;
    void UpdateTitleAndStatus();
    void NoteFilesBeforeRead();
    void WatchShownFiles();
    void OnLoginPathFilesChanged();
    void NoteAccountsShown();
    void NoteOutsideChanges();
    void OnHeldFileFree();
    QString Text(Word word) const;

    WordTable& m_words;
    CCustodiaDoc& m_doc;
    UiServices& m_ui;
    QString m_settingsFile;
    QString m_configFile;
    CCustodiaView* m_view = nullptr;
    std::unique_ptr<ItemListController> m_itemList;
    QSplitter* m_splitter = nullptr;
    CLeftView* m_tree = nullptr;
    BackgroundCall* m_calls; // a child of the window, made before everything that reads through it
    std::unique_ptr<ItemDialogs> m_dialogs;
    TrailOptions m_trail;
    OutsideChangeWatch m_outsideChanges;
    std::unique_ptr<CItemCommands> m_commands;
    LoginPathCommands* m_loginPaths = nullptr;
    CStatusClock* m_clock = nullptr;
    QLabel* m_statusText = nullptr;
    QLabel* m_loggedOn = nullptr;
    FileChangeWatcher* m_watcher = nullptr;
    SharePoller* m_poller = nullptr;
    ListReadRetry* m_listRetry = nullptr;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_commandPopup = nullptr;
    QAction* m_createAction = nullptr;
    QAction* m_editAction = nullptr;
    QAction* m_historyAction = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_popupAction = nullptr;
    QAction* m_helpBarAction = nullptr;
    QAction* m_reloadAction = nullptr;
    QAction* m_filterAction = nullptr;
    QActionGroup* m_presentationGroup = nullptr;
    CHelpBar* m_helpBar = nullptr;
    bool m_helpBarShown = true;
};

} // namespace custodia
