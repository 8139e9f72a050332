#include "history/CHistoryDialog.h"

#include "history/TrailRows.h"
#include "history/TrailTableModel.h"
#include "parsers/DelimitedText.h"
#include "platform/Result.h"
#include "store/AuditTrail.h"
#include "ui/BackgroundCall.h"
#include "ui/WordText.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QTimeZone>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace custodia {

namespace {

constexpr const char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
constexpr int kInitialWidth = 960;
constexpr int kInitialHeight = 560;

QDateTimeEdit* MakeTimeEdit(QWidget* parent)
{
    auto* edit = new QDateTimeEdit(parent);
    edit->setDisplayFormat(QString::fromLatin1(kTimeFormat));
    edit->setTimeSpec(Qt::UTC);
    edit->setCalendarPopup(true);
    return edit;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CHistoryDialog::CHistoryDialog(
    const WordTable& words, const NativePath& loginPath, BackgroundCall* calls, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_loginPath(loginPath)
    , m_calls(calls)
    , m_trail(new TrailTableModel(words, this))
    , m_proxy(new TrailFilterProxy(this))
{
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(WordText(words, Word::HistoryTitle).arg(PathText(loginPath)));
    m_proxy->SetTrail(m_trail);
    CreateControls();
    resize(kInitialWidth, kInitialHeight);
    Reload();
}

CHistoryDialog::~CHistoryDialog() = default;

void CHistoryDialog::CreateControls()
{
    m_user = new QLineEdit(this);
    m_object = new QLineEdit(this);
    m_action = new QComboBox(this);
    m_from = MakeTimeEdit(this);
    m_to = MakeTimeEdit(this);
    auto* exportButton = new QPushButton(WordText(m_words, Word::HistoryExportCommand), this);
    m_table = new QTableView(this);
    m_table->setModel(m_proxy);
    m_table->setAccessibleName(WordText(m_words, Word::HistoryTableName));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    // A long trail must not be measured row by row.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // The time is read whole or not at all: its column fits a full UTC time, measured, not guessed.
    m_table->horizontalHeader()->resizeSection(0,
        m_table->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-11T06:17:51Z"))
            + 4 * m_table->fontMetrics().averageCharWidth());
    m_chain = new QLabel(this);
    m_chain->setObjectName(QStringLiteral("historyChain"));
    m_chain->setWordWrap(true);
    m_chain->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(WordText(m_words, Word::Close));

    auto* filters = new QGridLayout;
    filters->addWidget(BuddyLabel(WordText(m_words, Word::HistoryUserLabel), m_user, this), 0, 0);
    filters->addWidget(m_user, 0, 1);
    filters->addWidget(BuddyLabel(WordText(m_words, Word::HistoryObjectLabel), m_object, this), 0, 2);
    filters->addWidget(m_object, 0, 3);
    filters->addWidget(BuddyLabel(WordText(m_words, Word::HistoryActionLabel), m_action, this), 0, 4);
    filters->addWidget(m_action, 0, 5);
    filters->addWidget(BuddyLabel(WordText(m_words, Word::HistoryFromLabel), m_from, this), 1, 0);
    filters->addWidget(m_from, 1, 1);
    filters->addWidget(BuddyLabel(WordText(m_words, Word::HistoryToLabel), m_to, this), 1, 2);
    filters->addWidget(m_to, 1, 3);
    filters->addWidget(exportButton, 1, 5);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);
    filters->setColumnStretch(5, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_chain);
    layout->addWidget(buttons);

    connect(m_user, &QLineEdit::textChanged, m_proxy, [this](const QString& text) { m_proxy->SetUser(text); });
    connect(m_object, &QLineEdit::textEdited, m_proxy, [this](const QString& text) { m_proxy->SetObject(text); });
    connect(m_action, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_proxy->SetAction(index > 0 ? m_action->itemText(index) : QString()); });
    connect(m_from, &QDateTimeEdit::dateTimeChanged, this, [this] { ApplyRange(); });
    connect(m_to, &QDateTimeEdit::dateTimeChanged, this, [this] { ApplyRange(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { ChooseAndExport(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CHistoryDialog::Reload()
{
    const NativePath loginPath = m_loginPath;
    Result<LoadedTrail> read
        = RunThrough(m_calls, [loginPath](const FileEnvironment&) { return ReadTrailRows(loginPath); });
    if (!read) {
        m_trail->SetRows({});
        m_chain->setText(
            WordText(m_words, Word::HistoryUnreadable).arg(QString::fromStdString(DescribeFailure(read.Error()))));
    } else if (const TrailCheck& check = read->check; check.IsSound()) {
        m_chain->setText(WordText(m_words, Word::HistoryChainSound).arg(check.soundLines));
        m_trail->SetRows(std::move(read->rows));
    } else {
        m_chain->setText(WordText(m_words, Word::HistoryChainBroken)
                             .arg(*check.brokenLine)
                             .arg(QString::fromStdString(check.problem)));
        m_trail->SetRows(std::move(read->rows));
    }
    FillActions();
    SetRangeToTrail();
}

void CHistoryDialog::FillActions()
{
    const QString chosen = m_action->currentIndex() > 0 ? m_action->currentText() : QString();
    std::set<std::string> actions;
    for (int row = 0; row < m_trail->rowCount(); ++row)
        actions.insert(m_trail->KeysAt(row).texts.action);
    const QSignalBlocker blocker(m_action);
    m_action->clear();
    m_action->addItem(WordText(m_words, Word::HistoryAllActions));
    for (const std::string& action : actions)
        m_action->addItem(QString::fromStdString(action));
    m_action->setCurrentIndex(std::max(0, m_action->findText(chosen)));
    m_proxy->SetAction(m_action->currentIndex() > 0 ? m_action->currentText() : QString());
}

// The edits start at the trail's first and last line, so that every line shows until one is moved.
void CHistoryDialog::SetRangeToTrail()
{
    long long first = 0;
    long long last = 0;
    const int rows = m_trail->rowCount();
    if (rows > 0) {
        last = m_trail->SecondsAt(0);
        first = m_trail->SecondsAt(rows - 1);
    }
    const QSignalBlocker fromBlocker(m_from);
    const QSignalBlocker toBlocker(m_to);
    m_from->setDateTime(QDateTime::fromSecsSinceEpoch(std::min(first, last), QTimeZone::utc()));
    m_to->setDateTime(QDateTime::fromSecsSinceEpoch(std::max(first, last), QTimeZone::utc()));
    m_proxy->SetRange(std::nullopt, std::nullopt);
}

void CHistoryDialog::ApplyRange()
{
    m_proxy->SetRange(m_from->dateTime().toSecsSinceEpoch(), m_to->dateTime().toSecsSinceEpoch());
}

void CHistoryDialog::ShowObject(const QString& object)
{
    m_object->setText(object);
    m_proxy->SetObject(object, TrailFilterProxy::ObjectMatch::Named);
}

QString CHistoryDialog::ChainText() const
{
    return m_chain->text();
}

bool CHistoryDialog::ExportCsv(const QString& fileName)
{
    std::string text;
    std::vector<std::string> fields;
    for (int column = 0; column < m_proxy->columnCount(); ++column)
        fields.push_back(m_proxy->headerData(column, Qt::Horizontal).toString().toStdString());
    delimited::AppendRow(text, fields, delimited::Format::Csv);
    for (int row = 0; row < m_proxy->rowCount(); ++row) {
        fields.clear();
        for (int column = 0; column < m_proxy->columnCount(); ++column)
            fields.push_back(m_proxy->index(row, column).data().toString().toStdString());
        delimited::AppendRow(text, fields, delimited::Format::Csv);
    }
    QSaveFile file(fileName);
    const bool written = file.open(QIODevice::WriteOnly)
        && file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size())
        && file.commit();
    if (!written)
        QMessageBox::warning(this, windowTitle(), WordText(m_words, Word::HistoryExportFailed).arg(file.errorString()));
    return written;
}

void CHistoryDialog::ChooseAndExport()
{
    const QString fileName = m_chooseFile
        ? m_chooseFile()
        : QFileDialog::getSaveFileName(
            this, WordText(m_words, Word::HistoryExportCommand), QString(), QStringLiteral("CSV (*.csv)"));
    if (!fileName.isEmpty())
        ExportCsv(fileName);
}

} // namespace custodia
