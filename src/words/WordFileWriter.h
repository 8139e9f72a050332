#pragma once

#include "words/LanguageFile.h"

#include <string>
#include <vector>

namespace custodia {

// Writes word files: entries in word order, each with its text as the format stores it (escapes and
// "&" still in) and a reference text, usually the English original, that readers check but ignore.
class WordFileWriter final {
public:
    // The note goes into the free part of the header, cut to fit; it helps people who open the file.
    explicit WordFileWriter(std::string note = {});

    // Appends the entry of the next word number. Throws std::invalid_argument for a text longer than
    // an entry's signed 16-bit length allows.
    void Add(const std::string& text, const std::string& reference = {});
    size_t GetEntryCount() const { return m_entries.size(); }

    std::vector<unsigned char> Build() const;
    // Writes the file, replacing an existing one. Throws FileException when it cannot.
    void Write(const std::string& fileName) const;

    // Writes a "default.lan" naming the language.
    static void WriteLanguageFile(const std::string& fileName, const Language& language);

private:
    struct Entry {
        std::string reference;
        std::string text;
    };

    std::string m_note;
    std::vector<Entry> m_entries;
};

// Writes bytes to a file, replacing it. Throws FileException when it cannot.
void WriteWholeFile(const std::string& fileName, const std::vector<unsigned char>& bytes);

} // namespace custodia
