#pragma once

#include "platform/Platform.h"

#include <functional>
#include <string>

namespace custodia {

struct OpenAttempt;

// What the file layer takes from its surroundings while it opens a shared file: how to wait between
// two tries, whom to tell about a wait, and when to give up. Handed to the objects that open files
// (the services, the stores, SharedFile); an empty member means the process's own (the system's sleep,
// the wait function installed with SetOpenWaitFunction, never giving up).
//
// A service may run on a worker thread: `wait` is then called on that thread and must be callable from
// any thread (a window posts to its own thread from it), and `cancelled` is asked before every wait,
// from the same thread; once it says true, the open stops retrying and its failure says Cancelled.
struct FileEnvironment {
    SleepFunction sleep;
    std::function<void(const OpenAttempt& attempt)> wait;
    std::function<bool()> cancelled;

    // The process's own: every member empty.
    static const FileEnvironment& System();
};

} // namespace custodia
