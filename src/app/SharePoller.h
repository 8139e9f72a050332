#pragma once

#include "platform/FileSystemKind.h"
#include "platform/NativePath.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace custodia {

// Enough of a file's status to tell that something wrote it.
struct FileStamp {
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedSeconds = 0;
    long long modifiedNanoseconds = 0;
    long long changedSeconds = 0;
    long long changedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// Tells of changes to the shown login path's shared files where the kernel's change notification
// cannot hear other machines (NFS, SMB, FUSE, an unknown file system): every round takes one stat of
// each file, and a round in which any stamp moved is reported once. Rounds come every 2 s while the
// window is active and every 10 s while it is not, each on a thread of its own, so a slow or vanished
// share never stops the window; the next round is planned only when the last one has come back.
class SharePoller final : public QObject {
    Q_OBJECT

public:
    static constexpr int kActiveIntervalMilliseconds = 2000;
    static constexpr int kInactiveIntervalMilliseconds = 10000;

    // Nothing for a file that is not there (or cannot be reached).
    using StatFunction = std::function<std::optional<FileStamp>(const std::string& path)>;
    // Nothing when the folder's file system cannot be told.
    using KindFunction = std::function<std::optional<FileSystemKind>(const std::string& folder)>;
    // Runs a round away from the window's thread; by default on a thread of its own.
    using RoundRunner = std::function<void(std::function<void()> round)>;

    explicit SharePoller(
        QObject* parent = nullptr, StatFunction stat = {}, KindFunction kind = {}, RoundRunner runner = {});

    // Polls the login path's files from now on; an empty path stops polling.
    void Watch(const NativePath& loginPath);
    void SetWindowActive(bool active);
    // While this says the console is in the middle of its file work, a round waits for the next turn.
    void SetBusyCheck(std::function<bool()> busy) { m_busy = std::move(busy); }

    // Starts a round now unless one is under way; the timer calls it.
    void RunRound();
    int Interval() const { return m_active ? kActiveIntervalMilliseconds : kInactiveIntervalMilliseconds; }
    // False once a round found that the kernel's notification can be trusted there.
    bool IsPolling() const { return m_polling; }
    const QTimer& Timer() const { return m_timer; }

signals:
    void changed();

private:
    using Stamps = std::map<std::string, std::optional<FileStamp>>;
    struct RoundResult {
        uint64_t generation = 0;
        bool poll = true;
        Stamps stamps;
    };

    void OnRoundDone(const RoundResult& result);
    void PlanNextRound();

    StatFunction m_stat;
    KindFunction m_kind;
    RoundRunner m_runner;
    QTimer m_timer;
    NativePath m_loginPath;
    uint64_t m_generation = 0;
    bool m_roundRunning = false;
    bool m_active = true;
    bool m_polling = false;
    std::optional<Stamps> m_stamps; // of the last round, none before the first
    std::function<bool()> m_busy;
};

// The system's stat of a file, to the nanosecond.
std::optional<FileStamp> StatFileStamp(const std::string& path);

} // namespace custodia
