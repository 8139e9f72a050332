#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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
inline constexpr unsigned kBinary = 0x8000;
} // namespace openflags

// A file over a POSIX descriptor. Share modes are emulated with flock on the open file description:
// deny-none takes a shared lock, exclusive an exclusive lock, both without blocking, so two opens
// conflict whether they come from two programs or from one. Errors after a successful open throw
// FileException carrying the cause and the file name.
class File {
public:
    enum class SeekFrom { Begin, Current, End };

    File() = default;
    virtual ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // One attempt to open; returns 0 on success or the cause code of the failure.
    int OpenOnce(const std::string& name, unsigned flags);
    // Closes the file if it is open; closing twice is harmless.
    virtual void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetFileName() const { return m_name; }

    // Reads up to count bytes; fewer only at the end of the file.
    size_t Read(void* buffer, size_t count);
    // Writes all count bytes or throws.
    void Write(const void* data, size_t count);
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

private:
    [[noreturn]] void Fail(int error) const;

    int m_fd = -1;
    bool m_text = false;
    std::string m_name;
};

} // namespace custodia
