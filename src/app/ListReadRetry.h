#pragma once

#include "platform/NativePath.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace custodia {

// Reads a list again by itself once the file that another program held can be opened. A held file
// tells nobody when it is let go (nothing is written, its stamps stay), so the change watch cannot
// see it: while the list says it could not open that file, one open of it is tried now and then, on a
// thread of its own so that a slow share never stops the window, waiting twice as long after each
// refusal. A try only opens the file; once one gets through, the list is read as it always is.
class ListReadRetry final : public QObject {
    Q_OBJECT

public:
    static constexpr int kFirstDelayMilliseconds = 2000;
    static constexpr int kLongestDelayMilliseconds = 30000;

    // Whether a reader's open of the file would get through now. A file that is not there counts as
    // free: reading the list again then says what became of it.
    using Probe = std::function<bool(const std::string& fileName)>;
    // Runs a try away from the window's thread; by default on a thread of its own.
    using Runner = std::function<void(std::function<void()> work)>;

    explicit ListReadRetry(QObject* parent = nullptr, Probe probe = {}, Runner runner = {});

    // Tries the file from now on; none stops trying. The file tried already goes on with the wait it
    // had reached, so a read that failed again waits longer before the next try.
    void Watch(const std::optional<NativePath>& fileName);
    // While this says the console is in the middle of its file work or a dialog is open, a try waits
    // for its next turn: reading the list then would replace the rows under the dialog.
    void SetBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }

    // Tries the file now unless a try is under way; the timer calls it.
    void TryNow();
    bool IsTrying() const { return m_fileName.has_value(); }
    // The wait before the next try.
    int Delay() const { return m_delay; }
    const QTimer& Timer() const { return m_timer; }

signals:
    // The file opened: the list can be read again.
    void readable();

private:
    void OnTried(uint64_t generation, bool free);
    void PlanNextTry();

    Probe m_probe;
    Runner m_runner;
    QTimer m_timer;
    std::optional<NativePath> m_fileName;
    uint64_t m_generation = 0;
    bool m_tryRunning = false;
    int m_delay = kFirstDelayMilliseconds;
    std::function<bool()> m_busy;
};

// One try of the shared open that the list's readers make, without waiting and without a line in the
// error log: true when it got through or the file is not there.
bool ReaderCanOpen(const std::string& fileName);

} // namespace custodia
