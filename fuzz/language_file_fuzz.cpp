#include "FuzzFile.h"

#include "words/LanguageFile.h"
#include "words/WordTable.h"

#include <vector>

using namespace custodia;

// "default.lan" in memory and from disk.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ParseLanguageFile(std::vector<unsigned char>(data, data + size));
    const std::string folder = fuzz::ScratchFolder();
    fuzz::WriteInput("default.lan", data, size);
    std::string name, extension;
    WordTable(folder).ReadLanguageFile(name, extension);
    return 0;
}
