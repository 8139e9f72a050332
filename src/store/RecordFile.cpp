#include "store/RecordFile.h"

#include "platform/Endian.h"
#include "platform/FileException.h"
#include "store/SharedFile.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace custodia {

using namespace recordfile;

namespace {

constexpr unsigned kOpenRead = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
// Changes take the file exclusively for their whole length, so writers of one file take turns and a
// reader never sees a change half made; readers share the file with each other.
constexpr unsigned kOpenChange = openflags::kCreate | openflags::kNoTruncate | openflags::kReadWrite
    | openflags::kShareExclusive | openflags::kBinary;
constexpr unsigned kOpenExistingChange = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;
constexpr unsigned kOpenCreate
    = openflags::kCreate | openflags::kReadWrite | openflags::kShareDenyNone | openflags::kBinary;

constexpr size_t kChecksumChunk = 64 * 1024;

// Opens the file unless it is larger than any record file can sensibly be: such a file is treated as
// damaged, so that a huge or sparse file is never summed or read whole.
bool OpenWithinLimit(SharedFile& file, const std::string& fileName, unsigned flags)
{
    if (!file.OpenWithRetry(fileName, flags))
        return false;
    if (file.GetLength() <= kMaxFileLength)
        return true;
    file.Close();
    return false;
}

// A record found by a scan: where its head is and how many data bytes follow it.
struct FoundRecord {
    uint64_t offset = 0;
    size_t dataLength = 0;
};

// Size of a caller's buffer, or nothing when size * count does not describe one.
std::optional<size_t> BufferSize(size_t size, size_t count)
{
    if (count != 0 && size > SIZE_MAX / count)
        return std::nullopt;
    return size * count;
}

// A head that says the record is no longer than itself, or that runs past the end of the file, ends
// every scan as if the file ended there: nothing beyond it can be trusted.
bool IsUsableHead(const RecordHeader& head, uint64_t offset, uint64_t fileLength)
{
    return head.length > kHeadSize && offset + head.length <= fileLength;
}

// From the current position, finds the next record of the kind and sub-kind and leaves the position
// at its head.
std::optional<FoundRecord> FindRecord(File& file, uint8_t kind, uint8_t subKind)
{
    const uint64_t fileLength = file.GetLength();
    for (;;) {
        const uint64_t offset = file.GetPosition();
        unsigned char bytes[kHeadSize];
        if (file.Read(bytes, kHeadSize) < kHeadSize)
            return std::nullopt;
        const RecordHeader head = RecordHeader::Decode(bytes);
        if (!IsUsableHead(head, offset, fileLength))
            return std::nullopt;
        if (head.kind == kind && head.subKind == subKind) {
            file.Seek(static_cast<int64_t>(offset), File::SeekFrom::Begin);
            return FoundRecord { offset, static_cast<size_t>(head.length - kHeadSize) };
        }
        file.Seek(static_cast<int64_t>(offset + head.length), File::SeekFrom::Begin);
    }
}

void SkipRecord(File& file, const FoundRecord& record)
{
    file.Seek(static_cast<int64_t>(record.offset + kHeadSize + record.dataLength), File::SeekFrom::Begin);
}

void MarkDeleted(File& file, const FoundRecord& record)
{
    const unsigned char deleted = kDeletedKind;
    file.Seek(static_cast<int64_t>(record.offset), File::SeekFrom::Begin);
    file.Write(&deleted, 1);
    SkipRecord(file, record);
}

// Reads the data of the record whose head is at the current position.
bool ReadData(File& file, const FoundRecord& record, void* buffer)
{
    file.Seek(static_cast<int64_t>(record.offset + kHeadSize), File::SeekFrom::Begin);
    return file.Read(buffer, record.dataLength) == record.dataLength;
}

uint32_t AddBytes(uint32_t sum, const unsigned char* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return sum;
}

struct FileSum {
    uint32_t sum = 0;
    uint64_t length = 0;
};

FileSum SumFile(File& file)
{
    FileSum result;
    result.length = file.GetLength();
    if (result.length <= kHeaderRecordOffset)
        return result;
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    std::vector<unsigned char> chunk(kChecksumChunk);
    uint64_t remaining = result.length - kHeaderRecordOffset;
    uint32_t sum = 0;
    while (remaining > 0) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, chunk.size()));
        const size_t got = file.Read(chunk.data(), want);
        if (got < want)
            return FileSum { 0, result.length }; // the file changed under us: no sum
        sum = AddBytes(sum, chunk.data(), got);
        remaining -= got;
    }
    result.sum = sum;
    return result;
}

bool ReadAt(File& file, uint64_t offset, unsigned char* bytes, size_t count)
{
    file.Seek(static_cast<int64_t>(offset), File::SeekFrom::Begin);
    return file.Read(bytes, count) == count;
}

void WriteAt(File& file, uint64_t offset, const unsigned char* bytes, size_t count)
{
    file.Seek(static_cast<int64_t>(offset), File::SeekFrom::Begin);
    file.Write(bytes, count);
}

void WriteHeaderRecord(File& file)
{
    unsigned char bytes[kFirstRecordOffset] = {};
    RecordHeader { kHeaderKind, 0, kHeaderRecordLength }.Encode(bytes + kHeaderRecordOffset);
    WriteUint32LE(bytes + kStoredLengthOffset, kHeaderRecordLength); // placeholder until sealed
    std::memcpy(bytes + kHeaderTextOffset, kHeaderText, kHeaderTextLength);
    file.Write(bytes, sizeof bytes);
}

// Opens the file for a change, creating it with its header record when it is missing or empty. The
// file is never truncated: an existing file that cannot be opened keeps its records, and when two
// programs create the same file at once the second finds the first one's header and keeps it.
bool OpenForWriting(SharedFile& file, const std::string& fileName)
{
    if (!OpenWithinLimit(file, fileName, kOpenChange))
        return false;
    if (file.GetLength() == 0) {
        WriteHeaderRecord(file);
        SealRecordFile(file);
    }
    return true;
}

// Where a write goes: over the first record of the kind and sub-kind with the same length, or at the
// end of the file; the records of that kind and sub-kind before it with other lengths are superseded.
struct WritePlan {
    std::optional<FoundRecord> target;
    std::vector<FoundRecord> superseded;
};

WritePlan PlanReplace(File& file, uint8_t kind, uint8_t subKind, size_t dataLength)
{
    WritePlan plan;
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto record = FindRecord(file, kind, subKind)) {
        if (record->dataLength == dataLength) {
            plan.target = record;
            break;
        }
        plan.superseded.push_back(*record);
        SkipRecord(file, *record);
    }
    return plan;
}

// Puts back what a failed write changed, so that a full disk or a failing share leaves the file as it
// was rather than damaged. Best effort: the original failure is what the caller hears about.
void UndoWrite(File& file, const WritePlan& plan, uint64_t oldLength, const std::vector<unsigned char>& oldBytes,
    size_t markedCount, uint8_t kind)
{
    try {
        if (plan.target)
            WriteAt(file, plan.target->offset, oldBytes.data(), oldBytes.size());
        else
            file.SetLength(oldLength);
        for (size_t i = 0; i < markedCount; ++i)
            WriteAt(file, plan.superseded[i].offset, &kind, 1);
        SealRecordFile(file);
    } catch (const FileException&) {
    }
}

// Writes the record (head and data in one piece), marks the superseded records deleted, then seals.
void ApplyWrite(File& file, const WritePlan& plan, const std::vector<unsigned char>& record)
{
    const uint64_t oldLength = file.GetLength();
    std::vector<unsigned char> oldBytes;
    if (plan.target) {
        oldBytes.resize(record.size());
        if (!ReadAt(file, plan.target->offset, oldBytes.data(), oldBytes.size()))
            throw FileException(kCauseEndOfFile, file.GetFileName());
    }
    size_t markedCount = 0;
    try {
        WriteAt(file, plan.target ? plan.target->offset : oldLength, record.data(), record.size());
        for (const FoundRecord& superseded : plan.superseded) {
            MarkDeleted(file, superseded);
            ++markedCount;
        }
        SealRecordFile(file);
    } catch (const FileException&) {
        UndoWrite(file, plan, oldLength, oldBytes, markedCount, record[0]);
        throw;
    }
}

} // namespace

RecordHeader RecordHeader::Decode(const unsigned char* bytes)
{
    return RecordHeader { bytes[0], bytes[1], ReadUint16LE(bytes + 2) };
}

void RecordHeader::Encode(unsigned char* bytes) const
{
    bytes[0] = kind;
    bytes[1] = subKind;
    WriteUint16LE(bytes + 2, length);
}

uint32_t RecordChecksum(const unsigned char* bytes, size_t length)
{
    return length > kHeaderRecordOffset ? AddBytes(0, bytes + kHeaderRecordOffset, length - kHeaderRecordOffset) : 0;
}

int VerifyRecordImage(const unsigned char* bytes, size_t length)
{
    const uint32_t sum = length > kHeaderRecordOffset ? RecordChecksum(bytes, length) : 0;
    if (length < kChecksumOffset + 4 || ReadUint32LE(bytes + kChecksumOffset) != sum)
        return kVerifyChecksumWrong;
    if (length <= kHeaderRecordOffset || bytes[kHeaderRecordOffset] != kHeaderKind)
        return kVerifyNoHeader;
    if (length < kStoredLengthOffset + 4 || ReadUint32LE(bytes + kStoredLengthOffset) != length)
        return kVerifyLengthWrong;
    return kVerifyOk;
}

int VerifyRecordFile(File& file)
{
    const FileSum computed = SumFile(file);
    unsigned char bytes[4];
    if (!ReadAt(file, kChecksumOffset, bytes, 4) || ReadUint32LE(bytes) != computed.sum)
        return kVerifyChecksumWrong;
    if (!ReadAt(file, kHeaderRecordOffset, bytes, 1) || bytes[0] != kHeaderKind)
        return kVerifyNoHeader;
    if (!ReadAt(file, kStoredLengthOffset, bytes, 4) || ReadUint32LE(bytes) != computed.length)
        return kVerifyLengthWrong;
    return kVerifyOk;
}

bool CreateRecordFile(SharedFile& file, const std::string& fileName)
{
    if (!file.OpenWithRetry(fileName, kOpenCreate))
        return false;
    WriteHeaderRecord(file);
    SealRecordFile(file);
    return true;
}

void SealRecordFile(File& file)
{
    const uint64_t position = file.GetPosition();
    unsigned char bytes[4];
    if (ReadAt(file, kHeaderRecordOffset, bytes, 1) && bytes[0] == kHeaderKind) {
        WriteUint32LE(bytes, static_cast<uint32_t>(file.GetLength()));
        WriteAt(file, kStoredLengthOffset, bytes, 4);
    }
    WriteUint32LE(bytes, SumFile(file).sum);
    WriteAt(file, kChecksumOffset, bytes, 4);
    file.Seek(static_cast<int64_t>(position), File::SeekFrom::Begin);
}

size_t RecordFile::ReadRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, void* buffer, size_t size, size_t count, bool verify)
{
    const auto capacity = BufferSize(size, count);
    SharedFile file;
    if (!capacity || !OpenWithinLimit(file, fileName, kOpenRead))
        return 0;
    if (verify && VerifyRecordFile(file) != kVerifyOk)
        return 0;
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto record = FindRecord(file, kind, subKind)) {
        if (record->dataLength <= *capacity)
            return ReadData(file, *record, buffer) ? record->dataLength : 0;
        SkipRecord(file, *record);
    }
    return 0;
}

void RecordFile::ForEachRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, void* buffer, size_t size,
    size_t count, const RecordFunction& function)
{
    const auto capacity = BufferSize(size, count);
    SharedFile file;
    if (!capacity || !OpenWithinLimit(file, fileName, kOpenRead) || VerifyRecordFile(file) != kVerifyOk)
        return;
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto record = FindRecord(file, kind, subKind)) {
        if (record->dataLength <= *capacity) {
            if (!ReadData(file, *record, buffer))
                return;
            const auto* data = static_cast<const unsigned char*>(buffer);
            if (function)
                function(data);
            else
                OnRecord(data, record->offset);
        }
        SkipRecord(file, *record);
    }
}

int RecordFile::WriteRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, const void* data, size_t size,
    size_t count, bool replace)
{
    const auto dataLength = BufferSize(size, count);
    // The length field has 16 bits: a larger record cannot be stored, and is refused rather than cut.
    // An empty record would look like the end of the file to every reader and hide all records after it.
    if (!dataLength || *dataLength == 0 || *dataLength > kMaxDataLength)
        return 0;
    SharedFile file;
    if (!OpenForWriting(file, fileName))
        return 0;

    const WritePlan plan = replace ? PlanReplace(file, kind, subKind, *dataLength) : WritePlan {};
    std::vector<unsigned char> bytes(kHeadSize + *dataLength);
    RecordHeader { kind, subKind, static_cast<uint16_t>(bytes.size()) }.Encode(bytes.data());
    std::memcpy(bytes.data() + kHeadSize, data, *dataLength);
    ApplyWrite(file, plan, bytes);
    file.Close();
    return 1;
}

void RecordFile::DeleteRecord(const std::string& fileName, uint8_t kind, uint8_t subKind, const void* key, size_t size,
    size_t keyLength, size_t count)
{
    const auto dataLength = BufferSize(size, count);
    SharedFile file;
    if (!dataLength || !OpenWithinLimit(file, fileName, kOpenExistingChange))
        return;
    const size_t compared = std::min(keyLength, *dataLength);
    std::vector<unsigned char> data(*dataLength);
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto record = FindRecord(file, kind, subKind)) {
        if (record->dataLength == *dataLength && ReadData(file, *record, data.data())
            && std::memcmp(data.data(), key, compared) == 0) {
            MarkDeleted(file, *record);
            break;
        }
        SkipRecord(file, *record);
    }
    SealRecordFile(file);
    file.Close();
}

int RecordFile::ReadRecords(const std::string& fileName, RecordRequest* requests)
{
    std::vector<unsigned char> image;
    {
        SharedFile file;
        if (!file.OpenWithRetry(fileName, kOpenRead))
            return -1;
        const uint64_t length = file.GetLength();
        if (length <= kHeaderRecordOffset || length > kMaxFileLength)
            return -1;
        image.resize(static_cast<size_t>(length));
        if (file.Read(image.data(), image.size()) < image.size())
            return -1;
    }
    if (VerifyRecordImage(image.data(), image.size()) != kVerifyOk)
        return -1;

    size_t open = 0;
    for (RecordRequest* request = requests; request != nullptr; request = request->next) {
        request->bytesRead = 0;
        ++open;
    }
    size_t offset = kHeaderRecordOffset;
    while (open > 0 && offset + kHeadSize <= image.size()) {
        const RecordHeader head = RecordHeader::Decode(image.data() + offset);
        if (!IsUsableHead(head, offset, image.size()))
            break;
        const size_t dataLength = head.length - kHeadSize;
        for (RecordRequest* request = requests; request != nullptr; request = request->next) {
            const int64_t capacity = static_cast<int64_t>(request->size) * request->count;
            if (request->bytesRead > 0 || request->kind != head.kind || request->subKind != head.subKind
                || request->size < 0 || request->count < 0 || capacity < static_cast<int64_t>(dataLength))
                continue;
            std::memcpy(request->buffer, image.data() + offset + kHeadSize, dataLength);
            request->bytesRead = static_cast<int32_t>(dataLength);
            --open;
            break;
        }
        offset += head.length;
    }
    return 0;
}

void RecordFile::OnRecord(const unsigned char*, uint64_t)
{
}

} // namespace custodia
