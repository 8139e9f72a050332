#include "parsers/SupportText.h"
#include "parsers/TextCharacters.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace custodia;

// "techsprt.txt" of any shape, in memory: the text stays within its room and is made of whole "\r\n"
// lines without zero bytes; the support box shows it as valid UTF-8.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = ParseSupportText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (text.size() > supporttext::kMaxText)
        std::abort();
    if (!text.empty() && text.compare(text.size() - 2, 2, "\r\n") != 0)
        std::abort();
    if (text.find('\0') != std::string::npos)
        std::abort();
    const std::string shown = ToUtf8Text(text);
    if (ToUtf8Text(shown) != shown)
        std::abort();
    return 0;
}
