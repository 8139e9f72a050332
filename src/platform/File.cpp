#include "platform/File.h"

#include "platform/FileException.h"
#include "platform/FileSystemKind.h"
#include "platform/Platform.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
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

std::string NodeKind(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a named pipe (FIFO)";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "of an unknown kind";
}

// Whether the file system of the descriptor may be another machine's, asked once per device: a
// program opens the dozen files of a login path, all on one device.
bool IsRemoteDevice(int fd, dev_t device)
{
    static std::mutex guard;
    static std::map<dev_t, bool> remote;
    const std::lock_guard<std::mutex> lock(guard);
    if (const auto known = remote.find(device); known != remote.end())
        return known->second;
    struct statfs info { };
    // A file system that cannot say what it is is treated as a share: a needless refresh costs little.
    const bool isRemote
        = ::fstatfs(fd, &info) != 0 || MayBeShared(ClassifyFileSystem(static_cast<uint32_t>(info.f_type)).kind);
    remote.emplace(device, isRemote);
    return isRemote;
}

// A client of a share may still hold pages and a size from before the last writer's change, which
// the lock just taken says is finished: they are dropped and the size taken from the server, so that
// what is read is what that writer wrote. Nothing of ours is dirty, so the sync writes nothing; it
// only lets the pages be dropped.
void ForgetCachedContents(int fd, struct stat& info)
{
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    struct statx fresh { };
    if (::statx(fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_SIZE | STATX_MTIME, &fresh) == 0
        && (fresh.stx_mask & STATX_SIZE))
        info.st_size = static_cast<off_t>(fresh.stx_size);
}

bool IsDanglingLink(const std::string& name)
{
    struct stat info { };
    if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return false;
    return ::stat(name.c_str(), &info) != 0 && errno == ENOENT;
}

} // namespace

std::string DescribeOpenError(const OpenError& error)
{
    switch (error.refusal) {
    case OpenError::Refusal::NotRegularFile:
        return "not a regular file (" + error.nodeKind + ")";
    case OpenError::Refusal::DanglingLink:
        return "a symbolic link to a missing file; no file is created through it";
    case OpenError::Refusal::Cancelled:
        return "given up waiting: "
            + DescribeOpenError(OpenError { error.cause, error.systemError, {}, {}, error.passingNetworkFault });
    case OpenError::Refusal::None:
        break;
    }
    if (error.passingNetworkFault)
        return "a passing network fault: the share did not answer";
    switch (error.systemError) {
    case EACCES:
        return "no permission";
    case ENOLCK:
        return "the share offers no locking; nothing is written there without a lock";
    case ESTALE:
        return "the file was replaced on the share while it was opened";
    case EBUSY:
    case ETXTBSY:
        return DescribeFileCause(kCauseSharingViolation);
    case EPERM:
        return "not permitted (the file may be immutable)";
    case EROFS:
        return "read-only file system";
    case ELOOP:
        return "too many levels of symbolic links";
    default:
        break;
    }
    return DescribeFileCause(error.cause);
}

File::~File()
{
    Close();
}

int File::Refuse(int cause, int systemError, OpenError::Refusal refusal, std::string nodeKind)
{
    m_lastError = OpenError { cause, systemError, refusal, std::move(nodeKind), false };
    return cause;
}

// A new account file: exactly kPrivateFileMode whatever the umask, and the group of its folder, as a
// folder with the set-group-ID bit gives it, so that the folder's group decides who may use the file.
// Both are best effort: a file system without modes (some shares) or a group we are not in keeps what
// the system gave.
void MakePrivate(int fd, const std::string& name)
{
    const auto slash = name.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    struct stat info { };
    if (::stat(folder.c_str(), &info) == 0)
        static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), info.st_gid));
    static_cast<void>(::fchmod(fd, kPrivateFileMode));
}

void CopyAccess(int fd, const std::string& original, unsigned fallbackMode)
{
    struct stat info { };
    if (::stat(original.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        static_cast<void>(::fchmod(fd, fallbackMode));
        return;
    }
    // The owner first: a change of owner may clear the mode's special bits, and only root may give a
    // file away; a group we belong to is still ours to give.
    if (::fchown(fd, info.st_uid, info.st_gid) != 0)
        static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), info.st_gid));
    static_cast<void>(::fchmod(fd, info.st_mode & 0777));
}

// The descriptor, or -1 with the reason in m_lastError.
int File::OpenDescriptor(const std::string& name, unsigned flags)
{
    // Anything but a regular file is refused before it is opened: opening a device may act by itself,
    // and reading a pipe or /dev/zero never ends. The check after the open closes the race.
    struct stat info { };
    if (::stat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        Refuse(kCauseInvalidFile, 0, OpenError::Refusal::NotRegularFile, NodeKind(info.st_mode));
        return -1;
    }
    // Non-blocking, so that a pipe slipped in after the check cannot hold the open either.
    const int existing = AccessMode(flags) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    for (int round = 0; round < 2; ++round) {
        int fd = ::open(name.c_str(), existing);
        if (fd >= 0)
            return fd;
        if (errno != ENOENT || !(flags & openflags::kCreate)) {
            Refuse(CauseFromErrno(errno, name), errno);
            return -1;
        }
        // A file is created only where nothing stands: a link to a missing file would otherwise make
        // us create its target, anywhere it points.
        const bool isPrivate = (flags & openflags::kPrivate) != 0;
        fd = ::open(name.c_str(), existing | O_CREAT | O_EXCL, isPrivate ? kPrivateFileMode : kCreatedFileMode);
        if (fd >= 0) {
            if (isPrivate)
                MakePrivate(fd, name);
            return fd;
        }
        if (errno != EEXIST) {
            Refuse(CauseFromErrno(errno, name), errno);
            return -1;
        }
        if (IsDanglingLink(name)) {
            Refuse(kCauseInvalidFile, 0, OpenError::Refusal::DanglingLink);
            return -1;
        }
        // Another program created the file between our two opens: open what it made.
    }
    Refuse(kCauseSharingViolation, EEXIST);
    return -1;
}

int File::OpenOnce(const std::string& name, unsigned flags)
{
    Close();
    m_lastError = OpenError {};
    const int fd = OpenDescriptor(name, flags);
    if (fd < 0)
        return m_lastError.cause;
    // The lock is taken first, so that the size and kind seen next are those the last writer left.
    if (::flock(fd, LockMode(flags) | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return Refuse(CauseFromErrno(error, name), error);
    }
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Refuse(kCauseInvalidFile, 0, OpenError::Refusal::NotRegularFile, NodeKind(info.st_mode));
    }
    if (IsRemoteDevice(fd, info.st_dev))
        ForgetCachedContents(fd, info);
    // O_NONBLOCK stays: it has no effect on a regular file, and only regular files are kept open.
    // Truncate only once the lock is held, so a refused open never empties another program's file.
    const bool truncate = (flags & openflags::kCreate) && !(flags & openflags::kNoTruncate);
    if (truncate && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return Refuse(CauseFromErrno(error, name), error);
    }
    m_fd = fd;
    m_knownLength = truncate ? 0 : static_cast<uint64_t>(info.st_size);
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
    m_knownLength.reset();
}

void File::Fail(int error) const
{
    throw FileException(CauseFromErrno(error, m_name), m_name);
}

size_t File::Read(void* buffer, size_t count)
{
    return ReadFrom(std::nullopt, static_cast<unsigned char*>(buffer), count);
}

size_t File::ReadAt(uint64_t offset, unsigned char* buffer, size_t count)
{
    return ReadFrom(offset, buffer, count);
}

size_t File::ReadOnceAt(uint64_t offset, unsigned char* buffer, size_t count)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    for (;;) {
        m_environment->CountRead();
        const ssize_t got = ::pread(m_fd, buffer, count, static_cast<off_t>(offset));
        if (got >= 0)
            return static_cast<size_t>(got);
        if (errno != EINTR)
            Fail(errno);
    }
}

size_t File::ReadFrom(std::optional<uint64_t> offset, unsigned char* buffer, size_t count)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    size_t done = 0;
    while (done < count) {
        m_environment->CountRead();
        const ssize_t got = offset ? ::pread(m_fd, buffer + done, count - done, static_cast<off_t>(*offset + done))
                                   : ::read(m_fd, buffer + done, count - done);
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
    WriteFrom(std::nullopt, static_cast<const unsigned char*>(data), count);
}

void File::WriteAt(uint64_t offset, const void* data, size_t count)
{
    WriteFrom(offset, static_cast<const unsigned char*>(data), count);
}

void File::WriteFrom(std::optional<uint64_t> offset, const unsigned char* data, size_t count)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    m_environment->BeforeWrite();
    m_knownLength.reset();
    size_t done = 0;
    while (done < count) {
        const ssize_t put = offset ? ::pwrite(m_fd, data + done, count - done, static_cast<off_t>(*offset + done))
                                   : ::write(m_fd, data + done, count - done);
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

bool File::ReadWhole(std::vector<unsigned char>& bytes, uint64_t limit)
{
    const uint64_t length = GetLength();
    bytes.clear();
    if (length > limit)
        return false;
    // One byte more than the file holds: a short read then says the end was reached, with no second
    // read to find it.
    bytes.resize(static_cast<size_t>(length) + 1);
    size_t done = ReadOnceAt(0, bytes.data(), bytes.size());
    // Short of the length the file had: read on, as the system may hand a file over in pieces.
    if (done < length)
        done += ReadAt(done, bytes.data() + done, bytes.size() - done);
    if (done < bytes.size()) {
        bytes.resize(done); // the end, or cut short meanwhile
        return true;
    }
    if (done > limit) {
        bytes.resize(static_cast<size_t>(limit));
        return false;
    }
    // Another program may have made the file longer since its length was taken.
    unsigned char more[16 * 1024];
    while (const size_t got = ReadAt(done, more, sizeof more)) {
        if (done + got > limit) {
            bytes.insert(bytes.end(), more, more + (limit - done));
            return false;
        }
        bytes.insert(bytes.end(), more, more + got);
        done += got;
    }
    return true;
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
    // Taken under the lock at the open, and nothing was written through this object since: a writer of
    // another program cannot have changed it while the lock is held.
    if (m_knownLength)
        return *m_knownLength;
    struct stat info { };
    if (::fstat(m_fd, &info) != 0)
        Fail(errno);
    return static_cast<uint64_t>(info.st_size);
}

void File::SetLength(uint64_t length)
{
    if (m_fd < 0)
        throw FileException(kCauseGeneric, m_name);
    m_environment->BeforeWrite();
    m_knownLength.reset();
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
