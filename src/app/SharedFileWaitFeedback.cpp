#include "app/SharedFileWaitFeedback.h"

#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "ui/FileCauseText.h"
#include "ui/WordText.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace custodia {

namespace {

constexpr int kIdleCheckMilliseconds = 50;
constexpr int kLabelWidthInCharacters = 56;

// Until the modal dialog stands in front, clicks wait: a command started meanwhile would open files
// inside this one's wait.
void RunEventLoopFor(int milliseconds, bool dialogShown)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(dialogShown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

} // namespace

SharedFileWaitFeedback::SharedFileWaitFeedback(const WordTable& words, QWidget* window, PassTime passTime)
    : m_words(words)
    , m_window(window)
    , m_passTime(passTime ? std::move(passTime)
                          : PassTime([this](int milliseconds) { RunEventLoopFor(milliseconds, m_dialog != nullptr); }))
    , m_idleCheck(new QTimer(this))
{
    m_idleCheck->setInterval(kIdleCheckMilliseconds);
    connect(m_idleCheck, &QTimer::timeout, this, &SharedFileWaitFeedback::EndSequenceWhenIdle);
}

SharedFileWaitFeedback::~SharedFileWaitFeedback()
{
    if (m_installed) {
        SetSleepFunction({});
        SetOpenWaitFunction({});
    }
    EndSequence();
}

void SharedFileWaitFeedback::Install()
{
    SetSleepFunction([this](int milliseconds) { Wait(milliseconds); });
    SetOpenWaitFunction(
        [this](const OpenAttempt& attempt) { NoteAttempt(attempt.fileName, attempt.tries, attempt.error); });
    m_installed = true;
}

void SharedFileWaitFeedback::NoteAttempt(const std::string& fileName, int tries, const OpenError& error)
{
    m_fileName = NativePath(fileName);
    m_error = error;
    m_tries = tries;
    m_attemptNoted = true;
    UpdateDialog();
}

void SharedFileWaitFeedback::Wait(int milliseconds)
{
    if (m_cancelled)
        return;
    if (m_waited == 0)
        BeginSequence();
    if (!m_attemptNoted)
        ++m_tries;
    m_attemptNoted = false;
    m_inWait = true;
    if (m_dialog == nullptr && m_waited + milliseconds > kDialogDelayMilliseconds)
        ShowDialog();
    UpdateDialog();
    m_passTime(milliseconds);
    m_waited += milliseconds;
    m_inWait = false;
}

void SharedFileWaitFeedback::BeginSequence()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Between two waits no events run; once they run outside a wait, the open has come to an end.
    m_idleCheck->start();
}

void SharedFileWaitFeedback::EndSequenceWhenIdle()
{
    if (!m_inWait)
        EndSequence();
}

void SharedFileWaitFeedback::EndSequence()
{
    m_idleCheck->stop();
    if (m_waited > 0)
        QApplication::restoreOverrideCursor();
    if (m_dialog != nullptr) {
        m_dialog->hide();
        m_dialog->deleteLater();
        m_dialog = nullptr;
    }
    m_waited = 0;
    m_tries = 0;
    m_cancelled = false;
    m_attemptNoted = false;
    m_fileName = {};
    m_error = {};
}

void SharedFileWaitFeedback::ShowDialog()
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
    connect(buttons, &QDialogButtonBox::rejected, this, &SharedFileWaitFeedback::Cancel);
    connect(m_dialog, &QDialog::rejected, this, &SharedFileWaitFeedback::Cancel);
    layout->addWidget(buttons);
    // The arrow, not the busy cursor, over the one thing that can be used while waiting.
    m_dialog->setCursor(Qt::ArrowCursor);
    UpdateDialog();
    m_dialog->show();
}

void SharedFileWaitFeedback::UpdateDialog()
{
    if (m_dialog == nullptr)
        return;
    const QString file = m_fileName.IsEmpty() ? WordText(m_words, Word::WaitCaption) : PathText(m_fileName);
    m_fileLabel->setText(file + QLatin1Char('\n') + CauseText());
    m_fileLabel->setAccessibleName(m_fileLabel->text());
    m_triesLabel->setText(WordText(m_words, Word::WaitTryCount).arg(m_tries).arg(kTriesShown));
}

// Most waits are for a file another program holds; the others say their own cause.
QString SharedFileWaitFeedback::CauseText() const
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

void SharedFileWaitFeedback::Cancel()
{
    m_cancelled = true;
    if (m_dialog != nullptr)
        m_dialog->hide();
}

} // namespace custodia
