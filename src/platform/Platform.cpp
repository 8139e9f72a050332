#include "platform/Platform.h"

#include "platform/FileException.h"

#include <cerrno>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace custodia {

namespace {

SleepFunction& SleepOverride()
{
    static SleepFunction sleep;
    return sleep;
}

LocalTimeFunction& LocalTimeOverride()
{
    static LocalTimeFunction localTime;
    return localTime;
}

FileWriteHook& WriteHook()
{
    static FileWriteHook hook;
    return hook;
}

size_t*& ReadCounter()
{
    static size_t* counter = nullptr;
    return counter;
}

std::string ParentFolder(const std::string& path)
{
    const auto slash = path.find_last_of(kPathSeparator);
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool IsDirectory(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

void SetFileWriteHook(FileWriteHook hook)
{
    WriteHook() = std::move(hook);
}

void BeforeFileWrite()
{
    if (WriteHook())
        WriteHook()();
}

void SleepMilliseconds(int milliseconds)
{
    if (SleepOverride()) {
        SleepOverride()(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::optional<std::tm> CurrentLocalTime()
{
    if (LocalTimeOverride())
        return LocalTimeOverride()();
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (now == static_cast<std::time_t>(-1) || ::localtime_r(&now, &local) == nullptr)
        return std::nullopt;
    return local;
}

void SetSleepFunction(SleepFunction sleep)
{
    SleepOverride() = std::move(sleep);
}

void SetLocalTimeFunction(LocalTimeFunction localTime)
{
    LocalTimeOverride() = std::move(localTime);
}

ScopedReadCounter::ScopedReadCounter()
{
    ReadCounter() = &m_count;
}

ScopedReadCounter::~ScopedReadCounter()
{
    if (ReadCounter() == &m_count)
        ReadCounter() = nullptr;
}

void CountFileRead()
{
    if (size_t* counter = ReadCounter())
        ++*counter;
}

ScopedPlatformOverride::ScopedPlatformOverride(SleepFunction sleep, LocalTimeFunction localTime)
{
    SetSleepFunction(std::move(sleep));
    SetLocalTimeFunction(std::move(localTime));
}

ScopedPlatformOverride::~ScopedPlatformOverride()
{
    SetSleepFunction({});
    SetLocalTimeFunction({});
}

std::string ExecutablePath()
{
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0)
        return {};
    return std::string(buffer.data(), static_cast<size_t>(length));
}

std::string ExecutableFolder()
{
    const std::string path = ExecutablePath();
    return path.empty() ? std::string() : ParentFolder(path);
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(4096);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr)
        return {};
    return buffer.data();
}

bool ChangeDirectory(const std::string& path)
{
    return ::chdir(path.c_str()) == 0;
}

std::string JoinPath(const std::string& loginPath, const std::string& fileName)
{
    if (loginPath.empty())
        return fileName;
    return loginPath + kPathSeparator + fileName;
}

bool IsNetworkError(int error)
{
    switch (error) {
    case ETIMEDOUT:
    case ECONNRESET:
    case ECONNABORTED:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
        return true;
    default:
        return false;
    }
}

int CauseFromErrno(int error, const std::string& path)
{
    if (IsNetworkError(error))
        return kCauseHardIo;
    switch (error) {
    case ENOENT:
        return IsDirectory(ParentFolder(path)) ? kCauseFileNotFound : kCauseBadPath;
    case ENOTDIR:
    case ENAMETOOLONG:
        return kCauseBadPath;
    case EMFILE:
    case ENFILE:
        return kCauseTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
        return kCauseAccessDenied;
    case EISDIR:
    case ENXIO: // a pipe without a reader, a device without its hardware
    case ENODEV:
        return kCauseInvalidFile;
    case EIO:
        return kCauseHardIo;
    // Another program has the file: held, busy, or running as a program.
    case EWOULDBLOCK:
    case EBUSY:
    case ETXTBSY:
        return kCauseSharingViolation;
    // The share grants no locks at all: no lock of ours can ever be had there.
    case ENOLCK:
        return kCauseLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kCauseDiskFull;
    default:
        return kCauseGeneric;
    }
}

} // namespace custodia
