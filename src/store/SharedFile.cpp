#include "store/SharedFile.h"

#include "platform/FileException.h"
#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace custodia {

namespace {

enum class RetryRule { Short, Full, Stop };

RetryRule RuleFor(int cause)
{
    switch (cause) {
    case kCauseNone:
    case kCauseBadPath:
        return RetryRule::Short;
    case kCauseGeneric:
    case kCauseTooManyOpenFiles:
    case kCauseAccessDenied:
    case kCauseHardIo:
    case kCauseSharingViolation:
    case kCauseLockViolation:
        return RetryRule::Full;
    default:
        return RetryRule::Stop;
    }
}

void AppendToErrorLog(const std::string& line)
{
    // One write per line, appended, so programs sharing the folder do not mix their lines.
    const int fd = ::open(SharedFile::kErrorLogName, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace

bool SharedFile::OpenWithRetry(const std::string& name, unsigned flags)
{
    int budget = kRetryBudget;
    int tries = 0;
    int cause = kCauseNone;
    while (budget > 0) {
        cause = OpenOnce(name, flags);
        ++tries;
        m_lastTries = tries;
        m_lastCause = cause;
        if (cause == kCauseNone && IsOpen())
            return true;
        switch (RuleFor(cause)) {
        case RetryRule::Short:
            SleepMilliseconds(kRetryWaitMilliseconds);
            budget = budget > 10 ? kShortRetryBudget : budget - 1;
            break;
        case RetryRule::Full:
            SleepMilliseconds(kRetryWaitMilliseconds);
            --budget;
            break;
        case RetryRule::Stop:
            budget = 0;
            break;
        }
    }
    if (cause != kCauseFileNotFound)
        AppendToErrorLog(FormatFileErrorLine(name, tries, cause));
    return false;
}

std::string FormatFileErrorLine(const std::string& fileName, int tries, int cause)
{
    int day = 0, month = 0, year = 0, hour = -1, minute = -1, second = -1;
    if (const auto now = CurrentLocalTime()) {
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
