#include "users/CUserPropertiesDlg.h"

#include "platform/FileException.h"
#include "store/AuditTrailLines.h"
#include "ui/DialogHeader.h"
#include "ui/FileErrorReport.h"
#include "ui/ItemIcons.h"
#include "ui/NumberText.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"
#include "users/CUserDatabaseOfficeListTabPage.h"
#include "users/CUserDatabasePropertiesTabPage.h"
#include "users/CUserGeneralPropertiesTabPage.h"
#include "users/CUserGroupPropertiesTabPage.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kPreferredWidth = 720;
constexpr int kPreferredHeight = 560;

} // namespace

CUserPropertiesDlg::CUserPropertiesDlg(const WordTable& words, UiServices& ui, UserEntry& user,
    const std::vector<GroupEntry>& groups, const DatabaseList& databases, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_ui(ui)
    , m_target(user)
    , m_copy(user)
    , m_groups(groups)
{
    setObjectName(QStringLiteral("userPropertiesDialog"));
    setWindowTitle(WordText(words, Word::UserPropertiesTitle));

    // Made before the pages, so the keyboard reaches the tabs before a page's fields.
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pages"));
    m_general = new CUserGeneralPropertiesTabPage(words, ui, m_copy, m_tabs);
    m_group = new CUserGroupPropertiesTabPage(words, m_copy, groups, m_tabs);
    m_database = new CUserDatabasePropertiesTabPage(words, m_copy, databases, m_tabs);
    m_officeList = new CUserDatabaseOfficeListTabPage(words, ui, m_copy, databases, m_tabs);
    const std::pair<QWidget*, Word> pages[] = {
        { m_general, Word::UserGeneralPage },
        { m_group, Word::UserGroupPage },
        { m_database, Word::DatabasePathsPage },
        { m_officeList, Word::OfficeListsPage },
    };
    for (int index = 0; index < 4; ++index) {
        const auto& [page, title] = pages[index];
        m_tabs->addTab(page, WordText(words, title));
        // The page index, not the tab's place, tells which page a tab shows.
        m_tabs->tabBar()->setTabData(index, index);
    }
    m_tabs->setCurrentIndex(kGeneralPage);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CUserPropertiesDlg::OnTabChanged);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(WordText(words, Word::Ok));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(WordText(words, Word::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CUserPropertiesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CUserPropertiesDlg::reject);
    m_historyButton = buttons->addButton(WordText(words, Word::HistoryCommand), QDialogButtonBox::ActionRole);
    m_historyButton->setObjectName(QStringLiteral("historyButton"));
    m_historyButton->setAutoDefault(false);
    m_historyButton->hide();
    // The history of the user as stored when the dialog opened, whatever its name is being changed to.
    connect(m_historyButton, &QPushButton::clicked, this, [this] {
        if (m_historyOpener)
            m_historyOpener(this, QString::fromStdString(UserTrailObject(m_target.user.userName)));
    });

    auto* layout = new QVBoxLayout(this);
    AddDialogHeader(*layout, ItemIcon(ItemImage::User), WordText(words, Word::UserPropertiesHeader));
    layout->addWidget(m_tabs, 1);
    layout->addWidget(buttons);
    // Wide enough for the database paths and the longest office-list tab at once.
    resize(QSize(kPreferredWidth, kPreferredHeight).expandedTo(sizeHint()));
    // The supervisor starts typing the user's name, not on the tab bar.
    if (auto* userName = m_general->findChild<QLineEdit*>(QStringLiteral("userName")))
        userName->setFocus();
}

CUserPropertiesDlg::~CUserPropertiesDlg() = default;

void CUserPropertiesDlg::SetHistoryOpener(HistoryOpener opener)
{
    m_historyOpener = std::move(opener);
    // A new user has no history of its own yet.
    m_historyButton->setVisible(m_historyOpener && !m_target.user.userName.empty());
}

void CUserPropertiesDlg::OnTabChanged(int index)
{
    if (index < 0 || m_tabs->tabBar()->tabData(index).toInt() != kOfficeListPage)
        return;
    // The office tabs follow the database page as it stands now, OK or not.
    m_database->ApplySelections();
    m_officeList->RebuildDatabaseTabs();
}

bool CUserPropertiesDlg::IsNameRefused()
{
    if (!m_nameCheck)
        return false;
    try {
        if (!m_nameCheck(m_copy.user.userName))
            return false;
        m_ui.ShowMessage(this, WordText(m_words, Word::UserNameTaken), WordText(m_words, Word::CheckYourInputCaption),
            UiServices::Icon::Critical, UiServices::Buttons::Ok);
    } catch (const FileException& error) {
        ReportFileError(this, m_words, m_ui, error);
    }
    m_tabs->setCurrentWidget(m_general);
    return true;
}

bool CUserPropertiesDlg::ConfirmMissingGroup()
{
    const int number = m_copy.user.groupNumber;
    for (const GroupEntry& group : m_groups) {
        if (group.groupNumber == number)
            return true;
    }
    // A user of a group that no profile file holds can start nothing: a new user ends up so when no
    // group was chosen, which the supervisor rarely means.
    const QString text = WordText(m_words, Word::UserGroupMissing).arg(ZeroPadded(number, 3));
    if (m_ui.ShowMessage(this, text, WordText(m_words, Word::UserGroupMissingCaption), UiServices::Icon::Warning,
            UiServices::Buttons::OkCancelDefaultCancel)
        == UiServices::Answer::Ok)
        return true;
    m_tabs->setCurrentWidget(m_group);
    return false;
}

void CUserPropertiesDlg::accept()
{
    if (!m_general->ValidateAndApply() || IsNameRefused())
        return;
    m_database->ApplySelections();
    m_officeList->ApplyAllOfficeSelections();
    if (!ConfirmMissingGroup())
        return;
    if (m_saver) {
        bool close = false;
        const bool read = RunReportingFileErrors(this, m_words, m_ui, [&] { close = m_saver(this, m_copy); });
        if (!read || !close)
            return;
    }
    m_target = m_copy;
    QDialog::accept();
}

} // namespace custodia
