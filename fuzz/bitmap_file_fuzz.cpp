#include "FuzzFile.h"

#include "parsers/BitmapDecoder.h"
#include "parsers/BitmapFile.h"

#include <span>

using namespace custodia;

// A picture file of any shape, decoded in memory and loaded from disk.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeBitmap(std::span<const unsigned char>(data, size));
    BitmapFile picture;
    picture.LoadBitmapFile(fuzz::WriteInput("fuzz.bmp", data, size));
    return 0;
}
