#include "FuzzFile.h"

#include "parsers/SupportText.h"

#include <cstdlib>
#include <string>

using namespace custodia;

// "techsprt.txt" of any shape: the text stays within its room and is made of whole "\r\n" lines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ScratchFolder();
    fuzz::WriteInput(supporttext::kFileName, data, size);
    const std::string text = ReadSupportText();
    if (text.size() > supporttext::kMaxText)
        std::abort();
    if (!text.empty() && text.compare(text.size() - 2, 2, "\r\n") != 0)
        std::abort();
    if (text.find('\0') != std::string::npos)
        std::abort();
    return 0;
}
