#include "users/CUserDatabaseOfficeListTabTabPage.h"

#include "platform/FileException.h"
#include "store/OfficeNameList.h"
#include "store/UserAccessRecord.h"
#include "ui/CheckListAccessibility.h"
#include "ui/FileErrorReport.h"
#include "ui/NumberText.h"
#include "ui/StoredTextValidator.h"
#include "ui/WordText.h"
#include "users/LoggerDatabasePath.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

// The icons live in the UI library, a static library; registering them here keeps them linked in
// whichever window looks one up first.
static QIcon OfficeIcon()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(custodia);
        return true;
    }();
    (void)registered;
    return QIcon(QStringLiteral(":/icons/office-16.png"));
}

namespace custodia {

namespace {

constexpr int kOfficeRole = Qt::UserRole;

QString OfficeEntryText(int office)
{
    return QStringLiteral("[%1]").arg(ZeroPadded(office, 2));
}

} // namespace

CUserDatabaseOfficeListTabTabPage::CUserDatabaseOfficeListTabTabPage(
    const WordTable& words, UiServices& ui, int slot, UserEntry& entry, const DatabaseList& databases, QWidget* parent)
    : QWidget(parent)
    , m_words(words)
    , m_ui(ui)
    , m_slot(slot)
    , m_entry(entry)
{
    setObjectName(QStringLiteral("officePage%1").arg(slot));
    auto* label = new QLabel(WordText(words, Word::DatabasePathLabel), this);
    m_folder = new QLineEdit(this);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->setAccessibleName(label->text());
    LimitStoredText(*m_folder, databaselist::kMaxPathLength);
    label->setBuddy(m_folder);
    m_switch = new QCheckBox(WordText(words, Word::OnlyTickedOffices), this);
    m_switch->setObjectName(QStringLiteral("officeSwitch"));
    m_browse = new QPushButton(WordText(words, Word::Browse), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setAutoDefault(false);
    m_list = new QTreeWidget(this);
    ExposeChecksToScreenReaders(*m_list);
    m_list->setObjectName(QStringLiteral("officeList"));
    m_list->setAccessibleName(WordText(words, Word::OfficeListsPage));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({ WordText(words, Word::OfficeEntryColumn), WordText(words, Word::OfficeNumberColumn),
        WordText(words, Word::OfficeNameColumn) });

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_folder, 0, 1, 1, 2);
    layout->addWidget(m_switch, 1, 0, 1, 2);
    layout->addWidget(m_browse, 1, 2);
    layout->addWidget(m_list, 2, 0, 1, 3);
    layout->setColumnStretch(1, 1);

    if (slot < accessrecord::kCurrentDatabaseSlot) {
        m_folder->setText(StoredText(databases.GetPath(slot)));
        m_folder->setToolTip(m_folder->text());
        m_folder->setEnabled(false);
        m_browse->hide();
    }
    m_switch->setChecked(m_entry.access.IsOfficeSelectionEnabled(slot));
    connect(m_switch, &QCheckBox::clicked, this, &CUserDatabaseOfficeListTabTabPage::OnSwitchClicked);
    connect(m_browse, &QPushButton::clicked, this, &CUserDatabaseOfficeListTabTabPage::OnBrowse);
    connect(m_folder, &QLineEdit::editingFinished, this, &CUserDatabaseOfficeListTabTabPage::OnFolderTyped);
    m_folder->installEventFilter(this);
    FillOfficeList();
}

void CUserDatabaseOfficeListTabTabPage::FillOfficeList()
{
    // Ticks made since the page was filled are kept in the entry first, so showing another folder's
    // names does not take them back.
    ApplySelections();
    m_list->clear();
    m_shownFolder = m_folder->text();
    const OfficeNameList names(ToPath(m_shownFolder));
    const QIcon icon = OfficeIcon();
    QList<QTreeWidgetItem*> rows;
    for (int office = 1; office <= accessrecord::kMaxOffice; ++office) {
        auto* row = new QTreeWidgetItem(
            { OfficeEntryText(office), StoredText(names.GetNumberText(office)), StoredText(names.GetName(office)) });
        row->setIcon(0, icon);
        row->setData(0, kOfficeRole, office);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, m_entry.access.IsOfficeAllowed(m_slot, office) ? Qt::Checked : Qt::Unchecked);
        rows.append(row);
    }
    m_list->addTopLevelItems(rows);
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
    OnSwitchClicked(m_switch->isChecked());
}

void CUserDatabaseOfficeListTabTabPage::ApplySelections()
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_list->topLevelItem(i);
        m_entry.access.SetOfficeAllowed(m_slot, row->data(0, kOfficeRole).toInt(), row->checkState(0) == Qt::Checked);
    }
}

void CUserDatabaseOfficeListTabTabPage::OnSwitchClicked(bool on)
{
    // A greyed list keeps its ticks; they are still written at OK.
    m_list->setEnabled(on);
    m_entry.access.SetOfficeSelectionEnabled(m_slot, on);
}

bool CUserDatabaseOfficeListTabTabPage::RefillReportingErrors()
{
    try {
        FillOfficeList();
        return true;
    } catch (const FileException& error) {
        ReportFileError(this, m_words, m_ui, error);
        return false;
    }
}

void CUserDatabaseOfficeListTabTabPage::OnBrowse()
{
    const std::optional<QString> chosen = ChooseLoggerDatabase(
        m_ui, this, WordText(m_words, Word::DatabasePathTitle), QLatin1String(kLoggerDatabaseFileName));
    if (!chosen)
        return;
    const std::optional<QString> folder = LoggerDatabaseFolderOf(*chosen);
    if (!folder)
        return;
    m_folder->setText(*folder);
    RefillReportingErrors();
}

bool CUserDatabaseOfficeListTabTabPage::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the folder field loads that folder's offices, as Browse does; left alone it would
    // reach the dialog's OK and close it with the offices never shown.
    if (watched == m_folder && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnFolderTyped();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUserDatabaseOfficeListTabTabPage::OnFolderTyped()
{
    if (m_folder->text() != m_shownFolder)
        RefillReportingErrors();
}

} // namespace custodia
