#include "platform/SharedFile.h"

#include "platform/FileException.h"
#include "platform/OpenFault.h"
#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

namespace {

OpenWaitFunction& WaitFunction()
{
    static OpenWaitFunction wait;
    return wait;
}

int& WaitDepth()
{
    thread_local int depth = 0;
    return depth;
}

void AppendToErrorLog(const std::string& line)
{
    // Never through a link: a link planted in the current folder would make every failed open append
    // to whatever it points at. Never to a pipe or device either.
    const int fd = ::open(SharedFile::kErrorLogName,
        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, kCreatedFileMode);
    if (fd < 0)
        return;
    struct stat info { };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        // One write per line, appended, so programs sharing the folder do not mix their lines.
        [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    }
    ::close(fd);
}

// The tries left after a failed one: a fault that may mend soon is given a few, one that takes
// longer the whole half minute; a short budget never grows again.
int NextRetryBudget(RetryRule rule, int budget)
{
    switch (rule) {
    case RetryRule::Short:
        return budget > 10 ? SharedFile::kShortRetryBudget : budget - 1;
    case RetryRule::Full:
        return budget - 1;
    case RetryRule::Stop:
        break;
    }
    return 0;
}

} // namespace

bool SharedFile::WaitBeforeRetry(const std::string& name, int tries, int triesAtMost, int& waited)
{
    const FileEnvironment& environment = Environment();
    if (environment.cancelled && environment.cancelled()) {
        MarkOpenCancelled();
        return false;
    }
    ++WaitDepth();
    struct LeaveWait {
        ~LeaveWait() { --WaitDepth(); }
    } leave;
    const OpenAttempt attempt { name, LastOpenError(), tries, triesAtMost, waited };
    if (environment.wait)
        environment.wait(attempt);
    else if (WaitFunction())
        WaitFunction()(attempt);
    environment.Sleep(kRetryWaitMilliseconds);
    waited += kRetryWaitMilliseconds;
    return true;
}

bool SharedFile::OpenWithRetry(const std::string& name, unsigned flags)
{
    int budget = kRetryBudget;
    int tries = 0;
    int waited = 0;
    int cause = kCauseNone;
    // Asked only when an error means one thing on a share and another on a local disk, and then once.
    std::optional<bool> onShare;
    while (budget > 0) {
        cause = OpenOnce(name, flags);
        ++tries;
        m_lastTries = tries;
        m_lastCause = cause;
        if (cause == kCauseNone && IsOpen())
            return true;
        const int error = LastOpenError().systemError;
        if (!onShare && DependsOnFileSystem(error))
            onShare = IsOnShare(name);
        const OpenFault fault = ClassifyOpenFault(cause, error, onShare.value_or(false));
        if (fault.passingNetworkFault)
            MarkPassingNetworkFault();
        if (fault.retry == RetryRule::Stop)
            break;
        budget = NextRetryBudget(fault.retry, budget);
        // The last try is waited after as well, as the other programs of the suite do.
        if (!WaitBeforeRetry(name, tries, tries + budget, waited))
            break;
    }
    if (cause != kCauseFileNotFound)
        AppendToErrorLog(FormatFileErrorLine(name, tries, cause, Environment().LocalTime()));
    return false;
}

void SetOpenWaitFunction(OpenWaitFunction wait)
{
    WaitFunction() = std::move(wait);
}

bool IsWaitingForSharedFile()
{
    return WaitDepth() > 0;
}

std::string FormatFileErrorLine(const std::string& fileName, int tries, int cause)
{
    return FormatFileErrorLine(fileName, tries, cause, CurrentLocalTime());
}

std::string FormatFileErrorLine(const std::string& fileName, int tries, int cause, const std::optional<std::tm>& now)
{
    int day = 0, month = 0, year = 0, hour = -1, minute = -1, second = -1;
    if (now) {
        day = now->tm_mday;
        month = now->tm_mon + 1;
        year = now->tm_year + 1900;
        hour = now->tm_hour;
        minute = now->tm_min;
        second = now->tm_sec;
    }
    // "%02d/%02d/%04d %02d:%02d:%02d %s: %s (tries:%d cause:%d)\n", built in pieces so that no name is
    // ever cut to fit a buffer.
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d:%02d ", day, month, year, hour, minute, second);
    char counts[64];
    std::snprintf(counts, sizeof counts, " (tries:%d cause:%d)\n", tries, cause);
    return stamp + ExecutablePath() + ": " + fileName + counts;
}

} // namespace custodia
