#pragma once

#include "support/TempDir.h"
#include "words/WordFileWriter.h"

#include <string>
#include <vector>

namespace custodia::test {

// Word file bytes with one entry per text, in word order; each entry's reference text is "ref" and the
// entry's index, so that the first texts take part in every check.
inline std::vector<unsigned char> WordFileBytes(const std::vector<std::string>& texts)
{
    WordFileWriter writer("test words");
    for (size_t i = 0; i < texts.size(); ++i)
        writer.Add(texts[i], "ref" + std::to_string(i));
    return writer.Build();
}

inline void WriteWordFile(const std::string& path, const std::vector<std::string>& texts)
{
    WriteBytes(path, WordFileBytes(texts));
}

inline void WriteLanguage(const std::string& folder, const std::string& name, const std::string& extension)
{
    WriteBytes(folder + "/default.lan", BuildLanguageFile({ name, extension }));
}

// The folders the build fills: the installation, and the shipped but not installed German words.
inline std::string OutputFolder()
{
    return CUSTODIA_OUTPUT_DIR;
}
inline std::string BuiltDataFolder()
{
    return std::string(CUSTODIA_OUTPUT_DIR) + "/../data";
}

} // namespace custodia::test
