#include "words/WordFileReader.h"

#include "platform/Endian.h"
#include "words/WordFileFormat.h"

#include <cstring>

namespace custodia {

namespace {

using namespace wordfile;

bool IsValidHeader(std::span<const unsigned char> image)
{
    if (image.size() < kHeaderSize || std::memcmp(image.data(), kMagic, kMagicSize) != 0)
        return false;
    return SignedByteSum16(image.data(), kChecksumOffset) == ReadUint16LE(image.data() + kChecksumOffset);
}

std::string_view AsText(std::span<const unsigned char> bytes)
{
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

bool ReadWordImage(std::span<const unsigned char> image, const WordEntryVisitor& visit)
{
    if (!IsValidHeader(image))
        return false;
    bool sound = true;
    size_t offset = kHeaderSize;
    for (int64_t index = 0; image.size() - offset >= kEntryHeadSize; ++index) {
        const unsigned char* head = image.data() + offset;
        const int firstLength = static_cast<int16_t>(ReadUint16LE(head + kEntryFirstLengthOffset));
        const int wordLength = static_cast<int16_t>(ReadUint16LE(head + kEntryWordLengthOffset));
        // A negative length cannot be read past, and a text cut off by the end of the file is not the
        // text that was written: both end the file as damaged, keeping the words read before.
        if (firstLength < 0 || wordLength < 0)
            return false;
        offset += kEntryHeadSize;
        if (static_cast<size_t>(firstLength) + static_cast<size_t>(wordLength) > image.size() - offset)
            return false;
        const std::span<const unsigned char> first = image.subspan(offset, static_cast<size_t>(firstLength));
        const std::span<const unsigned char> word
            = image.subspan(offset + first.size(), static_cast<size_t>(wordLength));
        offset += first.size() + word.size();
        if (ByteSum8(first.data(), first.size()) != head[kEntryFirstCheckOffset]
            || ByteSum8(word.data(), word.size()) != head[kEntryWordCheckOffset])
            sound = false;
        visit(index, AsText(word));
    }
    return sound;
}

} // namespace custodia
