#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>

namespace custodia {

// The few process-wide services the core takes from the system. Waits and the clock are replaceable
// so that tests never sleep and can check time-stamped output to the character. These are the
// defaults of every FileEnvironment member left empty; a service that must not feel what another
// thread installs here fills in its own environment instead.
using SleepFunction = std::function<void(int milliseconds)>;
using LocalTimeFunction = std::function<std::optional<std::tm>()>;

void SleepMilliseconds(int milliseconds);
std::optional<std::tm> CurrentLocalTime();

// Installs replacements; an empty function restores the system's own.
void SetSleepFunction(SleepFunction sleep);
void SetLocalTimeFunction(LocalTimeFunction localTime);

// Replaces the sleep and clock for the lifetime of the object, then restores the system's.
class ScopedPlatformOverride final {
public:
    ScopedPlatformOverride(SleepFunction sleep, LocalTimeFunction localTime);
    ~ScopedPlatformOverride();
    ScopedPlatformOverride(const ScopedPlatformOverride&) = delete;
    ScopedPlatformOverride& operator=(const ScopedPlatformOverride&) = delete;
};

// Called before every write, length change and journal removal of a file whose environment has no
// hook of its own, so that a test can stop a program at any chosen step of a change, as a killed
// program stops. Empty by default.
using FileWriteHook = std::function<void()>;
void SetFileWriteHook(FileWriteHook hook);
void BeforeFileWrite();

// Counts the read system calls of the file layer (of files whose environment counts none itself) while
// it lives, so that a test can tell one large read of a file from one call per record. Counters do
// not nest: the latest one counts.
class ScopedReadCounter final {
public:
    ScopedReadCounter();
    ~ScopedReadCounter();
    ScopedReadCounter(const ScopedReadCounter&) = delete;
    ScopedReadCounter& operator=(const ScopedReadCounter&) = delete;

    size_t Count() const { return m_count; }

private:
    size_t m_count = 0;
};

// Called by the file layer for each read system call.
void CountFileRead();

// Full path of the running program.
std::string ExecutablePath();
// Folder of the running program, without a trailing separator.
std::string ExecutableFolder();

std::string CurrentDirectory();
bool ChangeDirectory(const std::string& path);

inline constexpr char kPathSeparator = '/';

// A file of a login path: the login path, a separator and the file name; an empty login path names
// the file in the current directory.
std::string JoinPath(const std::string& loginPath, const std::string& fileName);

// Maps a failed system call's errno onto the file cause codes. The path tells a missing file (its
// folder exists) from a bad path (its folder does not).
int CauseFromErrno(int error, const std::string& path);
// Whether the error says the way to the server broke (timed out, reset, host or network down): the
// one list of them, for the cause it maps to and for the retry of a passing fault.
bool IsNetworkError(int error);

} // namespace custodia
