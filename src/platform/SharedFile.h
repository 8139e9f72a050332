#pragma once

#include "platform/File.h"
#include "platform/FileEnvironment.h"
#include "platform/Result.h"

#include <functional>
#include <optional>
#include <string>

namespace custodia {

// One open that has not succeeded yet, or has finally failed.
struct OpenAttempt {
    std::string fileName;
    OpenError error; // of the latest try
    int tries = 0;
    // The tries this open makes at most, as its budget stands after the latest one: the limit people
    // are shown ("try 3 of 6"); it changes when a fault of another kind sets another budget.
    int triesAtMost = 0;
    int waitedMilliseconds = 0; // before this wait
};

// Called before every wait between two tries, so that a program can tell people what it waits for
// ("waiting for P/tessel.pwd: in use by another program"). Free of any user interface: the console
// and custodiactl each fill it their own way.
using OpenWaitFunction = std::function<void(const OpenAttempt& attempt)>;
void SetOpenWaitFunction(OpenWaitFunction wait);

// Installs a wait function for the lifetime of the object, then removes it.
class ScopedOpenWaitFunction final {
public:
    explicit ScopedOpenWaitFunction(OpenWaitFunction wait) { SetOpenWaitFunction(std::move(wait)); }
    ~ScopedOpenWaitFunction() { SetOpenWaitFunction({}); }
    ScopedOpenWaitFunction(const ScopedOpenWaitFunction&) = delete;
    ScopedOpenWaitFunction& operator=(const ScopedOpenWaitFunction&) = delete;
};

// Whether this thread is inside a wait between two tries of an open. The wait function of a program
// with a window may run its event loop there, in the middle of whatever read or write waits: what that
// loop delivers must not start more work on the same files.
bool IsWaitingForSharedFile();

// Every shared or installed file is opened through this class. Its point is that an open never fails
// at the first obstacle: the files live in folders that several programs on several machines use at
// once, so a sharing conflict or a passing fault is retried for about half a minute, and an open that
// finally fails leaves one line in "FileErrors.txt" in the current directory, with the tries it made.
// A refusal that waiting cannot mend (no permission, a read-only file system, something that is not
// a file, a folder that is not there) fails at once.
class SharedFile : public File {
public:
    static constexpr int kRetryBudget = 60;
    static constexpr int kShortRetryBudget = 5;
    static constexpr int kRetryWaitMilliseconds = 500;
    static constexpr const char* kErrorLogName = "FileErrors.txt";

    SharedFile() = default;
    // Waits, tells of waits and gives up as the environment says; it must outlive the object.
    explicit SharedFile(const FileEnvironment& environment)
        : File(environment)
    {
    }

    // Same as OpenWithRetry.
    bool Open(const std::string& name, unsigned flags) { return OpenWithRetry(name, flags); }
    virtual bool OpenWithRetry(const std::string& name, unsigned flags);

    // Number of attempts and cause of the last one, from the latest OpenWithRetry.
    int LastTries() const { return m_lastTries; }
    int LastCause() const { return m_lastCause; }

private:
    // Before each wait: false when the environment says to give up.
    bool WaitBeforeRetry(const std::string& name, int tries, int triesAtMost, int& waited);

    int m_lastTries = 0;
    int m_lastCause = 0;
};

// The log line for a failed open, as appended to "FileErrors.txt", stamped with the time given, or with
// the process's clock.
std::string FormatFileErrorLine(const std::string& fileName, int tries, int cause);
std::string FormatFileErrorLine(const std::string& fileName, int tries, int cause, const std::optional<std::tm>& now);

// True if the file's status can be had: it exists and is reachable.
bool FileExists(const std::string& name);

// Creates every missing folder of an absolute path, level by level, and gives the canonical absolute
// path of the folder, without a trailing separator; an existing folder is given back as it was written.
// A relative path, or a last name with an extension, is refused as BadValue. A level that cannot be
// made fails with that level as the file and the system's error of its mkdir.
Result<std::string> MakeDirectoryPath(const std::string& path);

} // namespace custodia
