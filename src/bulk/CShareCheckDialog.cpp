#include "bulk/CShareCheckDialog.h"

#include "ui/BackgroundCall.h"
#include "ui/WordText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kInitialWidth = 760;
constexpr int kInitialHeight = 380;

enum Column { Topic, State, Finding, ColumnCount };

Word SeverityWord(ShareFinding::Severity severity)
{
    switch (severity) {
    case ShareFinding::Severity::Warning:
        return Word::ShareWarning;
    case ShareFinding::Severity::Unsafe:
        return Word::ShareUnsafe;
    case ShareFinding::Severity::Info:
        break;
    }
    return Word::ShareOk;
}

} // namespace

CShareCheckDialog::CShareCheckDialog(const WordTable& words, const NativePath& loginPath, QWidget* parent)
    : QDialog(parent)
    , m_words(words)
    , m_loginPath(loginPath)
    , m_calls(new BackgroundCall(words, this))
{
    setObjectName(QStringLiteral("shareCheckDialog"));
    setWindowTitle(Text(Word::ShareCheckTitle).arg(PathText(loginPath)));
    CreateControls();
    resize(kInitialWidth, kInitialHeight);
}

CShareCheckDialog::~CShareCheckDialog() = default;

QString CShareCheckDialog::Text(Word word) const
{
    return WordText(m_words, word);
}

void CShareCheckDialog::CreateControls()
{
    m_findings = new QTableWidget(0, ColumnCount, this);
    m_findings->setObjectName(QStringLiteral("shareFindings"));
    m_findings->setAccessibleName(Text(Word::ShareFindingsName));
    m_findings->setHorizontalHeaderLabels(
        { Text(Word::ShareTopicColumn), Text(Word::ShareSeverityColumn), Text(Word::ShareFindingColumn) });
    m_findings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_findings->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_findings->setTabKeyNavigation(false);
    m_findings->setWordWrap(true);
    m_findings->verticalHeader()->hide();
    m_findings->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_findings->horizontalHeader()->setStretchLastSection(true);
    m_verdict = new QLabel(Text(Word::ShareChecking), this);
    m_verdict->setObjectName(QStringLiteral("shareVerdict"));
    m_verdict->setWordWrap(true);
    m_verdict->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(Text(Word::Close));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_findings, 1);
    layout->addWidget(m_verdict);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CShareCheckDialog::Check()
{
    const std::string folder = m_loginPath.Bytes();
    m_verdict->setText(Text(Word::ShareChecking));
    m_report = m_calls->Run([&folder](const FileEnvironment&) { return CheckShare(folder); });
    ShowReport(*m_report);
}

void CShareCheckDialog::ShowReport(const ShareReport& report)
{
    m_findings->setRowCount(static_cast<int>(report.findings.size()));
    int row = 0;
    for (const ShareFinding& finding : report.findings) {
        const QString texts[ColumnCount] = { QString::fromStdString(finding.topic),
            Text(SeverityWord(finding.severity)), QString::fromStdString(finding.text) };
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (finding.severity == ShareFinding::Severity::Unsafe)
                item->setForeground(Qt::darkRed);
            m_findings->setItem(row, column, item);
        }
        ++row;
    }
    m_findings->resizeColumnToContents(Topic);
    m_findings->resizeColumnToContents(State);
    m_findings->resizeRowsToContents();
    m_verdict->setText(Text(report.IsUnsafe() ? Word::ShareUnsafeVerdict : Word::ShareSafeVerdict));
}

QString CShareCheckDialog::VerdictText() const
{
    return m_verdict->text();
}

} // namespace custodia
