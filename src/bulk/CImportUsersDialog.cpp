#include "bulk/CImportUsersDialog.h"

#include "bulk/UserImportTableModel.h"
#include "bulk/UserListFile.h"
#include "platform/Failure.h"
#include "store/AccountService.h"
#include "ui/BackgroundCall.h"
#include "ui/FailureReport.h"
#include "ui/FileErrorReport.h"
#include "ui/UiServices.h"
#include "ui/WordText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace custodia {

namespace {

constexpr int kInitialWidth = 820;
constexpr int kInitialHeight = 560;

// The steps Apply shows: the file held and read, the list checked, the users written.
constexpr int kStepCount = 3;

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// What another program may have changed between the preview and the hold of Apply: the import writes
// only what was shown.
bool SameChanges(const UserImportPlan& a, const UserImportPlan& b)
{
    const auto same = [](const std::vector<PlannedUser>& x, const std::vector<PlannedUser>& y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const PlannedUser& p, const PlannedUser& q) {
            return p.line == q.line && p.before == q.before && p.after == q.after;
        });
    };
    return same(a.adds, b.adds) && same(a.changes, b.changes) && same(a.deletes, b.deletes);
}

struct StoredAccounts {
    std::vector<GroupEntry> groups;
    DatabaseList databases;
};

Result<StoredAccounts> LoadAccounts(const AccountService& service)
{
    Result<std::vector<GroupEntry>> groups = service.LoadGroups();
    if (!groups)
        return groups.Error();
    Result<DatabaseList> databases = service.LoadDatabaseList();
    if (!databases)
        return databases.Error();
    return StoredAccounts { std::move(*groups), *databases };
}

} // namespace

CImportUsersDialog::CImportUsersDialog(
    const WordTable& words, UiServices& ui, const NativePath& loginPath, TrailOptions trail, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_ui(ui)
    , m_loginPath(loginPath)
    , m_trail(std::move(trail))
    , m_calls(new BackgroundCall(words, this))
    , m_model(new UserImportTableModel(words, this))
    , m_sorted(new QSortFilterProxyModel(this))
{
    setObjectName(QStringLiteral("importUsersDialog"));
    setWindowTitle(Text(Word::ImportUsersTitle).arg(PathText(loginPath)));
    // The dialog shows its own steps and Cancel while it reads and writes.
    m_calls->LetInputThrough(true);
    m_sorted->setSourceModel(m_model);
    CreateControls();
    resize(kInitialWidth, kInitialHeight);
    ShowNoPlan(Text(Word::ImportChooseFileHint));
}

CImportUsersDialog::~CImportUsersDialog() = default;

QString CImportUsersDialog::Text(Word word) const
{
    return WordText(m_words, word);
}

void CImportUsersDialog::CreateControls()
{
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("importFile"));
    m_browse = new QPushButton(Text(Word::Browse), this);
    m_browse->setObjectName(QStringLiteral("importBrowse"));
    m_browse->setAccessibleDescription(Text(Word::ImportListFileLabel).remove(QLatin1Char('&')));
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("importFormat"));
    m_format->addItems({ Text(Word::ImportFormatByName), Text(Word::ListFormatCsv), Text(Word::ListFormatTsv) });
    m_existing = new QComboBox(this);
    m_existing->setObjectName(QStringLiteral("importExisting"));
    m_existing->addItems(
        { Text(Word::ImportExistingRefuse), Text(Word::ImportExistingReplace), Text(Word::ImportExistingSkip) });
    m_deleteMissing = new QCheckBox(Text(Word::ImportDeleteMissing), this);
    m_deleteMissing->setObjectName(QStringLiteral("importDeleteMissing"));
    m_allowNoPassword = new QCheckBox(Text(Word::ImportAllowNoPassword), this);
    m_allowNoPassword->setObjectName(QStringLiteral("importAllowNoPassword"));
    m_preview = new QPushButton(Text(Word::PreviewButton), this);
    m_preview->setObjectName(QStringLiteral("importPreview"));
    m_preview->setAutoDefault(false);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("importSummary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("importPreviewTable"));
    m_table->setAccessibleName(Text(Word::ImportPreviewName));
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTabKeyNavigation(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Thousands of rows: never measured row by row.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int digit = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_table->horizontalHeader()->resizeSection(UserImportTableModel::Line, 9 * digit);
    m_table->horizontalHeader()->resizeSection(UserImportTableModel::Action, 14 * digit);
    m_table->horizontalHeader()->resizeSection(UserImportTableModel::User, 26 * digit);

    m_step = new QLabel(this);
    m_step->setObjectName(QStringLiteral("importStep"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("importProgress"));
    m_progress->setAccessibleName(Text(Word::ImportProgressName));
    m_progress->setRange(0, kStepCount);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_step->setBuddy(m_progress);

    auto* buttons = new QDialogButtonBox(this);
    // Not the accepting button: the box would make that the default, which Enter in any field presses.
    m_apply = buttons->addButton(Text(Word::ApplyButton), QDialogButtonBox::ActionRole);
    m_apply->setObjectName(QStringLiteral("importApply"));
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancel->setText(Text(Word::Cancel));
    m_cancel->setObjectName(QStringLiteral("importCancel"));
    // Enter in the file field previews the list; it must never also apply it unseen.
    for (QPushButton* button : { m_browse, m_apply, m_cancel })
        button->setAutoDefault(false);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_browse);
    auto* form = new QGridLayout;
    form->addWidget(BuddyLabel(Text(Word::ImportListFileLabel), m_file, this), 0, 0);
    form->addLayout(fileRow, 0, 1, 1, 2);
    form->addWidget(BuddyLabel(Text(Word::ImportFormatLabel), m_format, this), 1, 0);
    form->addWidget(m_format, 1, 1);
    form->addWidget(BuddyLabel(Text(Word::ImportExistingLabel), m_existing, this), 2, 0);
    form->addWidget(m_existing, 2, 1);
    form->addWidget(m_deleteMissing, 3, 1, 1, 2);
    form->addWidget(m_allowNoPassword, 4, 1, 1, 2);
    form->addWidget(m_preview, 4, 2, Qt::AlignRight);
    form->setColumnStretch(2, 1);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_step, 1);
    progressRow->addWidget(m_progress, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addLayout(progressRow);
    layout->addWidget(buttons);

    connect(m_browse, &QPushButton::clicked, this, &CImportUsersDialog::ChooseFile);
    connect(m_file, &QLineEdit::returnPressed, this, &CImportUsersDialog::Preview);
    connect(m_preview, &QPushButton::clicked, this, &CImportUsersDialog::Preview);
    // What the list means depends on the options: the preview follows them.
    const auto previewAgain = [this] {
        if (m_previewed)
            Preview();
    };
    connect(m_format, &QComboBox::currentIndexChanged, this, previewAgain);
    connect(m_existing, &QComboBox::currentIndexChanged, this, previewAgain);
    connect(m_deleteMissing, &QCheckBox::toggled, this, previewAgain);
    connect(m_allowNoPassword, &QCheckBox::toggled, this, previewAgain);
    connect(m_apply, &QPushButton::clicked, this, &CImportUsersDialog::Apply);
    connect(m_cancel, &QPushButton::clicked, this, &CImportUsersDialog::reject);
}

void CImportUsersDialog::ChooseFile()
{
    const QString start = m_file->text().isEmpty() ? QString() : QFileInfo(m_file->text()).absolutePath();
    const QString chosen = m_ui.ChooseFile(
        this, Text(Word::ImportListFileLabel).remove(QLatin1Char('&')), start, Text(Word::ListFileFilter));
    if (!chosen.isEmpty())
        SetListFile(chosen);
}

void CImportUsersDialog::SetListFile(const QString& fileName)
{
    m_file->setText(fileName);
    Preview();
}

void CImportUsersDialog::SetOptions(const UserImportOptions& options)
{
    const QSignalBlocker existing(m_existing), deleteMissing(m_deleteMissing), allow(m_allowNoPassword);
    m_existing->setCurrentIndex(static_cast<int>(options.existing));
    m_deleteMissing->setChecked(options.deleteMissing);
    m_allowNoPassword->setChecked(options.allowNoPassword);
    if (m_previewed)
        Preview();
}

void CImportUsersDialog::SetFormatChoice(FormatChoice choice)
{
    m_format->setCurrentIndex(static_cast<int>(choice));
}

UserImportOptions CImportUsersDialog::Options() const
{
    UserImportOptions options;
    options.existing = static_cast<ExistingUser>(m_existing->currentIndex());
    options.deleteMissing = m_deleteMissing->isChecked();
    options.allowNoPassword = m_allowNoPassword->isChecked();
    return options;
}

CImportUsersDialog::ListRead CImportUsersDialog::ReadList(const std::string& fileName, FormatChoice choice) const
{
    ListRead read;
    const auto refuse = [&](const char* why) {
        read.error
            = Text(Word::ListFileUnreadable).arg(QString::fromLocal8Bit(fileName.c_str()), QString::fromLocal8Bit(why));
        return read;
    };
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        return refuse(std::strerror(errno));
    std::string text;
    char buffer[64 * 1024];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(file.gcount()));
        if (text.size() > kMaxListFileBytes)
            return refuse("larger than any list of users can be");
    }
    if (file.bad())
        return refuse(std::strerror(errno));
    const delimited::Format format = choice == FormatChoice::Tsv ? delimited::Format::Tsv
        : choice == FormatChoice::Csv                            ? delimited::Format::Csv
                                                                 : ListFormatOfFileName(fileName);
    read.lines = ImportLinesOf(text, format, read.unreadable);
    return read;
}

void CImportUsersDialog::Preview()
{
    if (m_busy)
        return;
    const QString fileName = m_file->text().trimmed();
    if (fileName.isEmpty()) {
        ShowNoPlan(Text(Word::ImportChooseFileHint));
        return;
    }
    const std::string name = ToPath(fileName).Bytes();
    const UserImportOptions options = Options();
    const auto choice = static_cast<FormatChoice>(m_format->currentIndex());
    struct Previewed {
        ListRead list;
        std::optional<Failure> failure;
        UserImportPlan plan;
    };
    SetBusy(true);
    SetStep(0, Text(Word::ImportStepPreviewing));
    m_progress->setRange(0, 0);
    std::optional<Previewed> previewed;
    const bool ran = RunReportingFileErrors(this, m_words, m_ui, [&] {
        previewed = m_calls->Run([&](const FileEnvironment& environment) {
            Previewed result;
            result.list = ReadList(name, choice);
            if (result.list.error)
                return result;
            const AccountService service(m_loginPath, environment);
            Result<StoredAccounts> accounts = LoadAccounts(service);
            if (!accounts) {
                result.failure = accounts.Error();
                return result;
            }
            // A login path without "tessel.pwd" holds no users yet; the import makes the file.
            Result<std::vector<UserEntry>> users = service.LoadUsers();
            if (!users && !IsMissingFile(users.Error())) {
                result.failure = users.Error();
                return result;
            }
            result.plan = PlanUserImport(result.list.lines, users ? *users : std::vector<UserEntry>(), accounts->groups,
                accounts->databases, options);
            result.plan.problems.insert(
                result.plan.problems.end(), result.list.unreadable.begin(), result.list.unreadable.end());
            return result;
        });
    });
    m_progress->setRange(0, kStepCount);
    SetStep(0, {});
    SetBusy(false);
    m_previewed = true;
    if (!ran || !previewed)
        return ShowNoPlan({});
    if (previewed->list.error)
        return ShowNoPlan(*previewed->list.error);
    if (previewed->failure) {
        if (previewed->failure->refusal == Failure::Refusal::Cancelled)
            return ShowNoPlan(Text(Word::ImportCancelledStatus));
        ShowNoPlan(Text(Word::ListUnreadable) + QLatin1Char(' ') + FailureCauseText(m_words, *previewed->failure));
        return;
    }
    m_list = std::move(previewed->list);
    ShowPlan(std::move(previewed->plan));
}

void CImportUsersDialog::Apply()
{
    if (m_busy || !CanApply())
        return;
    const UserImportOptions options = Options();
    const UserImportPlan shown = m_model->Plan();
    bool changedMeanwhile = false;
    SetBusy(true);
    SetStep(0, Text(Word::ImportStepReading));
    std::optional<Result<UserImportPlan>> imported;
    const bool ran = RunReportingFileErrors(this, m_words, m_ui, [&] {
        imported = m_calls->Run([&](const FileEnvironment& environment) -> Result<UserImportPlan> {
            const AccountService service(m_loginPath, m_trail, environment);
            Result<StoredAccounts> accounts = LoadAccounts(service);
            if (!accounts)
                return accounts.Error();
            // The steps are posted: the window's thread paints them while this one goes on.
            const auto post = [this](int step, QString text) {
                QMetaObject::invokeMethod(
                    this, [this, step, text] { SetStep(step, text); }, Qt::QueuedConnection);
            };
            return service.ImportUsers([&](const std::vector<UserEntry>& stored) {
                post(1, Text(Word::ImportStepChecking).arg(m_list.lines.size()));
                UserImportPlan plan
                    = PlanUserImport(m_list.lines, stored, accounts->groups, accounts->databases, options);
                plan.problems.insert(plan.problems.end(), m_list.unreadable.begin(), m_list.unreadable.end());
                if (plan.IsGood() && !SameChanges(plan, shown)) {
                    changedMeanwhile = true;
                    plan.problems.push_back({ 0, Text(Word::ImportChangedMeanwhile).toStdString() });
                }
                post(2, Text(Word::ImportStepWriting));
                return plan;
            });
        });
    });
    SetBusy(false);
    if (!ran || !imported) {
        m_outcome = Outcome::Failed;
        SetStep(0, {});
        return;
    }
    if (!*imported) {
        SetStep(0, {});
        if (imported->Error().refusal == Failure::Refusal::Cancelled) {
            m_outcome = Outcome::Cancelled;
            m_step->setText(Text(Word::ImportCancelledStatus));
            return;
        }
        m_outcome = Outcome::Failed;
        ReportFailure(this, m_words, m_ui, imported->Error());
        return;
    }
    if (!(*imported)->IsGood()) {
        m_outcome = Outcome::Refused;
        SetStep(0, {});
        if (changedMeanwhile) {
            m_ui.ShowMessage(this, Text(Word::ImportChangedMeanwhile), windowTitle(), UiServices::Icon::Warning,
                UiServices::Buttons::Ok);
            Preview();
        } else
            ShowPlan(std::move(**imported));
        return;
    }
    m_outcome = Outcome::Applied;
    SetStep(kStepCount, {});
    const UserImportPlan& done = **imported;
    m_ui.ShowMessage(this,
        Text(Word::ImportDoneSummary)
            .arg(PathText(m_loginPath))
            .arg(done.adds.size())
            .arg(done.changes.size())
            .arg(done.leaves.size())
            .arg(done.deletes.size()),
        windowTitle(), UiServices::Icon::Information, UiServices::Buttons::Ok);
    accept();
}

void CImportUsersDialog::ShowPlan(UserImportPlan plan)
{
    const UserImportPlan& shown = plan;
    QString summary = Text(Word::ImportPreviewSummary)
                          .arg(shown.adds.size())
                          .arg(shown.changes.size())
                          .arg(shown.leaves.size())
                          .arg(shown.deletes.size());
    if (!shown.IsGood())
        summary += QLatin1Char(' ') + Text(Word::ImportBadLinesSummary).arg(shown.problems.size());
    else if (shown.adds.empty() && shown.changes.empty() && shown.deletes.empty())
        summary += QLatin1Char(' ') + Text(Word::ImportNothingToDo);
    m_summary->setText(summary);
    m_model->SetPlan(std::move(plan));
    m_apply->setEnabled(CanApply());
}

void CImportUsersDialog::ShowNoPlan(const QString& why)
{
    m_summary->setText(why);
    m_model->SetPlan({});
    m_list = {};
    m_apply->setEnabled(false);
}

QString CImportUsersDialog::SummaryText() const
{
    return m_summary->text();
}

bool CImportUsersDialog::CanApply() const
{
    const UserImportPlan& plan = m_model->Plan();
    return m_previewed && plan.IsGood() && !(plan.adds.empty() && plan.changes.empty() && plan.deletes.empty());
}

void CImportUsersDialog::SetBusy(bool busy)
{
    m_busy = busy;
    for (QWidget* input : std::initializer_list<QWidget*> {
             m_file, m_browse, m_format, m_existing, m_deleteMissing, m_allowNoPassword, m_preview, m_table })
        input->setEnabled(!busy);
    m_apply->setEnabled(!busy && CanApply());
    // Cancel stays: during a call it cancels the call.
    if (busy)
        m_cancel->setFocus();
}

void CImportUsersDialog::SetStep(int step, const QString& text)
{
    m_step->setText(text);
    if (m_progress->maximum() > 0)
        m_progress->setValue(step);
}

void CImportUsersDialog::reject()
{
    // Escape, the window's close button and Cancel alike: while a call runs they give it up, and the
    // dialog stays to tell the outcome.
    if (m_busy) {
        m_calls->Cancel();
        return;
    }
    QDialog::reject();
}

} // namespace custodia
