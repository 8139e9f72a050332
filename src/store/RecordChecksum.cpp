// The checksum and the seal of a record file, and its check: computed in one place for files, for
// images in memory, and for the files a change writes.
#include "store/RecordFile.h"

#include "platform/Endian.h"
#include "platform/Failure.h"
#include "store/RecordFileParts.h"

#include <cstring>

namespace custodia {

using namespace recordfile;

namespace {

// A head that says the record is no longer than itself, or that runs past the end of the file, ends
// every scan as if the file ended there: nothing beyond it can be trusted.
bool IsUsableHead(const RecordHeader& head, uint64_t offset, uint64_t fileLength)
{
    return head.length > kHeadSize && offset + head.length <= fileLength;
}

// The bytes of a word added in pairs into four 16-bit lanes.
uint64_t PairSums(const unsigned char* bytes)
{
    constexpr uint64_t kEveryOtherByte = 0x00FF00FF00FF00FFull;
    uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return (word & kEveryOtherByte) + ((word >> 8) & kEveryOtherByte);
}

uint32_t FoldLanes(uint64_t lanes)
{
    return static_cast<uint32_t>(
        (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
}

uint32_t AddBytes(uint32_t sum, const unsigned char* bytes, size_t count)
{
    // Thirty-two bytes a step, as pair sums in 16-bit lanes (two sets, so the additions overlap); a
    // lane takes 32 steps (at most 32 * 1020) before it is folded into the total. The order of the
    // additions does not matter to a sum that wraps at 32 bits.
    constexpr size_t kStep = 32;
    constexpr size_t kStepsPerFold = 32;
    size_t i = 0;
    while (count - i >= kStep) {
        uint64_t first = 0;
        uint64_t second = 0;
        for (size_t step = 0; step < kStepsPerFold && count - i >= kStep; ++step, i += kStep) {
            first += PairSums(bytes + i) + PairSums(bytes + i + 8);
            second += PairSums(bytes + i + 16) + PairSums(bytes + i + 24);
        }
        sum += FoldLanes(first) + FoldLanes(second);
    }
    for (; i < count; ++i)
        sum += bytes[i];
    return sum;
}

} // namespace

namespace recordparts {

std::vector<unsigned char> HeaderRecordBytes()
{
    std::vector<unsigned char> bytes(kFirstRecordOffset, 0);
    RecordHeader { kHeaderKind, 0, kHeaderRecordLength }.Encode(bytes.data() + kHeaderRecordOffset);
    WriteUint32LE(bytes.data() + kStoredLengthOffset, kHeaderRecordLength);
    std::memcpy(bytes.data() + kHeaderTextOffset, kHeaderText, kHeaderTextLength);
    return bytes;
}

size_t SealImage(std::vector<unsigned char>& image)
{
    if (image.size() < kChecksumOffset + 4)
        image.resize(kChecksumOffset + 4);
    size_t sealed = kChecksumOffset + 4;
    if (image.size() >= kStoredLengthOffset + 4 && image[kHeaderRecordOffset] == kHeaderKind) {
        WriteUint32LE(image.data() + kStoredLengthOffset, static_cast<uint32_t>(image.size()));
        sealed = kStoredLengthOffset + 4;
    }
    WriteUint32LE(image.data() + kChecksumOffset, RecordChecksum(image.data(), image.size()));
    return sealed;
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

Status CheckSound(const std::vector<unsigned char>& image, const std::string& fileName, const std::string& operation)
{
    if (const int verified = VerifyRecordImage(image.data(), image.size()); verified != kVerifyOk)
        return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeVerifyResult(verified, image.size()));
    if (const auto broken = FindBrokenHead(image.data(), image.size()))
        return Refused(Failure::Refusal::Damaged, operation, fileName, DescribeBrokenHead(*broken));
    return {};
}

} // namespace recordparts

using namespace recordparts;

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

FileReadResult CheckRecordImage(std::span<const unsigned char> image)
{
    if (const int verified = VerifyRecordImage(image.data(), image.size()); verified != kVerifyOk)
        return { FileReadStatus::Damaged, DescribeVerifyResult(verified, image.size()) };
    // A head that ends the chain early hides every record behind it: a list read from such a file would
    // look short or empty, and a sound checksum does not make it whole.
    if (const auto broken = FindBrokenHead(image.data(), image.size()))
        return { FileReadStatus::Damaged, DescribeBrokenHead(*broken) };
    return {};
}

std::optional<size_t> FindBrokenHead(const unsigned char* bytes, size_t length)
{
    size_t offset = kHeaderRecordOffset;
    while (offset < length) {
        if (length - offset < kHeadSize)
            return offset;
        const RecordHeader head = RecordHeader::Decode(bytes + offset);
        if (!IsUsableHead(head, offset, length))
            return offset;
        offset += head.length;
    }
    return std::nullopt;
}

std::string DescribeBrokenHead(size_t offset)
{
    return "record chain broken at offset " + std::to_string(offset);
}

int VerifyRecordFile(File& file)
{
    // The file is checked as its image is: one check for the file and for the bytes in memory.
    std::vector<unsigned char> image;
    if (!file.ReadWhole(image, kMaxFileLength))
        return kVerifyChecksumWrong;
    return VerifyRecordImage(image.data(), image.size());
}

void SealRecordFile(File& file)
{
    std::vector<unsigned char> image;
    static_cast<void>(file.ReadWhole(image, kMaxFileLength));
    const size_t sealed = SealImage(image);
    file.WriteAt(0, image.data(), sealed);
}

} // namespace custodia
