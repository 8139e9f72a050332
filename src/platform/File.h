#pragma once

#include "platform/FileEnvironment.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace custodia {

// Open flags. Files are always binary; kText only changes ReadString's line ends.
namespace openflags {
inline constexpr unsigned kRead = 0x0000;
inline constexpr unsigned kWrite = 0x0001;
inline constexpr unsigned kReadWrite = 0x0002;
inline constexpr unsigned kShareExclusive = 0x0010;
inline constexpr unsigned kShareDenyNone = 0x0040;
inline constexpr unsigned kCreate = 0x1000; // create, or truncate an existing file
inline constexpr unsigned kNoTruncate = 0x2000; // with kCreate: create if missing, keep an existing file
inline constexpr unsigned kText = 0x4000;
// With kCreate: a file created by this open gets kPrivateFileMode and the group of its folder.
inline constexpr unsigned kPrivate = 0x0400;
inline constexpr unsigned kBinary = 0x8000;
} // namespace openflags

// Why the latest open failed, in more detail than its cause code, so that messages can name the cause in
// plain words.
struct OpenError {
    enum class Refusal {
        None, // the system refused: see systemError
        NotRegularFile, // a folder, pipe, device or socket stands where a file belongs
        DanglingLink, // a symbolic link to nothing: no file is created through it
        Cancelled, // the open waited for a held file until it was told to give up; see cause
    };

    int cause = 0;
    int systemError = 0; // errno of the failed call, 0 when one of our own checks refused the file
    Refusal refusal = Refusal::None;
    std::string nodeKind; // for NotRegularFile: "a folder", "a named pipe (FIFO)", ...
    // The share did not answer (a time-out, a lost connection, an I/O error on a network file system):
    // the failure says so, since the same error on a local disk means something else.
    bool passingNetworkFault = false;
};

// Plain words for people: "no permission", "read-only file system", "in use by another program",
// "not a regular file (a named pipe (FIFO))", ...
std::string DescribeOpenError(const OpenError& error);

// Mode of the files we create; the umask still applies, as for any other program.
inline constexpr unsigned kCreatedFileMode = 0664;
// Mode of the account files we create (openflags::kPrivate), whatever the umask: they hold the users and
// their scrambled passwords, so others have no access; the group is the folder's.
inline constexpr unsigned kPrivateFileMode = 0660;

// Gives a new account file exactly kPrivateFileMode, whatever the umask, and the group of its folder.
void MakePrivate(int fd, const std::string& name);
// Gives the open file the permissions and, where we may, the owner and group of the file `original`
// (a copy or a journal of it holds what it holds); the fallback mode when `original` cannot be looked at.
void CopyAccess(int fd, const std::string& original, unsigned fallbackMode);

// A file over a POSIX descriptor. Share modes are emulated with flock on the open file description:
// deny-none takes a shared lock, exclusive an exclusive lock, both without blocking, so two opens
// conflict whether they come from two programs or from one. Errors after a successful open throw
// FileException carrying the cause and the file name.
class File {
public:
    enum class SeekFrom { Begin, Current, End };

    File() = default;
    // Reads and writes count and stop as the environment says; it must outlive the object.
    explicit File(const FileEnvironment& environment)
        : m_environment(&environment)
    {
    }
    virtual ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // One attempt to open; returns 0 on success or the cause code of the failure. Never blocks: only a
    // regular file is opened (a pipe, a device or a folder is refused as an invalid file), and a file is
    // created only where nothing stands, so a symbolic link to a missing file is refused, not followed.
    int OpenOnce(const std::string& name, unsigned flags);
    const OpenError& LastOpenError() const { return m_lastError; }
    // Closes the file if it is open; closing twice is harmless.
    virtual void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFileName() const { return m_name; }

    // Reads up to count bytes; fewer only at the end of the file.
    size_t Read(void* buffer, size_t count);
    // Writes all count bytes or throws.
    void Write(const void* data, size_t count);
    // Writes all count bytes at the offset, in one call where the system allows, without moving the
    // position.
    void WriteAt(uint64_t offset, const void* data, size_t count);
    // The whole file from its start, in as few reads as the system allows: one of the length the file
    // has now and one that finds its end (a file that grew meanwhile is read on). False when the file
    // holds more than limit bytes: it is then not read beyond that. The position is left as it was.
    bool ReadWhole(std::vector<unsigned char>& bytes, uint64_t limit);
    uint64_t Seek(int64_t offset, SeekFrom from);
    void SeekToBegin() { Seek(0, SeekFrom::Begin); }
    uint64_t SeekToEnd() { return Seek(0, SeekFrom::End); }
    uint64_t GetPosition() const;
    uint64_t GetLength() const;
    void SetLength(uint64_t length);
    // Waits until everything written has reached the disk.
    void Flush();
    // Reads one line without its line end ("\n", or "\r\n" in text mode). False at the end of the file
    // when nothing was left to read.
    bool ReadString(std::string& line);

    const FileEnvironment& Environment() const { return *m_environment; }

protected:
    // The latest open gave up waiting when told to: its cause and system error stay as they were.
    void MarkOpenCancelled() { m_lastError.refusal = OpenError::Refusal::Cancelled; }
    void MarkPassingNetworkFault() { m_lastError.passingNetworkFault = true; }

private:
    [[noreturn]] void Fail(int error) const;
    // Up to count bytes from the offset; fewer only at the end of the file.
    size_t ReadAt(uint64_t offset, unsigned char* buffer, size_t count);
    // One read system call at the offset, however much it gives.
    size_t ReadOnceAt(uint64_t offset, unsigned char* buffer, size_t count);
    // Reads and writes at the offset, or at the file's position when none is given.
    size_t ReadFrom(std::optional<uint64_t> offset, unsigned char* buffer, size_t count);
    void WriteFrom(std::optional<uint64_t> offset, const unsigned char* data, size_t count);

    int Refuse(
        int cause, int systemError, OpenError::Refusal refusal = OpenError::Refusal::None, std::string nodeKind = {});
    int OpenDescriptor(const std::string& name, unsigned flags);

    const FileEnvironment* m_environment = &FileEnvironment::System();
    int m_fd = -1;
    std::optional<uint64_t> m_knownLength; // from the open's fstat, until something is written
    OpenError m_lastError;
    bool m_text = false;
    std::string m_name;
};

} // namespace custodia
