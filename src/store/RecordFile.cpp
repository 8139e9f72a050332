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
bool ReadData(File& file, const FoundRecord& record, unsigned char* buffer)
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

const char* DescribeVerifyResult(int result, size_t length)
{
    if (length <= kHeaderRecordOffset)
        return "too short";
    switch (result) {
    case kVerifyLengthWrong:
        return "stored length wrong";
    case kVerifyChecksumWrong:
        return "checksum wrong";
    case kVerifyNoHeader:
        return "no header record";
    default:
        return "not a record file";
    }
}

FileReadResult Damaged(std::string problem)
{
    return { FileReadStatus::Damaged, std::move(problem) };
}

// Opens the file for reading; the result says why not. A file larger than any record file can be is
// damaged, and is neither summed nor read.
FileReadResult OpenForReading(SharedFile& file, const std::string& fileName)
{
    if (!file.OpenWithRetry(fileName, kOpenRead)) {
        if (file.LastCause() == kCauseFileNotFound)
            return { FileReadStatus::Missing, "no such file" };
        return { FileReadStatus::Unopenable, "cannot be opened: " + DescribeOpenError(file.LastOpenError()),
            file.LastCause() };
    }
    if (const uint64_t length = file.GetLength(); length > kMaxFileLength) {
        file.Close();
        return Damaged(std::to_string(length) + " bytes, more than the " + std::to_string(kMaxFileLength >> 20)
            + " MB any record file may hold");
    }
    return {};
}

// The whole file in one read, checked as a whole. The image is kept even when the check fails.
FileReadResult ReadImage(const std::string& fileName, std::vector<unsigned char>& image)
{
    image.clear();
    SharedFile file;
    if (FileReadResult opened = OpenForReading(file, fileName); !opened.WasRead())
        return opened;
    image.resize(static_cast<size_t>(file.GetLength()));
    if (file.Read(image.data(), image.size()) < image.size()) {
        image.clear();
        return Damaged("changed while it was read");
    }
    if (const int verified = VerifyRecordImage(image.data(), image.size()); verified != kVerifyOk)
        return Damaged(DescribeVerifyResult(verified, image.size()));
    return {};
}

// Hands each record of the image, in file order, to the first open request it fits.
void FillRequests(const std::vector<unsigned char>& image, std::vector<RecordRequest>& requests)
{
    for (RecordRequest& request : requests)
        request.bytesRead = 0;
    size_t open = requests.size();
    size_t offset = kHeaderRecordOffset;
    while (open > 0 && offset + kHeadSize <= image.size()) {
        const RecordHeader head = RecordHeader::Decode(image.data() + offset);
        if (!IsUsableHead(head, offset, image.size()))
            break;
        const size_t dataLength = head.length - kHeadSize;
        for (RecordRequest& request : requests) {
            if (request.bytesRead > 0 || request.kind != head.kind || request.subKind != head.subKind
                || request.buffer.size() < dataLength)
                continue;
            std::memcpy(request.buffer.data(), image.data() + offset + kHeadSize, dataLength);
            request.bytesRead = dataLength;
            --open;
            break;
        }
        offset += head.length;
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

FileReadResult InspectRecordFile(const std::string& fileName)
{
    std::vector<unsigned char> image;
    return ReadImage(fileName, image);
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
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<unsigned char> buffer, bool verify)
{
    SharedFile file;
    if (!OpenWithinLimit(file, fileName, kOpenRead))
        return 0;
    if (verify && VerifyRecordFile(file) != kVerifyOk)
        return 0;
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto record = FindRecord(file, kind, subKind)) {
        if (record->dataLength <= buffer.size())
            return ReadData(file, *record, buffer.data()) ? record->dataLength : 0;
        SkipRecord(file, *record);
    }
    return 0;
}

FileReadResult RecordFile::ForEachRecord(const std::string& fileName, uint8_t kind, uint8_t subKind,
    std::span<unsigned char> buffer, const RecordFunction& function)
{
    SharedFile file;
    if (FileReadResult opened = OpenForReading(file, fileName); !opened.WasRead())
        return opened;
    if (const int verified = VerifyRecordFile(file); verified != kVerifyOk)
        return Damaged(DescribeVerifyResult(verified, static_cast<size_t>(file.GetLength())));
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto record = FindRecord(file, kind, subKind)) {
        if (record->dataLength <= buffer.size()) {
            if (!ReadData(file, *record, buffer.data()))
                return Damaged("changed while it was read");
            const std::span<const unsigned char> data = buffer.first(record->dataLength);
            if (function)
                function(data);
            else
                OnRecord(data, record->offset);
        }
        SkipRecord(file, *record);
    }
    return {};
}

int RecordFile::WriteRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<const unsigned char> data, bool replace)
{
    // The length field has 16 bits: a larger record cannot be stored, and is refused rather than cut.
    // An empty record would look like the end of the file to every reader and hide all records after it.
    if (data.empty() || data.size() > kMaxDataLength)
        return 0;
    SharedFile file;
    if (!OpenForWriting(file, fileName))
        return 0;

    const WritePlan plan = replace ? PlanReplace(file, kind, subKind, data.size()) : WritePlan {};
    std::vector<unsigned char> bytes(kHeadSize + data.size());
    RecordHeader { kind, subKind, static_cast<uint16_t>(bytes.size()) }.Encode(bytes.data());
    std::copy(data.begin(), data.end(), bytes.begin() + kHeadSize);
    ApplyWrite(file, plan, bytes);
    file.Close();
    return 1;
}

void RecordFile::DeleteRecord(
    const std::string& fileName, uint8_t kind, uint8_t subKind, std::span<const unsigned char> record, size_t keyLength)
{
    SharedFile file;
    if (!OpenWithinLimit(file, fileName, kOpenExistingChange))
        return;
    const std::span<const unsigned char> key = record.first(std::min(keyLength, record.size()));
    std::vector<unsigned char> data(record.size());
    file.Seek(kHeaderRecordOffset, File::SeekFrom::Begin);
    while (const auto found = FindRecord(file, kind, subKind)) {
        if (found->dataLength == record.size() && ReadData(file, *found, data.data())
            && std::equal(key.begin(), key.end(), data.begin())) {
            MarkDeleted(file, *found);
            break;
        }
        SkipRecord(file, *found);
    }
    SealRecordFile(file);
    file.Close();
}

FileReadResult RecordFile::ReadRecords(
    const std::string& fileName, std::vector<RecordRequest>& requests, bool readDamaged)
{
    std::vector<unsigned char> image;
    FileReadResult result = ReadImage(fileName, image);
    if (result.WasRead() || (readDamaged && result.status == FileReadStatus::Damaged))
        FillRequests(image, requests);
    return result;
}

void RecordFile::OnRecord(std::span<const unsigned char>, uint64_t)
{
}

} // namespace custodia
