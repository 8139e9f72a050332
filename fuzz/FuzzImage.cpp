#include "FuzzImage.h"

#include "platform/Endian.h"
#include "store/RecordFile.h"

#include <cstdlib>

namespace custodia::fuzz {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<unsigned char> SealedRecordImage(const uint8_t* data, size_t size)
{
    using namespace recordfile;
    std::vector<unsigned char> image(data, data + size);
    if (image.size() < kStoredLengthOffset + 4 || ReadUint32LE(image.data() + kChecksumOffset) != 0)
        return image;
    if (ReadUint32LE(image.data() + kStoredLengthOffset) == 0)
        WriteUint32LE(image.data() + kStoredLengthOffset, static_cast<uint32_t>(image.size()));
    WriteUint32LE(image.data() + kChecksumOffset, RecordChecksum(image.data(), image.size()));
    return image;
}

bool ShouldWrite(const std::vector<unsigned char>& image)
{
    return VerifyRecordImage(image.data(), image.size()) == recordfile::kVerifyOk || image.size() % 16 == 0;
}

} // namespace custodia::fuzz
