#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace custodia {

struct OpenAttempt;

// What the file layer takes from its surroundings: how to wait between two tries of an open, whom to
// tell about a wait, when to give up, the clock of its time stamps, and the hooks a test watches the
// file layer through. Handed to the objects that open files (the services, the stores, SharedFile, File);
// an empty member means the process's own (the system's sleep and clock unless replaced with
// SetSleepFunction and SetLocalTimeFunction, the wait function installed with SetOpenWaitFunction, never
// giving up, the write hook of SetFileWriteHook, the read counter of ScopedReadCounter). A service that
// runs with its members filled in is therefore not touched by what another thread installs for the
// whole process.
//
// A service may run on a worker thread: `wait` is then called on that thread and must be callable from
// any thread (a window posts to its own thread from it), and `cancelled` is asked before every wait,
// from the same thread; once it says true, the open stops retrying and its failure says Cancelled.
struct FileEnvironment {
    SleepFunction sleep;
    std::function<void(const OpenAttempt& attempt)> wait;
    std::function<bool()> cancelled;
    LocalTimeFunction localTime;
    // Before every write and length change of a file opened with this environment, so that a test can
    // stop a change at any chosen step, as a killed program stops.
    FileWriteHook beforeWrite;
    // For each read system call of a file opened with this environment.
    std::function<void()> onRead;

    void Sleep(int milliseconds) const;
    std::optional<std::tm> LocalTime() const;
    void BeforeWrite() const;
    void CountRead() const;

    // The process's own: every member empty.
    static const FileEnvironment& System();
};

} // namespace custodia
