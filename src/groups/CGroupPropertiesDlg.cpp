#include "groups/CGroupPropertiesDlg.h"

#include "groups/CGroupPropertiesTabPage.h"
#include "groups/CSaveProfileAsDialog.h"
#include "groups/GroupProfileWriter.h"
#include "groups/ProfileFieldRules.h"
#include "platform/FileException.h"
#include "store/AccountService.h"
#include "store/AuditTrailLines.h"
#include "store/ProgramIndex.h"
#include "store/RightsCatalogue.h"
#include "ui/BackgroundCall.h"
#include "ui/DialogHeader.h"
#include "ui/FileErrorReport.h"
#include "ui/ItemIcons.h"
#include "ui/NumberText.h"
#include "ui/StoredTextValidator.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace custodia {

static_assert(CGroupPropertiesDlg::kPageCount == kRightsPageCount);

CGroupPropertiesDlg::CGroupPropertiesDlg(const WordTable& words, UiServices& ui, const std::string& loginPath,
    const GroupEntry& group, std::vector<std::string> managedLoginPaths, QWidget* parent, BackgroundCall* calls)
    : QDialog(parent)
    , m_words(words)
    , m_ui(ui)
    , m_loginPath(loginPath)
    , m_groupNumber(static_cast<uint8_t>(group.groupNumber))
    , m_managedLoginPaths(std::move(managedLoginPaths))
    , m_calls(calls)
{
    // A number that no profile file holds loads as all zero: every right starts unticked.
    // Whether a save must find the group still stored (see SaveProfile).
    std::optional<RightsTable> stored = StoredRights(m_loginPath, m_groupNumber);
    m_storedWhenOpened = stored.has_value();
    if (stored)
        m_openedRights = std::move(*stored);
    m_rights = m_openedRights;

    setWindowTitle(
        QStringLiteral("%1 : %2").arg(WordText(m_words, Word::GroupPropertiesTitle), ZeroPadded(m_groupNumber, 3)));

    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    m_nameEdit->setValidator(new GroupNameValidator(this));
    m_nameEdit->setText(StoredText(group.name));
    auto* nameLabel = new QLabel(WordText(m_words, Word::GroupNameFieldLabel), this);
    nameLabel->setBuddy(m_nameEdit);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_nameEdit, 1);

    // Made before the pages, so that Tab goes from the name to the search and the list of pages, then
    // into the page.
    QLayout* searchRow = MakeSearchRow();
    m_pageList = new QListWidget(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("rightsTabs"));
    for (int i = 0; i < kPageCount; ++i) {
        auto* page = new CGroupPropertiesTabPage(m_words, m_rights, RightsPages()[static_cast<size_t>(i)], m_tabs);
        m_pages[static_cast<size_t>(i)] = page;
        m_tabs->addTab(page, page->GetPageTitle());
        m_tabs->tabBar()->setTabData(i, i);
    }

    auto* layout = new QVBoxLayout(this);
    AddDialogHeader(*layout, ItemIcon(ItemImage::Group), WordText(m_words, Word::GroupPropertiesHeader));
    layout->addLayout(nameRow);
    layout->addLayout(searchRow);
    layout->addLayout(MakePagesRow(), 1);
    layout->addLayout(MakeButtonRow());

    const int averageChar = fontMetrics().averageCharWidth();
    resize(averageChar * 110, fontMetrics().height() * 34);
    m_nameEdit->setFocus();
}

CGroupPropertiesDlg::~CGroupPropertiesDlg() = default;

void CGroupPropertiesDlg::SetHistoryOpener(HistoryOpener opener)
{
    m_historyOpener = std::move(opener);
    // A new group has no history of its own yet.
    m_historyButton->setVisible(m_historyOpener && m_storedWhenOpened);
}

QLayout* CGroupPropertiesDlg::MakeSearchRow()
{
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("rightsSearch"));
    m_search->setClearButtonEnabled(true);
    m_search->setPlaceholderText(WordText(m_words, Word::RightsSearchPlaceholder));
    auto* label = new QLabel(WordText(m_words, Word::RightsSearchLabel), this);
    label->setBuddy(m_search);
    connect(m_search, &QLineEdit::textChanged, this, &CGroupPropertiesDlg::OnSearchChanged);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_search, 1);
    return row;
}

QLayout* CGroupPropertiesDlg::MakePagesRow()
{
    // Fourteen page titles do not fit on one row of tabs: they are listed beside the page, every one
    // readable and a click or an arrow key away. The tabs stay behind it for Ctrl+Tab.
    m_pageList->setObjectName(QStringLiteral("pageList"));
    m_pageList->setAccessibleName(WordText(m_words, Word::RightsPageListName));
    m_pageList->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_pageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageList->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    for (int i = 0; i < kPageCount; ++i) {
        auto* item = new QListWidgetItem(m_tabs->tabText(i), m_pageList);
        item->setData(Qt::UserRole, i);
    }
    m_pageList->setCurrentRow(0);
    m_tabs->tabBar()->hide();
    connect(m_pageList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            m_tabs->setCurrentIndex(row);
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0)
            m_pageList->setCurrentRow(index);
    });
    auto* row = new QHBoxLayout;
    row->addWidget(m_pageList);
    row->addWidget(m_tabs, 1);
    return row;
}

void CGroupPropertiesDlg::OnSearchChanged(const QString& text)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    int firstMatch = -1;
    for (int i = 0; i < kPageCount; ++i) {
        const int matches = Page(i)->ShowMatching(words);
        m_pageList->item(i)->setHidden(matches == 0);
        if (matches > 0 && firstMatch < 0)
            firstMatch = i;
    }
    // The page in view shows what was found, or the first page that has it.
    if (firstMatch >= 0 && m_pageList->item(m_tabs->currentIndex())->isHidden())
        m_tabs->setCurrentIndex(firstMatch);
}

QLayout* CGroupPropertiesDlg::MakeButtonRow()
{
    auto* invert = new QPushButton(WordText(m_words, Word::InvertSelections), this);
    invert->setObjectName(QStringLiteral("invertButton"));
    invert->setAutoDefault(false);
    connect(invert, &QPushButton::clicked, this, &CGroupPropertiesDlg::OnInvertSelections);
    m_historyButton = new QPushButton(WordText(m_words, Word::HistoryCommand), this);
    m_historyButton->setObjectName(QStringLiteral("historyButton"));
    m_historyButton->setAutoDefault(false);
    m_historyButton->hide();
    // A group by its number, under every name it had.
    connect(m_historyButton, &QPushButton::clicked, this, [this] {
        if (m_historyOpener)
            m_historyOpener(this, QString::fromStdString(GroupTrailObject(m_groupNumber, {})));
    });
    auto* save = new QPushButton(WordText(m_words, Word::Save), this);
    save->setObjectName(QStringLiteral("saveButton"));
    save->setDefault(true);
    connect(save, &QPushButton::clicked, this, &CGroupPropertiesDlg::accept);
    auto* saveAs = new QPushButton(WordText(m_words, Word::SaveAsButton), this);
    saveAs->setObjectName(QStringLiteral("saveAsButton"));
    saveAs->setAutoDefault(false);
    connect(saveAs, &QPushButton::clicked, this, &CGroupPropertiesDlg::OnSaveAs);
    auto* cancel = new QPushButton(WordText(m_words, Word::Cancel), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &CGroupPropertiesDlg::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(invert);
    row->addWidget(m_historyButton);
    row->addStretch(1);
    row->addWidget(save);
    row->addWidget(saveAs);
    row->addWidget(cancel);
    return row;
}

std::optional<std::pair<std::string, RightsTable>> CGroupPropertiesDlg::StoredGroup(
    const std::string& loginPath, uint8_t groupNumber) const
{
    Result<std::pair<std::string, RightsTable>> stored = RunThrough(m_calls, [&](const FileEnvironment& environment) {
        return AccountService(NativePath(loginPath), environment).LoadGroupRights(groupNumber);
    });
    if (!stored)
        return std::nullopt;
    return std::move(stored).Value();
}

std::optional<RightsTable> CGroupPropertiesDlg::StoredRights(const std::string& loginPath, uint8_t groupNumber) const
{
    std::optional<std::pair<std::string, RightsTable>> group = StoredGroup(loginPath, groupNumber);
    return group ? std::optional<RightsTable>(std::move(group->second)) : std::nullopt;
}

std::optional<std::string> CGroupPropertiesDlg::StoredName(const std::string& loginPath, uint8_t groupNumber) const
{
    std::optional<std::pair<std::string, RightsTable>> group = StoredGroup(loginPath, groupNumber);
    return group ? std::optional<std::string>(std::move(group->first)) : std::nullopt;
}

void CGroupPropertiesDlg::OnInvertSelections()
{
    // Only the page in view: the others are not what the supervisor is looking at.
    const int page = m_tabs->tabBar()->tabData(m_tabs->currentIndex()).toInt();
    Page(page)->InvertSelections();
}

void CGroupPropertiesDlg::accept()
{
    const std::optional<std::string> name = StoredOrRefused(m_nameEdit->text(), *m_nameEdit, m_ui, m_words);
    if (name && SaveProfile(m_loginPath, m_groupNumber, *name))
        QDialog::accept();
}

bool CGroupPropertiesDlg::SaveProfile(const std::string& loginPath, uint8_t groupNumber, const std::string& name)
{
    for (CGroupPropertiesTabPage* page : m_pages)
        page->StoreSelections();
    const bool ownGroup = loginPath == m_loginPath && groupNumber == m_groupNumber;
    const RightsTable::Row* console = m_rights.GetRow(kProgramCustodia);
    const bool keepsConsoleRight = console != nullptr && (*console)[kConsoleRightPosition] != 0;
    if (ownGroup && m_saveCheck && !m_saveCheck(keepsConsoleRight))
        return false;
    const NativePath path(loginPath);
    const auto write = [&](RightsWritten written, SaveMode mode) {
        return RunThrough(m_calls, [&](const FileEnvironment& environment) {
            return WriteGroupProfiles(
                path, groupNumber, name, m_openedRights, m_rights, written, mode, environment, m_trail);
        });
    };
    ProfileWriteResult result;
    if (ownGroup) {
        // The dialog's own group takes only the rights the supervisor changed; one that was stored when
        // the dialog opened must be stored still, or a group another program deleted would come back.
        result = write(RightsWritten::Changed, m_storedWhenOpened ? SaveMode::ReplaceOnly : SaveMode::CreateOrReplace);
        if (result.groupMissing) {
            if (!ConfirmRecreating())
                return true;
            result = write(RightsWritten::All, SaveMode::CreateOnly);
        }
    } else {
        // A copy takes them all.
        result = write(RightsWritten::All, SaveMode::CreateOrReplace);
    }
    // The list shows the dialog's own login path, not the one a copy went to.
    if (m_groupsSaved)
        RunReportingFileErrors(this, m_words, m_ui, m_groupsSaved);
    if (result.failures.empty() && !result.groupMissing)
        return true;
    ReportFailedSave(result);
    return false;
}

bool CGroupPropertiesDlg::ConfirmRecreating()
{
    return m_ui.ShowMessage(this, WordText(m_words, Word::GroupDeletedMeanwhile),
               WordText(m_words, Word::DeletedMeanwhileCaption), UiServices::Icon::Warning,
               UiServices::Buttons::OkCancelDefaultCancel)
        == UiServices::Answer::Ok;
}

void CGroupPropertiesDlg::ReportFailedSave(const ProfileWriteResult& result)
{
    QString files;
    for (const ProfileWriteFailure& failure : result.failures) {
        files += QStringLiteral("\n  ") + PathText(NativePath(failure.fileName));
        if (!failure.cause.empty())
            files += QStringLiteral(" (%1)").arg(QString::fromStdString(failure.cause));
    }
    const Word summary = result.written == 0 ? Word::GroupNotSaved : Word::GroupSavedPartly;
    const QString text = WordText(m_words, summary) + QLatin1Char('\n') + files + QStringLiteral("\n\n")
        + WordText(m_words, Word::GroupSaveRetryHint);
    m_ui.ShowMessage(
        this, text, WordText(m_words, Word::GroupNotSavedCaption), UiServices::Icon::Critical, UiServices::Buttons::Ok);
}

void CGroupPropertiesDlg::OnSaveAs()
{
    CSaveProfileAsDialog dialog(m_words, m_ui, m_loginPath, m_managedLoginPaths, this);
    // Declining to replace a group goes back to the save-as dialog with what was entered.
    while (dialog.exec() == QDialog::Accepted) {
        const auto number = static_cast<uint8_t>(dialog.GetNumber());
        bool confirmed = false;
        const bool read = RunReportingFileErrors(
            this, m_words, m_ui, [&] { confirmed = ConfirmReplacing(dialog.GetLoginPath(), number); });
        if (!read)
            return;
        if (confirmed) {
            SaveProfile(dialog.GetLoginPath(), number, dialog.GetName());
            return;
        }
    }
}

bool CGroupPropertiesDlg::ConfirmReplacing(const std::string& loginPath, uint8_t groupNumber)
{
    // Any of the twelve files holding the number counts: a copy would replace that record too.
    const std::optional<std::string> existing = StoredName(loginPath, groupNumber);
    if (!existing)
        return true;
    const QString text = WordText(m_words, Word::ReplaceGroupPrompt) + QStringLiteral("\n\n  ")
        + ZeroPadded(groupNumber, 3) + QLatin1Char(' ') + StoredText(*existing) + QLatin1Char('\n');
    return m_ui.ShowMessage(this, text, WordText(m_words, Word::ReplaceGroupCaption), UiServices::Icon::Warning,
               UiServices::Buttons::OkCancelDefaultCancel)
        == UiServices::Answer::Ok;
}

} // namespace custodia
