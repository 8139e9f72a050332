#include "app/CMainFrame.h"
#include "ui/Version.h"

#include "app/CCustodiaView.h"
#include "app/CLeftView.h"
#include "app/CStatusClock.h"
#include "app/ConsoleItemDialogs.h"
#include "app/ConsoleTrail.h"
#include "app/EditCommandState.h"
#include "app/FileChangeWatcher.h"
#include "app/ItemCommands.h"
#include "app/ItemDialogs.h"
#include "app/ItemListController.h"
#include "app/ListReadRetry.h"
#include "app/LoginPathCommands.h"
#include "app/SharePoller.h"
#include "helpbar/CHelpBar.h"
#include "helpbar/HelpBarSettings.h"
#include "history/CHistoryDialog.h"
#include "ui/ApplicationName.h"
#include "ui/BackgroundCall.h"
#include "ui/FileErrorReport.h"
#include "ui/ItemIcons.h"
#include "ui/WordText.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDockWidget>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <vector>

namespace custodia {

namespace {

// Room for the tree, a list of users with its four columns and the help bar beside them.
constexpr QSize kInitialSize(1100, 720);

// Keys of the remembered layout.
const char kGeometryKey[] = "mainWindow/geometry";
const char kStateKey[] = "mainWindow/state";
const char kSplitterKey[] = "mainWindow/splitter";
const char kPresentationKey[] = "itemList/presentation";
const char kShownNodeTypeKey[] = "shown/nodeType";
const char kShownLoginPathKey[] = "shown/loginPath";

// A settings file that lost its keys or was written by hand must not pick an unknown value.
std::optional<Presentation> PresentationFromSetting(const QVariant& value)
{
    bool valid = false;
    const int number = value.toInt(&valid);
    if (!valid || number < static_cast<int>(Presentation::LargeIcons)
        || number > static_cast<int>(Presentation::Details))
        return std::nullopt;
    return static_cast<Presentation>(number);
}

std::optional<CLeftView::NodeType> NodeTypeFromSetting(const QVariant& value)
{
    bool valid = false;
    const int number = value.toInt(&valid);
    if (!valid || number < static_cast<int>(CLeftView::NodeType::Root)
        || number > static_cast<int>(CLeftView::NodeType::DatabasePaths))
        return std::nullopt;
    return static_cast<CLeftView::NodeType>(number);
}

Word CategoryWord(ListMode mode)
{
    switch (mode) {
    case ListMode::Groups:
        return Word::GroupsCategory;
    case ListMode::DatabasePaths:
        return Word::DatabasePathsCategory;
    default:
        return Word::UsersCategory;
    }
}

} // namespace

CMainFrame::CMainFrame(WordTable& words, CCustodiaDoc& doc, UiServices& ui, QWidget* parent)
    : CMainFrame(words, doc, ui, QString(), parent)
{
}

CMainFrame::CMainFrame(
    WordTable& words, CCustodiaDoc& doc, UiServices& ui, const QString& settingsFile, QWidget* parent)
    : QMainWindow(parent)
    , m_words(words)
    , m_doc(doc)
    , m_ui(ui)
    , m_settingsFile(settingsFile)
    , m_configFile(QFileInfo(PathText(doc.FileName())).absoluteFilePath())
    , m_calls(new BackgroundCall(words, this))
    , m_dialogs(std::make_unique<ConsoleItemDialogs>(words, ui, doc, m_calls))
{
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(ApplicationIcon());
    CreatePanes();
    HandHistoryToDialogs();
    m_commands = std::make_unique<CItemCommands>(m_words, m_doc, *m_itemList, *m_tree, *m_dialogs, m_ui);
    m_loginPaths = new LoginPathCommands(m_words, m_ui, *m_tree, *m_itemList, this);
    connect(m_loginPaths, &LoginPathCommands::statusMessage, this,
        [this](const QString& text) { statusBar()->showMessage(text); });
    CreateActions();
    CreateToolBar();
    CreateStatusBar();
    UpdateTrailOptions({});
    setWindowTitle(Text(Word::ApplicationTitle) + QLatin1Char(' ') + QString::fromLatin1(kVersionText));
    resize(InitialSize());
    CreateMenus();
    CreateShortcuts();
    RestoreLayout();

    m_watcher = new FileChangeWatcher(this);
    connect(m_watcher, &FileChangeWatcher::configChanged, this, &CMainFrame::ReloadFromDisk);
    connect(m_watcher, &FileChangeWatcher::loginPathChanged, this, &CMainFrame::OnLoginPathFilesChanged);
    m_watcher->SetBusyCheck([this] { return m_calls->IsRunning(); });
    connect(m_calls, &BackgroundCall::idle, this, [this] { m_itemList->FillPending(); });
    // Where the kernel cannot hear other machines' changes, the shown files are polled instead.
    m_poller = new SharePoller(this);
    m_poller->SetBusyCheck([this] { return m_calls->IsRunning() || QApplication::activeModalWidget() != nullptr; });
    connect(m_poller, &SharePoller::changed, this, &CMainFrame::OnLoginPathFilesChanged);
    // A list that another program's hold kept from being read is read again once the file is let go.
    m_listRetry = new ListReadRetry(this);
    m_listRetry->SetBusyCheck([this] {
        return m_calls->IsRunning() || QApplication::activeModalWidget() != nullptr
            || QApplication::activePopupWidget() != nullptr;
    });
    connect(m_listRetry, &ListReadRetry::readable, this, &CMainFrame::OnHeldFileFree);
    WatchShownFiles();
}

CMainFrame::~CMainFrame()
{
    // The panes go after the item list's controller: a selection change while the tree is taken down
    // must not reach it.
    m_tree->blockSignals(true);
}

QString CMainFrame::Text(Word word) const
{
    return WordText(m_words, word);
}

void CMainFrame::CreatePanes()
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("paneSplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_view = new CCustodiaView(m_words);
    m_itemList = std::make_unique<ItemListController>(m_words, m_doc, *m_view, *m_calls);
    m_tree = new CLeftView(m_words, m_doc, *m_itemList, m_ui);
    m_splitter->addWidget(m_tree);
    m_splitter->addWidget(m_view);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({ kTreeWidth, InitialSize().width() - kTreeWidth });
    setCentralWidget(m_splitter);

    connect(m_view, &CCustodiaView::contentsChanged, this, &CMainFrame::UpdateTitleAndStatus);
    // How the files stood just before a read is what the watcher compares later changes with.
    connect(m_view, &CCustodiaView::aboutToLoad, this, &CMainFrame::NoteFilesBeforeRead);
    connect(m_view, &CCustodiaView::loaded, this, &CMainFrame::WatchShownFiles);
    connect(m_view, &CCustodiaView::loaded, this, &CMainFrame::NoteAccountsShown);
    connect(m_view, &CCustodiaView::rowCountChanged, this, [this] {
        UpdateTitleAndStatus();
        UpdateEditCommands();
    });
    // Disabled actions ignore their keys, so the commands follow the selection at once, not only when
    // a menu opens.
    connect(m_view->DetailsView().selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &CMainFrame::UpdateEditCommands);

    connect(m_view, &CCustodiaView::editRequested, this, [this] { m_commands->EditItem(); });
    connect(
        m_view, &CCustodiaView::popupRequested, this, [this](const QPoint& position) { ShowCommandPopup(position); });
}

void CMainFrame::CreateActions()
{
    m_createAction = new QAction(this);
    m_createAction->setObjectName(QStringLiteral("createItem"));
    m_editAction = new QAction(this);
    m_editAction->setObjectName(QStringLiteral("editItem"));
    m_deleteAction = new QAction(this);
    m_deleteAction->setObjectName(QStringLiteral("deleteItem"));
    m_createAction->setShortcuts({ QKeySequence(QKeySequence::New), QKeySequence(Qt::Key_Insert) });
    m_editAction->setShortcuts({ QKeySequence(Qt::Key_F2), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) });
    m_deleteAction->setShortcut(QKeySequence::Delete);
    // Editing and deleting keys belong to the list: Delete in the tree or Enter in a dialog's field must
    // not reach a row the supervisor is not looking at.
    for (QAction* action : { m_editAction, m_deleteAction }) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_view->addAction(action);
    }
    connect(m_createAction, &QAction::triggered, this, [this] { m_commands->CreateItem(); });
    connect(m_editAction, &QAction::triggered, this, [this] { m_commands->EditItem(); });
    connect(m_deleteAction, &QAction::triggered, this, [this] { m_commands->DeleteItem(); });

    m_commandPopup = new QMenu(this);
    m_commandPopup->setObjectName(QStringLiteral("commandPopup"));
    m_commandPopup->addAction(m_createAction);
    m_commandPopup->addAction(m_deleteAction);
    m_commandPopup->addAction(m_editAction);
    m_historyAction = new QAction(Text(Word::HistoryCommand), this);
    m_historyAction->setObjectName(QStringLiteral("showHistory"));
    m_historyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(m_historyAction, &QAction::triggered, this, [this] { ShowHistory(); });
    addAction(m_historyAction);

    m_popupAction = new QAction(ToolbarIcon(ToolbarImage::CommandPopup), Text(Word::CommandPopupTooltip), this);
    m_popupAction->setObjectName(QStringLiteral("commandPopupButton"));
    m_popupAction->setStatusTip(Text(Word::CommandPopupTooltip));
    connect(m_popupAction, &QAction::triggered, this, &CMainFrame::ShowCommandPopupAtToolbar);

    m_presentationGroup = new QActionGroup(this);
    m_presentationGroup->setExclusive(true);
    AddPresentationAction(Presentation::LargeIcons, Word::LargeIconsCommand, ToolbarIcon(ToolbarImage::LargeIcons));
    AddPresentationAction(Presentation::SmallIcons, Word::SmallIconsCommand, ToolbarIcon(ToolbarImage::SmallIcons));
    AddPresentationAction(Presentation::List, Word::ListCommand, ToolbarIcon(ToolbarImage::List));
    AddPresentationAction(Presentation::Details, Word::DetailsCommand, ToolbarIcon(ToolbarImage::Details))
        ->setChecked(true);

    m_helpBarAction = new QAction(ToolbarIcon(ToolbarImage::HelpBar), Text(Word::HelpBarCommand), this);
    m_helpBarAction->setObjectName(QStringLiteral("toggleHelpBar"));
    m_helpBarAction->setCheckable(true);
    m_helpBarAction->setChecked(false);
    m_helpBarAction->setToolTip(Text(Word::HelpBarTooltip));
    m_helpBarAction->setStatusTip(Text(Word::HelpBarTooltip));
    connect(m_helpBarAction, &QAction::triggered, this, &CMainFrame::ToggleHelpBar);

    m_reloadAction = new QAction(Text(Word::ReloadCommand), this);
    m_reloadAction->setObjectName(QStringLiteral("reload"));
    m_reloadAction->setShortcut(QKeySequence::Refresh);
    connect(m_reloadAction, &QAction::triggered, this, &CMainFrame::ReloadFromDisk);
    m_filterAction = new QAction(Text(Word::FilterCommand), this);
    m_filterAction->setObjectName(QStringLiteral("filterList"));
    m_filterAction->setShortcut(QKeySequence::Find);
    connect(m_filterAction, &QAction::triggered, m_view, &CCustodiaView::FocusFilter);
}

QAction* CMainFrame::AddPresentationAction(Presentation presentation, Word word, const QIcon& icon)
{
    auto* action = new QAction(icon, Text(word), m_presentationGroup);
    action->setCheckable(true);
    action->setToolTip(Text(word));
    action->setStatusTip(Text(word));
    action->setData(static_cast<int>(presentation));
    connect(action, &QAction::triggered, this, [this, presentation] { SetPresentation(presentation); });
    return action;
}

void CMainFrame::CreateMenus()
{
    QMenu* fileMenu = menuBar()->addMenu(Text(Word::FileMenu));
    fileMenu->setObjectName(QStringLiteral("fileMenu"));
    fileMenu->addAction(m_historyAction);
    fileMenu->addSeparator();
    fileMenu->addAction(Text(Word::ExitCommand), this, &QWidget::close)->setShortcut(QKeySequence::Quit);

    m_editMenu = menuBar()->addMenu(Text(Word::EditMenu));
    m_editMenu->setObjectName(QStringLiteral("editMenu"));
    m_editMenu->addAction(m_createAction);
    m_editMenu->addAction(m_editAction);
    m_editMenu->addAction(m_deleteAction);
    connect(m_editMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateEditCommands);
    UpdateEditCommands();

    menuBar()->addMenu(&m_loginPaths->Menu());
    m_commandPopup->addSeparator();
    m_commandPopup->addAction(&m_loginPaths->ExportShownListAction());

    QMenu* viewMenu = menuBar()->addMenu(Text(Word::ViewMenu));
    viewMenu->setObjectName(QStringLiteral("viewMenu"));
    viewMenu->addActions(m_presentationGroup->actions());
    viewMenu->addSeparator();
    viewMenu->addAction(m_filterAction);
    viewMenu->addAction(m_reloadAction);

    QMenu* helpMenu = menuBar()->addMenu(Text(Word::HelpMenu));
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->addAction(m_helpBarAction);
    helpMenu->addSeparator();
    // The support box comes later; the command is offered to whoever shows it.
    helpMenu->addAction(Text(Word::TechnicalSupportCommand), this, &CMainFrame::technicalSupportRequested);
    helpMenu->addAction(Text(Word::AboutCommand), this, &CMainFrame::aboutRequested);
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->addAction(m_popupAction);
    m_toolBar->addSeparator();
    m_toolBar->addActions(m_presentationGroup->actions());
    m_toolBar->addAction(m_helpBarAction);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::CreateStatusBar()
{
    m_statusText = new QLabel(statusBar());
    m_statusText->setObjectName(QStringLiteral("listStatus"));
    statusBar()->addWidget(m_statusText, 1);
    m_loggedOn = new QLabel(statusBar());
    m_loggedOn->setObjectName(QStringLiteral("loggedOnUser"));
    m_loggedOn->setAccessibleName(Text(Word::LoggedOnStatusName));
    m_loggedOn->hide();
    statusBar()->addPermanentWidget(m_loggedOn);
    m_clock = new CStatusClock(statusBar());
    statusBar()->addPermanentWidget(m_clock);
}

void CMainFrame::CreateShortcuts()
{
    auto* next = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(next, &QShortcut::activated, this, [this] { MoveFocusBetweenPanes(1); });
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    connect(previous, &QShortcut::activated, this, [this] { MoveFocusBetweenPanes(-1); });
}

QSize CMainFrame::InitialSize() const
{
    // Never larger than the screen it opens on, so that a small display shows the whole window.
    if (const QScreen* screen = this->screen())
        return kInitialSize.boundedTo(screen->availableGeometry().size() * 9 / 10);
    return kInitialSize;
}

void CMainFrame::CenterOnScreen()
{
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CMainFrame::SetItemDialogs(std::unique_ptr<ItemDialogs> dialogs)
{
    m_commands->SetDialogs(*dialogs);
    m_dialogs = std::move(dialogs);
    m_dialogs->SetTrailOptions(m_trail);
    HandHistoryToDialogs();
}

// The user and group dialogs open the history of what they edit through the window.
void CMainFrame::HandHistoryToDialogs()
{
    m_dialogs->SetHistoryOpener([this](QWidget* over, const QString& object) { ShowHistory(object, over); });
}

CHistoryDialog* CMainFrame::ShowHistory(const QString& object, QWidget* over)
{
    const NativePath loginPath = m_view->CurrentLoginPath();
    if (loginPath.Bytes().empty())
        return nullptr;
    // Over a modal dialog the history is its child, so that it takes clicks and keys while that waits.
    auto* dialog = new CHistoryDialog(m_words, loginPath, m_calls, over != nullptr ? over : this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!object.isEmpty())
        dialog->ShowObject(object);
    dialog->show();
    return dialog;
}

void CMainFrame::UpdateTrailOptions(const std::string& consoleUser)
{
    m_trail = ConsoleTrailOptions(m_words, consoleUser, statusBar());
    m_commands->SetTrailOptions(m_trail);
    m_dialogs->SetTrailOptions(m_trail);
    m_loginPaths->SetTrailOptions(m_trail);
}

void CMainFrame::SetSupervisor(std::optional<LoggedOnSupervisor> supervisor)
{
    UpdateTrailOptions(supervisor ? supervisor->userName : std::string());
    if (supervisor)
        m_loggedOn->setText(Text(Word::LoggedOnStatus).arg(StoredText(supervisor->userName)));
    else
        m_loggedOn->clear();
    m_loggedOn->setVisible(supervisor.has_value());
    m_commands->SetSupervisor(std::move(supervisor));
}

QString CMainFrame::LoggedOnText() const
{
    return m_loggedOn->text();
}

void CMainFrame::SetAccountsShown(bool shown)
{
    m_splitter->setVisible(shown);
}

bool CMainFrame::AccountsShown() const
{
    return !m_splitter->isHidden();
}

void CMainFrame::SelectCategory(const LoginPathEntry& entry, LoginPathCategory category)
{
    m_tree->SelectCategory(entry, category);
}

void CMainFrame::FillTree(const std::optional<NativePath>& loginPath)
{
    m_tree->FillTree(loginPath);
}

void CMainFrame::UpdateEditCommands()
{
    const EditCommandState state = MakeEditCommandState(m_words, m_view->Mode(), m_view->HasSelection());
    m_createAction->setText(state.createText);
    m_createAction->setEnabled(state.createEnabled);
    m_editAction->setText(state.editText);
    m_editAction->setEnabled(state.editEnabled);
    m_deleteAction->setText(state.deleteText);
    m_deleteAction->setEnabled(state.deleteEnabled);
}

void CMainFrame::ShowCommandPopup(const std::optional<QPoint>& position)
{
    UpdateEditCommands();
    m_commandPopup->exec(position.value_or(QCursor::pos()));
}

void CMainFrame::ShowCommandPopupAtToolbar()
{
    const QWidget* button = m_toolBar->widgetForAction(m_popupAction);
    if (button == nullptr) {
        ShowCommandPopup(std::nullopt);
        return;
    }
    UpdateEditCommands();
    // Right-aligned under the button, so the menu opens towards the window rather than off its edge
    // when the toolbar is docked on the right.
    const QPoint anchor = button->mapToGlobal(QPoint(button->width(), button->height()));
    m_commandPopup->exec(anchor - QPoint(m_commandPopup->sizeHint().width(), 0));
}

void CMainFrame::SetPresentation(Presentation presentation)
{
    m_view->SetPresentation(presentation);
    for (QAction* action : m_presentationGroup->actions()) {
        if (action->data().toInt() == static_cast<int>(presentation))
            action->setChecked(true);
    }
}

void CMainFrame::MoveFocusBetweenPanes(int step)
{
    std::vector<QWidget*> panes { m_tree, m_view->CurrentItemView() };
    if (IsHelpBarShown())
        panes.push_back(m_helpBar);
    const QWidget* focused = QApplication::focusWidget();
    int current = -1;
    for (size_t i = 0; i < panes.size(); ++i) {
        if (focused != nullptr && (panes[i] == focused || panes[i]->isAncestorOf(focused)))
            current = static_cast<int>(i);
    }
    const int count = static_cast<int>(panes.size());
    const int next = current < 0 ? 0 : (current + step + count) % count;
    panes[static_cast<size_t>(next)]->setFocus(Qt::ShortcutFocusReason);
}

void CMainFrame::AttachHelpBar(CHelpBar* helpBar)
{
    m_helpBar = helpBar;
    if (m_helpBar == nullptr) {
        SetHelpBarShown(false);
        return;
    }
    addDockWidget(Qt::RightDockWidgetArea, m_helpBar);
    connect(m_helpBar, &CHelpBar::closeRequested, this, [this] { SetHelpBarShown(false); });
    auto* showHelp = new QShortcut(QKeySequence::HelpContents, this);
    connect(showHelp, &QShortcut::activated, this, [this] {
        if (!m_helpBarShown)
            SetHelpBarShown(true);
        m_helpBar->FocusSearch();
    });
    SetHelpBarShown(RememberedHelpBarShown());
}

void CMainFrame::ToggleHelpBar()
{
    if (m_helpBar == nullptr) {
        m_helpBarAction->setChecked(false);
        return;
    }
    SetHelpBarShown(!m_helpBarShown);
}

void CMainFrame::SetHelpBarShown(bool shown)
{
    m_helpBarShown = shown;
    m_helpBarAction->setChecked(IsHelpBarShown());
    if (m_helpBar == nullptr)
        return;
    m_helpBar->SetShown(shown);
    // The list's width changes with the bar, and its columns are sized from that width; what it lists
    // has not changed, so nothing is read again.
    if (layout() != nullptr)
        layout()->activate();
    m_view->FitColumns();
}

std::unique_ptr<QSettings> CMainFrame::OpenSettings() const
{
    if (!m_settingsFile.isEmpty())
        return std::make_unique<QSettings>(m_settingsFile, QSettings::IniFormat);
    const QString name = QString::fromLatin1(kApplicationName);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, name, name);
}

void CMainFrame::RestoreLayout()
{
    const std::unique_ptr<QSettings> settings = OpenSettings();
    if (restoreGeometry(settings->value(QLatin1String(kGeometryKey)).toByteArray()))
        restoreState(settings->value(QLatin1String(kStateKey)).toByteArray());
    else
        CenterOnScreen();
    m_splitter->restoreState(settings->value(QLatin1String(kSplitterKey)).toByteArray());
    if (const std::optional<Presentation> presentation
        = PresentationFromSetting(settings->value(QLatin1String(kPresentationKey))))
        SetPresentation(*presentation);
    m_view->RestoreLayout(*settings);
    if (const std::optional<CLeftView::NodeType> type
        = NodeTypeFromSetting(settings->value(QLatin1String(kShownNodeTypeKey)))) {
        const QString path = settings->value(QLatin1String(kShownLoginPathKey)).toString();
        m_tree->SetInitialNode({ *type, ToPath(path) });
    }
}

void CMainFrame::SaveLayout() const
{
    const std::unique_ptr<QSettings> settings = OpenSettings();
    settings->setValue(QLatin1String(kGeometryKey), saveGeometry());
    settings->setValue(QLatin1String(kStateKey), saveState());
    settings->setValue(QLatin1String(kSplitterKey), m_splitter->saveState());
    settings->setValue(QLatin1String(kPresentationKey), static_cast<int>(m_view->GetPresentation()));
    m_view->SaveLayout(*settings);
    if (const std::optional<CLeftView::NodeRef> node = m_tree->CurrentNode()) {
        settings->setValue(QLatin1String(kShownNodeTypeKey), static_cast<int>(node->type));
        settings->setValue(QLatin1String(kShownLoginPathKey), PathText(node->loginPath));
    } else {
        settings->remove(QLatin1String(kShownNodeTypeKey));
        settings->remove(QLatin1String(kShownLoginPathKey));
    }
    settings->sync();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // The call's files are held and half read or written: the window goes once it has ended.
    if (m_calls->IsRunning()) {
        event->ignore();
        return;
    }
    SaveLayout();
    QMainWindow::closeEvent(event);
}

void CMainFrame::ReloadFromDisk()
{
    NoteFilesBeforeRead();
    RunReportingFileErrors(m_view, m_words, m_ui, [this] {
        m_doc.LoadLoginPaths();
        // The tree selects the same node again, and the list refills it in place.
        m_tree->Rebuild();
    });
    WatchShownFiles();
    NoteOutsideChanges();
}

void CMainFrame::OnLoginPathFilesChanged()
{
    RunReportingFileErrors(m_view, m_words, m_ui, [this] { m_itemList->Reload(); });
    statusBar()->showMessage(Text(Word::ReloadedStatus), 5000);
    WatchShownFiles();
    NoteOutsideChanges();
}

// The first list of a login path's accounts is what later reads are compared with.
void CMainFrame::NoteAccountsShown()
{
    const ListMode mode = m_view->Mode();
    const NativePath loginPath = m_view->CurrentLoginPath();
    const bool listsAccounts = mode == ListMode::Users || mode == ListMode::Groups || mode == ListMode::DatabasePaths;
    if (!listsAccounts || loginPath.IsEmpty() || m_outsideChanges.Knows(loginPath) || m_calls->IsRunning())
        return;
    m_calls->Run([&](const FileEnvironment& environment) { m_outsideChanges.NoteShown(loginPath, environment); });
}

// Read again: what other programs changed since the last read goes into the trail. A trail that
// cannot take it is told in the status bar; the list stays as it was read.
void CMainFrame::NoteOutsideChanges()
{
    const NativePath loginPath = m_view->CurrentLoginPath();
    if (loginPath.IsEmpty() || !m_outsideChanges.Knows(loginPath) || m_calls->IsRunning())
        return;
    const Result<size_t> noted = m_calls->Run([&](const FileEnvironment& environment) {
        return m_outsideChanges.LookAgain(loginPath, m_trail, environment);
    });
    if (!noted)
        statusBar()->showMessage(
            Text(Word::OutsideChangesUnnotedStatus).arg(QString::fromStdString(DescribeFailure(noted.Error()))));
}

void CMainFrame::OnHeldFileFree()
{
    RunReportingFileErrors(m_view, m_words, m_ui, [this] { m_itemList->Reload(); });
    WatchShownFiles();
}

void CMainFrame::NoteFilesBeforeRead()
{
    if (m_watcher != nullptr)
        m_watcher->NoteBeforeRead(m_configFile, m_view->CurrentLoginPath());
}

void CMainFrame::WatchShownFiles()
{
    if (m_watcher != nullptr)
        m_watcher->Watch(m_configFile, m_view->CurrentLoginPath());
    if (m_poller != nullptr)
        m_poller->Watch(m_view->CurrentLoginPath());
    if (m_listRetry != nullptr)
        m_listRetry->Watch(m_view->Problem() ? m_view->Problem()->heldFile : std::nullopt);
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && m_poller != nullptr)
        m_poller->SetWindowActive(isActiveWindow());
}

QString CMainFrame::StatusText() const
{
    return m_statusText->text();
}

void CMainFrame::UpdateTitleAndStatus()
{
    const QString base = Text(Word::ApplicationTitle) + QLatin1Char(' ') + QString::fromLatin1(kVersionText);
    const QString separator = QStringLiteral(" - ");
    const ListMode mode = m_view->Mode();
    const QString count = m_view->IsFiltering()
        ? Text(Word::FilteredItemCountStatus).arg(m_view->ShownRowCount()).arg(m_view->TotalRowCount())
        : Text(Word::ItemCountStatus).arg(m_view->TotalRowCount());
    const QString fullPath = PathText(m_view->CurrentLoginPath());
    const QString label = m_tree->LabelOf(m_view->CurrentLoginPath());
    switch (mode) {
    case ListMode::None:
        setWindowTitle(base);
        m_statusText->clear();
        return;
    case ListMode::LoginPaths:
        setWindowTitle(Text(Word::TreeRoot) + separator + base);
        m_statusText->setText(Text(Word::TreeRoot) + separator + count);
        return;
    case ListMode::Categories:
        setWindowTitle(label + separator + base);
        m_statusText->setText(fullPath + separator + count);
        return;
    case ListMode::Users:
    case ListMode::Groups:
    case ListMode::DatabasePaths:
        setWindowTitle(label + separator + Text(CategoryWord(mode)) + separator + base);
        if (const std::optional<ListProblem>& problem = m_view->Problem())
            m_statusText->setText(Text(Word::ListUnreadableStatus).arg(problem->fileName, problem->cause));
        else
            m_statusText->setText(fullPath + separator + Text(CategoryWord(mode)) + separator + count);
        return;
    }
}

} // namespace custodia
