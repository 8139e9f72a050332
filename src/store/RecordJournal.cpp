#include "store/RecordJournal.h"

#include "platform/Endian.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Sha256.h"
#include "store/ChangeSetMarker.h"

#include <algorithm>
#include <string_view>

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

std::string HashOf(std::span<const unsigned char> bytes)
{
    return Sha256Hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool HasMagic(std::span<const unsigned char> bytes, const unsigned char (&magic)[8])
{
    return std::equal(std::begin(magic), std::end(magic), bytes.begin() + kMagicOffset);
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

void RecordJournal::RecordWrites(std::span<const unsigned char> before, uint64_t newLength)
{
    m_oldHash = HashOf(before);
    m_newLength = newLength;
}

void RecordJournal::AddWrite(uint64_t offset, std::span<const unsigned char> bytes)
{
    m_writes.push_back(Range { offset, std::vector<unsigned char>(bytes.begin(), bytes.end()) });
}

namespace {

const unsigned char (&MagicOf(bool withWrites, bool inChangeSet))[8]
{
    if (withWrites)
        return inChangeSet ? kMagicWithWritesInChangeSet : kMagicWithWrites;
    return inChangeSet ? kMagicInChangeSet : kMagic;
}

// Where the marker's name begins: behind the header of the layout.
size_t ChangeSetLengthOffsetOf(bool withWrites)
{
    return withWrites ? kHeaderWithWritesSize : kChangeSetLengthOffset;
}

size_t HeadSizeOf(bool withWrites, const std::string& changeSet)
{
    const size_t header = withWrites ? kHeaderWithWritesSize : kHeaderSize;
    return changeSet.empty() ? header : header + 2 + changeSet.size();
}

size_t EncodeRanges(std::vector<unsigned char>& bytes, size_t at, const auto& ranges)
{
    for (const auto& range : ranges) {
        WriteUint64LE(bytes.data() + at + kRangeOffsetOffset, range.offset);
        WriteUint32LE(bytes.data() + at + kRangeLengthOffset, static_cast<uint32_t>(range.bytes.size()));
        std::copy(range.bytes.begin(), range.bytes.end(), bytes.begin() + static_cast<ptrdiff_t>(at + kRangeHeadSize));
        at += kRangeHeadSize + range.bytes.size();
    }
    return at;
}

// Reads `count` ranges from `at`, each of which must lie within `limit`; false when one does not or the
// journal ends first.
template <typename Range>
bool DecodeRanges(
    std::span<const unsigned char> bytes, size_t& at, uint32_t count, uint64_t limit, std::vector<Range>& ranges)
{
    for (uint32_t i = 0; i < count; ++i) {
        if (bytes.size() - at < kRangeHeadSize)
            return false;
        const uint64_t offset = ReadUint64LE(bytes.data() + at + kRangeOffsetOffset);
        const size_t length = ReadUint32LE(bytes.data() + at + kRangeLengthOffset);
        at += kRangeHeadSize;
        if (bytes.size() - at < length || offset > limit || length > limit - offset)
            return false;
        ranges.push_back(Range { offset,
            std::vector<unsigned char>(
                bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(at + length)) });
        at += length;
    }
    return true;
}

} // namespace

std::vector<unsigned char> RecordJournal::Encode() const
{
    const bool withWrites = HasWrites();
    size_t size = HeadSizeOf(withWrites, m_changeSet);
    for (const Range& range : m_ranges)
        size += kRangeHeadSize + range.bytes.size();
    for (const Range& write : m_writes)
        size += kRangeHeadSize + write.bytes.size();
    std::vector<unsigned char> bytes(size);
    const auto& magic = MagicOf(withWrites, !m_changeSet.empty());
    std::copy(std::begin(magic), std::end(magic), bytes.begin() + kMagicOffset);
    WriteUint64LE(bytes.data() + kOldLengthOffset, m_oldLength);
    WriteUint32LE(bytes.data() + kRangeCountOffset, static_cast<uint32_t>(m_ranges.size()));
    if (withWrites) {
        WriteUint64LE(bytes.data() + kNewLengthOffset, m_newLength);
        std::copy(m_oldHash.begin(), m_oldHash.end(), bytes.begin() + kOldHashOffset);
        WriteUint32LE(bytes.data() + kWriteCountOffset, static_cast<uint32_t>(m_writes.size()));
    }
    if (!m_changeSet.empty()) {
        const size_t lengthAt = ChangeSetLengthOffsetOf(withWrites);
        WriteUint16LE(bytes.data() + lengthAt, static_cast<uint16_t>(m_changeSet.size()));
        std::copy(m_changeSet.begin(), m_changeSet.end(), bytes.begin() + static_cast<ptrdiff_t>(lengthAt + 2));
    }
    size_t at = EncodeRanges(bytes, HeadSizeOf(withWrites, m_changeSet), m_ranges);
    EncodeRanges(bytes, at, m_writes);
    WriteUint32LE(bytes.data() + kChecksumOffset, ChecksumOf(bytes));
    return bytes;
}

std::optional<RecordJournal> RecordJournal::Decode(std::span<const unsigned char> bytes)
{
    if (bytes.size() < kHeaderSize || ReadUint32LE(bytes.data() + kChecksumOffset) != ChecksumOf(bytes))
        return std::nullopt;
    const bool withWrites = HasMagic(bytes, kMagicWithWrites) || HasMagic(bytes, kMagicWithWritesInChangeSet);
    const bool inChangeSet = HasMagic(bytes, kMagicInChangeSet) || HasMagic(bytes, kMagicWithWritesInChangeSet);
    if (!withWrites && !inChangeSet && !HasMagic(bytes, kMagic))
        return std::nullopt;
    RecordJournal journal(ReadUint64LE(bytes.data() + kOldLengthOffset));
    uint32_t writeCount = 0;
    if (withWrites) {
        if (bytes.size() < kHeaderWithWritesSize)
            return std::nullopt;
        journal.m_newLength = ReadUint64LE(bytes.data() + kNewLengthOffset);
        journal.m_oldHash.assign(bytes.begin() + kOldHashOffset, bytes.begin() + kOldHashOffset + kOldHashSize);
        writeCount = ReadUint32LE(bytes.data() + kWriteCountOffset);
        // A change never shortens a file.
        if (journal.m_newLength < journal.m_oldLength)
            return std::nullopt;
    }
    if (inChangeSet) {
        const size_t lengthAt = ChangeSetLengthOffsetOf(withWrites);
        if (bytes.size() < lengthAt + 2)
            return std::nullopt;
        const size_t length = ReadUint16LE(bytes.data() + lengthAt);
        if (bytes.size() - lengthAt - 2 < length)
            return std::nullopt;
        journal.m_changeSet.assign(bytes.begin() + static_cast<ptrdiff_t>(lengthAt + 2),
            bytes.begin() + static_cast<ptrdiff_t>(lengthAt + 2 + length));
        if (!IsChangeSetMarkerName(journal.m_changeSet))
            return std::nullopt;
    }
    size_t at = HeadSizeOf(withWrites, journal.m_changeSet);
    // Only bytes the file had before the change are ever kept; every write lies within the file as the
    // change leaves it.
    if (!DecodeRanges(bytes, at, ReadUint32LE(bytes.data() + kRangeCountOffset), journal.m_oldLength, journal.m_ranges)
        || !DecodeRanges(bytes, at, writeCount, journal.m_newLength, journal.m_writes))
        return std::nullopt;
    if (at != bytes.size())
        return std::nullopt;
    return journal;
}

std::optional<uint64_t> RecordJournal::FirstByteNotWritten(
    std::span<const unsigned char> image, std::span<const unsigned char> before) const
{
    const auto writtenHere = [&](uint64_t offset, unsigned char byte) {
        return std::any_of(m_writes.begin(), m_writes.end(), [&](const Range& write) {
            return offset >= write.offset && offset - write.offset < write.bytes.size()
                && write.bytes[static_cast<size_t>(offset - write.offset)] == byte;
        });
    };
    for (uint64_t offset = 0; offset < image.size(); ++offset) {
        const auto at = static_cast<size_t>(offset);
        if (offset < before.size() && image[at] == before[at])
            continue;
        if (!writtenHere(offset, image[at]))
            return offset;
    }
    return std::nullopt;
}

std::optional<unsigned char> RecordJournal::KeptByteAt(uint64_t offset) const
{
    for (const Range& range : m_ranges)
        if (offset >= range.offset && offset - range.offset < range.bytes.size())
            return range.bytes[static_cast<size_t>(offset - range.offset)];
    return std::nullopt;
}

bool RecordJournal::HoldsAnyByteWritten(std::span<const unsigned char> image) const
{
    for (const Range& write : m_writes) {
        for (size_t i = 0; i < write.bytes.size(); ++i) {
            const uint64_t offset = write.offset + i;
            if (offset >= image.size() || image[static_cast<size_t>(offset)] != write.bytes[i])
                continue;
            // A byte the change writes over the same byte shows nothing.
            if (KeptByteAt(offset) != write.bytes[i])
                return true;
        }
    }
    return false;
}

JournalCheck RecordJournal::Check(std::span<const unsigned char> image) const
{
    size_t kept = 0;
    for (const Range& range : m_ranges)
        kept += range.bytes.size();
    // Playing back a journal whose old length is beyond the file and all it keeps would only grow the
    // file, by as much as the journal says.
    if (m_oldLength > kMaxJournalledLength || m_oldLength > image.size() + kept)
        return { JournalFinding::Implausible,
            "its journal gives the file a length of " + std::to_string(m_oldLength) + " bytes before the change, "
                + "which the file's " + std::to_string(image.size()) + " bytes cannot have come from" };
    if (!HasWrites())
        return { JournalFinding::CutShort, {} };
    // Nothing of the change in the file, whatever else changed: there is nothing to undo.
    if (!HoldsAnyByteWritten(image))
        return { JournalFinding::AsBefore, {} };
    if (image.size() < m_oldLength || image.size() > m_newLength)
        return { JournalFinding::ChangedSince,
            "it is " + std::to_string(image.size()) + " bytes long, while the change cut short left it between "
                + std::to_string(m_oldLength) + " and " + std::to_string(m_newLength) + " bytes" };
    // The file as it was: the kept bytes put back into the file as it is.
    std::vector<unsigned char> before(image.begin(), image.begin() + static_cast<ptrdiff_t>(m_oldLength));
    for (const Range& range : m_ranges)
        std::copy(range.bytes.begin(), range.bytes.end(), before.begin() + static_cast<ptrdiff_t>(range.offset));
    if (HashOf(before) != m_oldHash)
        return { JournalFinding::ChangedSince,
            "bytes the change cut short did not write differ from the file's before it" };
    if (const auto offset = FirstByteNotWritten(image, before))
        return { JournalFinding::ChangedSince,
            "the byte at offset " + std::to_string(*offset)
                + " holds neither what the file held there nor what the change cut short wrote" };
    return { JournalFinding::CutShort, {} };
}

void RecordJournal::Store(const std::string& fileName, const FileEnvironment& environment) const
{
    WriteNewFile(JournalNameOf(fileName), Encode(), kPrivateFileMode, environment, fileName);
}

void RecordJournal::RollBack(File& file) const
{
    for (const Range& range : m_ranges)
        file.WriteAt(range.offset, range.bytes.data(), range.bytes.size());
    if (file.GetLength() != m_oldLength)
        file.SetLength(m_oldLength);
    file.Flush();
}

} // namespace custodia
