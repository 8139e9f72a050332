#pragma once

#include "platform/FileEnvironment.h"
#include "platform/Platform.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class QWidget;

namespace custodia {

class FileWaitFeedback;
class WordTable;

// Runs a call of the account services (or any read of the shared files) on a worker thread while the
// window goes on painting: the busy cursor shows at once, a wait for a held file is posted to the
// window's thread, which shows the wait dialog after about a second, and its Cancel makes the call's
// opens give up. Until the dialog stands in front, clicks and keys wait for the call to end, so no
// second change starts inside the first one.
class BackgroundCall final : public QObject {
    Q_OBJECT

public:
    BackgroundCall(const WordTable& words, QWidget* window);
    ~BackgroundCall() override;
    BackgroundCall(const BackgroundCall&) = delete;
    BackgroundCall& operator=(const BackgroundCall&) = delete;

    // Runs work(environment) on a worker thread and returns what it returns, once it has ended; an
    // exception it throws is thrown again here, on the window's thread.
    template <typename Work> auto Run(Work&& work) -> std::invoke_result_t<Work&, const FileEnvironment&>
    {
        using Value = std::invoke_result_t<Work&, const FileEnvironment&>;
        if constexpr (std::is_void_v<Value>) {
            RunOnWorker([&](const FileEnvironment& environment) { work(environment); });
        } else {
            std::optional<Value> value;
            RunOnWorker([&](const FileEnvironment& environment) { value.emplace(work(environment)); });
            return std::move(*value);
        }
    }

    // True on the window's thread while a call runs: what its events start then must wait for it.
    bool IsRunning() const { return m_running > 0; }
    // How the worker lets time pass between two tries of an open; the system's sleep by default. It
    // runs on the worker thread.
    void SetSleepFunction(SleepFunction sleep) { m_sleep = std::move(sleep); }
    // The feedback of the call that runs now, null between calls.
    FileWaitFeedback* Feedback() const { return m_feedback; }
    // For a window that shows its own progress and Cancel while its calls run, and disables what must
    // wait for them: clicks and keys then reach it during a call.
    void LetInputThrough(bool letThrough) { m_letInputThrough = letThrough; }
    // Makes the running call's opens give up before their next wait, and tells the call (its
    // environment's cancelled) that the person gave up.
    void Cancel();

signals:
    // The last running call has ended.
    void idle();

private:
    void RunOnWorker(const std::function<void(const FileEnvironment& environment)>& work);

    const WordTable& m_words;
    QPointer<QWidget> m_window;
    SleepFunction m_sleep;
    FileWaitFeedback* m_feedback = nullptr;
    std::atomic<bool>* m_cancelled = nullptr;
    int m_running = 0;
    bool m_letInputThrough = false;
};

// Runs work through the call when there is one, and right here with the process's own environment
// when there is none (a dialog made on its own, outside a window).
template <typename Work> auto RunThrough(BackgroundCall* call, Work&& work)
{
    if (call != nullptr)
        return call->Run(std::forward<Work>(work));
    return work(FileEnvironment::System());
}

} // namespace custodia
