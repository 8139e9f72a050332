#pragma once

#include <map>
#include <string>

namespace custodia {

// Word sources: plain text, one word a line, "NUMBER TEXT", the text exactly as a word file stores it
// (with "<TAB>", "<CR>" and "&" as they are). Blank lines and lines starting with "#" are skipped.
// Several sources may be read into one: a later source replaces the texts of an earlier one, which is
// how a translation falls back on English for the words it does not translate.
class WordSource final {
public:
    // Accepts only numbers in base..base+count-1.
    WordSource(int base, int count);

    // Reads one source. On the first faulty line returns false with a message "NAME:LINE: what".
    bool Read(const std::string& text, const std::string& sourceName, std::string& error);

    const std::map<int, std::string>& GetWords() const { return m_words; }
    int GetBase() const { return m_base; }
    int GetCount() const { return m_count; }

private:
    int m_base;
    int m_count;
    std::map<int, std::string> m_words;
};

} // namespace custodia
