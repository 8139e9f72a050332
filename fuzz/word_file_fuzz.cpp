#include "FuzzFile.h"

#include "words/WordTable.h"

using namespace custodia;

// A word file of any shape: loading keeps what it can and never reads outside the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = fuzz::ScratchFolder();
    fuzz::WriteInput("fuzzword.eng", data, size);
    WordTable words(folder);
    words.LoadWordFile(folder, "fuzzword", 0, 788);
    words.LoadWordFile(folder, "fuzzword", 788, 220);
    for (int number = 0; number < words.GetWordCount(); number += 97)
        words.GetWord(number);
    return 0;
}
