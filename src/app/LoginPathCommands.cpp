#include "app/LoginPathCommands.h"

#include "app/CCustodiaView.h"
#include "app/CLeftView.h"
#include "app/ItemListController.h"
#include "bulk/CImportUsersDialog.h"
#include "bulk/CShareCheckDialog.h"
#include "bulk/ListExport.h"
#include "bulk/UserListFile.h"
#include "platform/Failure.h"
#include "store/AccountService.h"
#include "ui/BackgroundCall.h"
#include "ui/FailureReport.h"
#include "ui/FileErrorReport.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace custodia {

namespace {

QString PlainText(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

LoginPathCommands::LoginPathCommands(
    const WordTable& words, UiServices& ui, CLeftView& tree, ItemListController& itemList, QWidget* window)
    : QObject(window)
    , m_words(words)
    , m_ui(ui)
    , m_tree(tree)
    , m_itemList(itemList)
    , m_window(window)
{
    CreateActions();
    m_tree.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_tree, &QWidget::customContextMenuRequested, this, &LoginPathCommands::ShowTreeMenu);
}

LoginPathCommands::~LoginPathCommands() = default;

QString LoginPathCommands::Text(Word word) const
{
    return WordText(m_words, word);
}

void LoginPathCommands::CreateActions()
{
    m_menu = new QMenu(Text(Word::LoginPathMenu), m_window);
    m_menu->setObjectName(QStringLiteral("loginPathMenu"));
    const auto add = [this](Word word, const char* name, void (LoginPathCommands::*command)(const NativePath&)) {
        QAction* action = m_menu->addAction(Text(word));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, command] {
            if (const std::optional<NativePath> loginPath = TargetLoginPath())
                (this->*command)(*loginPath);
        });
        return action;
    };
    m_import = add(Word::ImportUsersCommand, "importUsers", &LoginPathCommands::ImportUsers);
    m_export = m_menu->addAction(Text(Word::ExportUsersCommand));
    m_export->setObjectName(QStringLiteral("exportUsers"));
    connect(m_export, &QAction::triggered, this, [this] {
        if (const std::optional<NativePath> loginPath = TargetLoginPath())
            ExportUsers(*loginPath);
    });
    m_checkShare = add(Word::CheckShareCommand, "checkShare", &LoginPathCommands::CheckShare);
    m_menu->addSeparator();
    m_exportShown = m_menu->addAction(Text(Word::ExportShownListCommand));
    m_exportShown->setObjectName(QStringLiteral("exportShownList"));
    connect(m_exportShown, &QAction::triggered, this, [this] { ExportShownList(); });
    connect(m_menu, &QMenu::aboutToShow, this, &LoginPathCommands::UpdateActions);
    UpdateActions();
}

void LoginPathCommands::UpdateActions()
{
    const bool hasPath = TargetLoginPath().has_value();
    for (QAction* action : { m_import, m_export, m_checkShare })
        action->setEnabled(hasPath);
}

std::optional<NativePath> LoginPathCommands::TargetLoginPath() const
{
    const std::optional<CLeftView::NodeRef> node = m_tree.CurrentNode();
    if (!node || node->type == CLeftView::NodeType::Root || node->loginPath.IsEmpty())
        return std::nullopt;
    return node->loginPath;
}

void LoginPathCommands::ShowTreeMenu(const QPoint& position)
{
    // The menu acts on the node it opens on, so that node is selected first, as a file manager does.
    if (QTreeWidgetItem* item = m_tree.itemAt(position))
        m_tree.setCurrentItem(item);
    if (!TargetLoginPath())
        return;
    m_menu->exec(m_tree.viewport()->mapToGlobal(position));
}

void LoginPathCommands::ImportUsers(const NativePath& loginPath)
{
    CImportUsersDialog dialog(m_words, m_ui, loginPath, m_trail, m_window);
    dialog.exec();
    if (dialog.LastOutcome() == CImportUsersDialog::Outcome::Applied)
        m_itemList.Reload();
}

bool LoginPathCommands::ExportUsers(const NativePath& loginPath)
{
    const QString csvFilter = Text(Word::ExportFileFilterCsv);
    const QString tsvFilter = Text(Word::ExportFileFilterTsv);
    QString chosenFilter = csvFilter;
    const QString fileName = m_ui.ChooseSaveFile(m_window, Text(Word::ExportUsersTitle).arg(PathText(loginPath)),
        QString(), csvFilter + QStringLiteral(";;") + tsvFilter, &chosenFilter);
    if (fileName.isEmpty())
        return false;
    // An extension says the format; without one, the filter chosen does.
    const bool hasExtension = !QFileInfo(fileName).suffix().isEmpty();
    const delimited::Format format = hasExtension ? ListFormatOfFileName(ToPath(fileName).Bytes())
        : chosenFilter == tsvFilter               ? delimited::Format::Tsv
                                                  : delimited::Format::Csv;
    struct Read {
        std::optional<Failure> failure;
        std::string text;
        size_t users = 0;
    };
    std::optional<Read> read;
    if (!RunReportingFileErrors(m_window, m_words, m_ui, [&] {
            read = m_itemList.Calls().Run([&](const FileEnvironment& environment) {
                Read result;
                const AccountService service(loginPath, environment);
                Result<std::vector<UserEntry>> users = service.LoadUsers();
                if (!users) {
                    result.failure = users.Error();
                    return result;
                }
                Result<std::vector<GroupEntry>> groups = service.LoadGroups();
                if (!groups) {
                    result.failure = groups.Error();
                    return result;
                }
                result.users = users->size();
                result.text = UserListText(*users, *groups, format);
                return result;
            });
        }))
        return false;
    if (read->failure) {
        m_ui.ShowMessage(m_window,
            Text(Word::ListUnreadable) + QLatin1Char(' ') + FailureCauseText(m_words, *read->failure),
            PlainText(Text(Word::ExportUsersCommand)), UiServices::Icon::Critical, UiServices::Buttons::Ok);
        return false;
    }
    if (const std::optional<QString> why = WriteWholeFile(fileName, read->text)) {
        m_ui.ShowMessage(m_window, Text(Word::ExportFileUnwritable).arg(fileName, *why),
            PlainText(Text(Word::ExportUsersCommand)), UiServices::Icon::Critical, UiServices::Buttons::Ok);
        return false;
    }
    emit statusMessage(Text(Word::ExportedUsersStatus).arg(read->users).arg(fileName));
    return true;
}

void LoginPathCommands::CheckShare(const NativePath& loginPath)
{
    CShareCheckDialog dialog(m_words, loginPath, m_window);
    dialog.show();
    dialog.Check();
    dialog.exec();
}

bool LoginPathCommands::ExportShownList()
{
    const CCustodiaView& view = m_itemList.View();
    if (view.Mode() == ListMode::None)
        return false;
    const QString fileName = m_ui.ChooseSaveFile(
        m_window, PlainText(Text(Word::ExportShownListCommand)), QString(), Text(Word::ExportFileFilterCsv), nullptr);
    if (fileName.isEmpty())
        return false;
    const std::string text = ShownRowsCsv(view.Model(), ShownColumns(*view.DetailsView().header()));
    if (const std::optional<QString> why = WriteWholeFile(fileName, text)) {
        m_ui.ShowMessage(m_window, Text(Word::ExportFileUnwritable).arg(fileName, *why),
            PlainText(Text(Word::ExportShownListCommand)), UiServices::Icon::Critical, UiServices::Buttons::Ok);
        return false;
    }
    emit statusMessage(Text(Word::ExportedRowsStatus).arg(view.ShownRowCount()).arg(fileName));
    return true;
}

} // namespace custodia
