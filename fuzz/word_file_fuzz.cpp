#include "words/WordFileReader.h"
#include "words/WordTable.h"

#include <cstdlib>
#include <span>
#include <string>

using namespace custodia;

// A word file of any shape, in memory: reading keeps what it can and never reads outside the bytes, and
// no expanded text keeps a "<TAB>" or "<CR>" that the table would show raw.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int64_t next = 0;
    ReadWordImage(std::span<const unsigned char>(data, size), [&next](int64_t index, std::string_view text) {
        if (index != next++)
            std::abort();
        const std::string expanded = ExpandWordText(text);
        if (expanded.find("<TAB>") != std::string::npos || expanded.find("<CR>") != std::string::npos)
            std::abort();
    });
    return 0;
}
