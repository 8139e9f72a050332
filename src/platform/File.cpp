#include "platform/File.h"

#include "platform/FileException.h"
#include "platform/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

namespace {

int AccessMode(unsigned flags)
{
    if (flags & openflags::kReadWrite)
        return O_RDWR;
    if (flags & openflags::kWrite)
        return O_WRONLY;
    return O_RDONLY;
}

int LockMode(unsigned flags)
{
    return (flags & openflags::kShareExclusive) ? LOCK_EX : LOCK_SH;
}

} // namespace

File::~File()
{
    Close();
}

int File::OpenOnce(const std::string& name, unsigned flags)
{
    Close();
    int posixFlags = AccessMode(flags) | O_CLOEXEC;
    if (flags & openflags::kCreate)
        posixFlags |= O_CREAT;
    const int fd = ::open(name.c_str(), posixFlags, 0666);
    if (fd < 0)
        return CauseFromErrno(errno, name);
    struct stat info { };
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return kCauseInvalidFile;
    }
    if (::flock(fd, LockMode(flags) | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return CauseFromErrno(error, name);
    }
    // Truncate only once the lock is held, so a refused open never empties another program's file.
    const bool truncate = (flags & openflags::kCreate) && !(flags & openflags::kNoTruncate);
    if (truncate && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return CauseFromErrno(error, name);
    }
    m_fd = fd;
    m_text = (flags & openflags::kText) != 0;
    m_name = name;
    return kCauseNone;
}

void File::Close()
{
    if (m_fd < 0)
        return;
    ::close(m_fd); // also releases the share lock
    m_fd = -1;
}

void File::Fail(int error) const
{
    throw FileException(CauseFromErrno(error, m_name), m_name);
}

size_t File::Read(void* buffer, size_t count)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(m_fd, out + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void File::Write(const void* data, size_t count)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    const auto* in = static_cast<const unsigned char*>(data);
    BeforeFileWrite();
    size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(m_fd, in + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        if (put == 0)
            throw FileException(kCauseDiskFull, m_name);
        done += static_cast<size_t>(put);
    }
}

uint64_t File::Seek(int64_t offset, SeekFrom from)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    const int whence = from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    const off_t result = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (result < 0)
        throw FileException(kCauseBadSeek, m_name);
    return static_cast<uint64_t>(result);
}

uint64_t File::GetPosition() const
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    const off_t result = ::lseek(m_fd, 0, SEEK_CUR);
    if (result < 0)
        throw FileException(kCauseBadSeek, m_name);
    return static_cast<uint64_t>(result);
}

uint64_t File::GetLength() const
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    struct stat info { };
    if (::fstat(m_fd, &info) != 0)
        Fail(errno);
    return static_cast<uint64_t>(info.st_size);
}

void File::SetLength(uint64_t length)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    BeforeFileWrite();
    if (::ftruncate(m_fd, static_cast<off_t>(length)) != 0)
        Fail(errno);
}

void File::Flush()
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    if (::fsync(m_fd) != 0)
        Fail(errno);
}

bool File::ReadString(std::string& line)
{
    line.clear();
    char chunk[512];
    bool readAnything = false;
    for (;;) {
        const size_t got = Read(chunk, sizeof chunk);
        if (got == 0)
            break;
        readAnything = true;
        size_t end = 0;
        while (end < got && chunk[end] != '\n')
            ++end;
        line.append(chunk, end);
        if (end < got) {
            // Give back what follows the line end so the next read starts there.
            Seek(-static_cast<int64_t>(got - end - 1), SeekFrom::Current);
            if (m_text && !line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
    }
    return readAnything;
}

} // namespace custodia
