#include "ui/FileWaitFeedback.h"

#include "platform/FileException.h"
#include "platform/SharedFile.h"
#include "ui/FileCauseText.h"
#include "ui/WordText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kLabelWidthInCharacters = 56;

} // namespace

FileWaitFeedback::FileWaitFeedback(const WordTable& words, QWidget* window, std::atomic<bool>& cancelled)
    : m_words(words)
    , m_window(window)
    , m_cancelled(cancelled)
{
}

FileWaitFeedback::~FileWaitFeedback()
{
    delete m_dialog;
}

bool FileWaitFeedback::IsDialogShown() const
{
    return m_dialog != nullptr && m_dialog->isVisible();
}

void FileWaitFeedback::NoteWait(const OpenAttempt& attempt)
{
    ++m_waits;
    m_fileName = NativePath(attempt.fileName);
    m_error = attempt.error;
    m_tries = attempt.tries;
    m_triesAtMost = attempt.triesAtMost;
    // After Cancel the open gives up before its next wait; nothing is shown again meanwhile.
    if (m_cancelled.load())
        return;
    if (m_dialog == nullptr
        && attempt.waitedMilliseconds + SharedFile::kRetryWaitMilliseconds > kDialogDelayMilliseconds)
        ShowDialog();
    UpdateDialog();
}

void FileWaitFeedback::ShowDialog()
{
    m_dialog = new QDialog(m_window);
    m_dialog->setObjectName(QStringLiteral("sharedFileWait"));
    m_dialog->setWindowTitle(WordText(m_words, Word::WaitCaption));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(m_dialog);
    m_fileLabel = new QLabel(m_dialog);
    m_fileLabel->setObjectName(QStringLiteral("waitFile"));
    m_fileLabel->setWordWrap(true);
    m_fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Room for a usual path on one line; a longer one wraps.
    m_fileLabel->setMinimumWidth(m_fileLabel->fontMetrics().averageCharWidth() * kLabelWidthInCharacters);
    layout->addWidget(m_fileLabel);
    m_triesLabel = new QLabel(m_dialog);
    m_triesLabel->setObjectName(QStringLiteral("waitTries"));
    layout->addWidget(m_triesLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, m_dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(WordText(m_words, Word::Cancel));
    connect(buttons, &QDialogButtonBox::rejected, this, &FileWaitFeedback::Cancel);
    connect(m_dialog, &QDialog::rejected, this, &FileWaitFeedback::Cancel);
    layout->addWidget(buttons);
    // The arrow, not the busy cursor, over the one thing that can be used while waiting.
    m_dialog->setCursor(Qt::ArrowCursor);
    UpdateDialog();
    m_dialog->show();
    emit dialogShownChanged();
}

void FileWaitFeedback::UpdateDialog()
{
    if (m_dialog == nullptr)
        return;
    const QString file = m_fileName.IsEmpty() ? WordText(m_words, Word::WaitCaption) : PathText(m_fileName);
    m_fileLabel->setText(file + QLatin1Char('\n') + CauseText());
    m_fileLabel->setAccessibleName(m_fileLabel->text());
    m_triesLabel->setText(WordText(m_words, Word::WaitTryCount).arg(m_tries).arg(m_triesAtMost));
}

// Most waits are for a file another program holds; the others say their own cause.
QString FileWaitFeedback::CauseText() const
{
    switch (m_error.cause) {
    case kCauseNone:
    case kCauseSharingViolation:
    case kCauseLockViolation:
        return WordText(m_words, Word::WaitFileInUse);
    case kCauseBadPath:
        return WordText(m_words, Word::FolderMissingCause);
    default:
        return OpenErrorText(m_words, m_error);
    }
}

void FileWaitFeedback::Cancel()
{
    m_cancelled.store(true);
    if (m_dialog != nullptr)
        m_dialog->hide();
    emit dialogShownChanged();
}

} // namespace custodia
