#include "words/LanguageFile.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

using namespace custodia;

// "default.lan" in memory: a language that is read back is one that can be written again, and writing
// it gives bytes that read as the same language.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::optional<Language> language = ParseLanguageFile(std::vector<unsigned char>(data, data + size));
    if (!language)
        return 0;
    try {
        const std::optional<Language> again = ParseLanguageFile(BuildLanguageFile(*language));
        if (!again || again->name != language->name || again->extension != language->extension)
            std::abort();
    } catch (const std::invalid_argument&) {
        std::abort(); // a language read from a file always fits the file
    }
    return 0;
}
