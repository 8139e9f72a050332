#include "parsers/BitmapDecoder.h"

#include <cstdlib>
#include <span>

using namespace custodia;

namespace {

// Decoding costs time in proportion to the picture, which a header of a few bytes can make 16 million
// pixels: beyond this the fuzzer checks the headers only, so that it stays fast. Every path of the
// decoder is reached with small pictures, and the edge of the limits with long, thin ones.
constexpr uint64_t kMaxDecodedPixels = 1 << 16;

} // namespace

// A picture file of any shape, in memory: what decodes has every pixel of its size, opaque.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const unsigned char> file(data, size);
    const std::optional<BitmapHeaders> headers = ParseBitmapHeaders(file);
    if (!headers || uint64_t(headers->width) * uint64_t(headers->height) > kMaxDecodedPixels)
        return 0;
    const std::optional<DecodedBitmap> bitmap = DecodeBitmap(file);
    if (!bitmap || bitmap->width != headers->width || bitmap->height != headers->height
        || bitmap->pixels.size() != size_t(bitmap->width) * size_t(bitmap->height))
        std::abort();
    for (const uint32_t pixel : bitmap->pixels) {
        if ((pixel >> 24) != 0xFF)
            std::abort();
    }
    return 0;
}
