#include "store/RecordJournal.h"

#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/ChangeSetMarker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {

using namespace recordjournal;

namespace {

void WriteUint64LE(unsigned char* bytes, uint64_t value)
{
    WriteUint32LE(bytes, static_cast<uint32_t>(value & 0xFFFFFFFFu));
    WriteUint32LE(bytes + 4, static_cast<uint32_t>(value >> 32));
}

uint64_t ReadUint64LE(const unsigned char* bytes)
{
    return static_cast<uint64_t>(ReadUint32LE(bytes)) | (static_cast<uint64_t>(ReadUint32LE(bytes + 4)) << 32);
}

// The checksum covers the whole journal except its own field.
uint32_t ChecksumOf(std::span<const unsigned char> journal)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < journal.size(); ++i) {
        if (i >= kChecksumOffset && i < kChecksumOffset + 4)
            continue;
        crc ^= journal[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The folder holding the file, so that the journal's creation and removal can be flushed as well.
std::string FolderOf(const std::string& fileName)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : fileName.substr(0, slash);
}

// A folder entry reaches the disk only when the folder is flushed; where a folder cannot be opened for
// that (some network shares), the file's own flush is all there is.
void FlushFolder(const std::string& fileName)
{
    const int fd = ::open(FolderOf(fileName).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

[[noreturn]] void Fail(int error, const std::string& name)
{
    throw FileException(CauseFromErrno(error, name), name);
}

void WriteAll(int fd, std::span<const unsigned char> bytes, const std::string& name)
{
    size_t done = 0;
    while (done < bytes.size()) {
        BeforeFileWrite();
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            Fail(put < 0 ? errno : ENOSPC, name);
        done += static_cast<size_t>(put);
    }
}

// The journal's bytes, or nothing when there is no journal. A journal that is not a plain file of ours
// (a link, a folder, far too long) reads as torn, so it is removed rather than followed.
std::optional<std::vector<unsigned char>> ReadJournal(const std::string& journalName)
{
    const int fd = ::open(journalName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        if (errno == ELOOP)
            return std::vector<unsigned char> {};
        Fail(errno, journalName);
    }
    std::vector<unsigned char> bytes;
    struct stat info { };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= kMaxJournalSize) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return bytes;
}

} // namespace

uint32_t JournalChecksum(std::span<const unsigned char> bytes)
{
    return ChecksumOf(bytes);
}

RecordJournal::RecordJournal(uint64_t oldLength)
    : m_oldLength(oldLength)
{
}

void RecordJournal::Keep(File& file, uint64_t offset, size_t count)
{
    if (offset >= m_oldLength || count == 0)
        return;
    const size_t kept = static_cast<size_t>(std::min<uint64_t>(count, m_oldLength - offset));
    Range range { offset, std::vector<unsigned char>(kept) };
    file.Seek(static_cast<int64_t>(offset), File::SeekFrom::Begin);
    if (file.Read(range.bytes.data(), kept) != kept)
        throw FileException(kCauseEndOfFile, file.GetFileName());
    m_ranges.push_back(std::move(range));
}

void RecordJournal::Keep(std::span<const unsigned char> image, uint64_t offset, size_t count)
{
    const uint64_t known = std::min<uint64_t>(m_oldLength, image.size());
    if (offset >= known || count == 0)
        return;
    const auto begin = image.begin() + static_cast<ptrdiff_t>(offset);
    const size_t kept = static_cast<size_t>(std::min<uint64_t>(count, known - offset));
    m_ranges.push_back(Range { offset, std::vector<unsigned char>(begin, begin + static_cast<ptrdiff_t>(kept)) });
}

namespace {

// A journal of one file's change keeps the first layout, which every program of ours reads.
size_t HeadSizeOf(const std::string& changeSet)
{
    return changeSet.empty() ? kHeaderSize : kChangeSetNameOffset + changeSet.size();
}

} // namespace

std::vector<unsigned char> RecordJournal::Encode() const
{
    size_t size = HeadSizeOf(m_changeSet);
    for (const Range& range : m_ranges)
        size += kRangeHeadSize + range.bytes.size();
    std::vector<unsigned char> bytes(size);
    const auto& magic = m_changeSet.empty() ? kMagic : kMagicInChangeSet;
    std::copy(std::begin(magic), std::end(magic), bytes.begin() + kMagicOffset);
    WriteUint64LE(bytes.data() + kOldLengthOffset, m_oldLength);
    WriteUint32LE(bytes.data() + kRangeCountOffset, static_cast<uint32_t>(m_ranges.size()));
    if (!m_changeSet.empty()) {
        WriteUint16LE(bytes.data() + kChangeSetLengthOffset, static_cast<uint16_t>(m_changeSet.size()));
        std::copy(m_changeSet.begin(), m_changeSet.end(), bytes.begin() + kChangeSetNameOffset);
    }
    size_t at = HeadSizeOf(m_changeSet);
    for (const Range& range : m_ranges) {
        WriteUint64LE(bytes.data() + at + kRangeOffsetOffset, range.offset);
        WriteUint32LE(bytes.data() + at + kRangeLengthOffset, static_cast<uint32_t>(range.bytes.size()));
        std::copy(range.bytes.begin(), range.bytes.end(), bytes.begin() + static_cast<ptrdiff_t>(at + kRangeHeadSize));
        at += kRangeHeadSize + range.bytes.size();
    }
    WriteUint32LE(bytes.data() + kChecksumOffset, ChecksumOf(bytes));
    return bytes;
}

std::optional<RecordJournal> RecordJournal::Decode(std::span<const unsigned char> bytes)
{
    if (bytes.size() < kHeaderSize || ReadUint32LE(bytes.data() + kChecksumOffset) != ChecksumOf(bytes))
        return std::nullopt;
    RecordJournal journal(ReadUint64LE(bytes.data() + kOldLengthOffset));
    if (std::equal(std::begin(kMagicInChangeSet), std::end(kMagicInChangeSet), bytes.begin() + kMagicOffset)) {
        if (bytes.size() < kChangeSetNameOffset)
            return std::nullopt;
        const size_t length = ReadUint16LE(bytes.data() + kChangeSetLengthOffset);
        if (bytes.size() - kChangeSetNameOffset < length)
            return std::nullopt;
        journal.m_changeSet.assign(bytes.begin() + kChangeSetNameOffset,
            bytes.begin() + static_cast<ptrdiff_t>(kChangeSetNameOffset + length));
        if (!IsChangeSetMarkerName(journal.m_changeSet))
            return std::nullopt;
    } else if (!std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin() + kMagicOffset)) {
        return std::nullopt;
    }
    const uint32_t count = ReadUint32LE(bytes.data() + kRangeCountOffset);
    size_t at = HeadSizeOf(journal.m_changeSet);
    for (uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < kRangeHeadSize)
            return std::nullopt;
        const uint64_t offset = ReadUint64LE(bytes.data() + at + kRangeOffsetOffset);
        const size_t length = ReadUint32LE(bytes.data() + at + kRangeLengthOffset);
        at += kRangeHeadSize;
        // Only bytes the file had before the change are ever kept.
        if (bytes.size() - at < length || offset > journal.m_oldLength || length > journal.m_oldLength - offset)
            return std::nullopt;
        journal.m_ranges.push_back(Range { offset,
            std::vector<unsigned char>(
                bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(at + length)) });
        at += length;
    }
    if (at != bytes.size())
        return std::nullopt;
    return journal;
}

void RecordJournal::Store(const std::string& journalName) const
{
    WriteNewFile(journalName, Encode(), 0666);
}

void RecordJournal::RollBack(File& file) const
{
    for (const Range& range : m_ranges) {
        file.Seek(static_cast<int64_t>(range.offset), File::SeekFrom::Begin);
        file.Write(range.bytes.data(), range.bytes.size());
    }
    if (file.GetLength() != m_oldLength)
        file.SetLength(m_oldLength);
    file.Flush();
}

void WriteNewFile(const std::string& fileName, std::span<const unsigned char> bytes, unsigned mode)
{
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        Fail(errno, fileName);
    try {
        WriteAll(fd, bytes, fileName);
        if (::fsync(fd) != 0)
            Fail(errno, fileName);
    } catch (const FileException&) {
        ::close(fd);
        ::unlink(fileName.c_str());
        throw;
    }
    ::close(fd);
}

std::string JournalNameOf(const std::string& fileName)
{
    return fileName + kSuffix;
}

bool JournalExists(const std::string& fileName)
{
    struct stat info { };
    return ::lstat(JournalNameOf(fileName).c_str(), &info) == 0;
}

void RemoveJournal(const std::string& fileName)
{
    const std::string journalName = JournalNameOf(fileName);
    BeforeFileWrite();
    if (::unlink(journalName.c_str()) != 0 && errno != ENOENT)
        Fail(errno, journalName);
}

void FlushFolderOf(const std::string& fileName)
{
    FlushFolder(fileName);
}

std::optional<std::string> ChangeSetOfJournal(const std::string& journalName)
{
    try {
        const auto bytes = ReadJournal(journalName);
        const auto journal = bytes ? RecordJournal::Decode(*bytes) : std::nullopt;
        return journal ? journal->ChangeSet() : std::string();
    } catch (const FileException&) {
        return std::nullopt;
    }
}

JournalRecovery RecoverFromJournal(File& file)
{
    const std::string journalName = JournalNameOf(file.GetFileName());
    const auto bytes = ReadJournal(journalName);
    if (!bytes)
        return JournalRecovery::None;
    // A journal is flushed whole before its file is touched: one that is not whole never had its
    // change begun, and the file is as it was.
    const auto journal = RecordJournal::Decode(*bytes);
    if (!journal) {
        RemoveJournal(file.GetFileName());
        return JournalRecovery::Discarded;
    }
    const std::string& changeSet = journal->ChangeSet();
    if (!changeSet.empty() && !ChangeSetMarkerExists(file.GetFileName(), changeSet)) {
        RemoveJournal(file.GetFileName());
        FlushFolder(file.GetFileName());
        return JournalRecovery::Committed;
    }
    journal->RollBack(file);
    RemoveJournal(file.GetFileName());
    FlushFolder(file.GetFileName());
    if (!changeSet.empty())
        ForgetChangeSetUnlessNamed(file.GetFileName(), changeSet);
    return JournalRecovery::RolledBack;
}

} // namespace custodia
