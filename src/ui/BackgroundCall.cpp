#include "ui/BackgroundCall.h"

#include "platform/SharedFile.h"
#include "ui/FileWaitFeedback.h"

#include <QApplication>
#include <QEventLoop>
#include <QWidget>

#include <atomic>
#include <exception>
#include <thread>

namespace custodia {

BackgroundCall::BackgroundCall(const WordTable& words, QWidget* window)
    : QObject(window)
    , m_words(words)
    , m_window(window)
{
}

BackgroundCall::~BackgroundCall() = default;

void BackgroundCall::Cancel()
{
    if (m_cancelled != nullptr)
        m_cancelled->store(true);
}

void BackgroundCall::RunOnWorker(const std::function<void(const FileEnvironment& environment)>& work)
{
    std::atomic<bool> cancelled { false };
    FileWaitFeedback feedback(m_words, m_window, cancelled);
    FileWaitFeedback* const outer = std::exchange(m_feedback, &feedback);
    std::atomic<bool>* const outerCancelled = std::exchange(m_cancelled, &cancelled);
    FileEnvironment environment;
    environment.sleep = m_sleep;
    // Only posted: the worker never waits for the window, and a wait it posts after the feedback is
    // gone is dropped with it.
    environment.wait = [target = &feedback](const OpenAttempt& attempt) {
        QMetaObject::invokeMethod(
            target, [target, attempt] { target->NoteWait(attempt); }, Qt::QueuedConnection);
    };
    environment.cancelled = [&cancelled] { return cancelled.load(); };

    QEventLoop loop;
    bool ended = false;
    connect(&feedback, &FileWaitFeedback::dialogShownChanged, &loop, &QEventLoop::quit);
    ++m_running;
    // The pointer still points where clicks are taken.
    QApplication::setOverrideCursor(m_letInputThrough ? Qt::BusyCursor : Qt::WaitCursor);
    std::exception_ptr thrown;
    std::thread worker([&] {
        try {
            work(environment);
        } catch (...) {
            thrown = std::current_exception();
        }
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                ended = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    // The loop starts again whenever the dialog comes or goes: what it lets through follows it.
    while (!ended)
        loop.exec(
            m_letInputThrough || feedback.IsDialogShown() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    worker.join();
    QApplication::restoreOverrideCursor();
    m_feedback = outer;
    m_cancelled = outerCancelled;
    --m_running;
    if (m_running == 0)
        emit idle();
    if (thrown)
        std::rethrow_exception(thrown);
}

} // namespace custodia
