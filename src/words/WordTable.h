#pragma once

#include "words/LanguageFile.h"
#include "words/Word.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// One family of words: its file stem ("gnrlword" gives "gnrlword.eng"), the number of its first word
// and how many words it holds.
struct WordFamily {
    std::string stem;
    int base = 0;
    int count = 0;
};

// The two families the console loads at start-up, in the order it loads them.
std::vector<WordFamily> ConsoleWordFamilies();

// Results of LoadWordFile.
enum WordFileResult : int {
    kWordFileLoaded = 0,
    kWordFileEnglishOnly = 254, // English loaded; no usable "default.lan"
    kWordFileFailed = 255, // missing or damaged file (English or the language's)
};

// Every text the console shows is a word looked up here by number. The texts come from word files
// installed beside the program, English first and then, when "default.lan" names a language, that
// language's files over them.
class WordTable final {
public:
    static constexpr const char* kMissingWord = "*****";

    // With a directory, word files and "default.lan" are looked for there first.
    explicit WordTable(std::optional<std::string> directory = std::nullopt);
    WordTable(const WordTable&) = delete;
    WordTable& operator=(const WordTable&) = delete;

    // Loads each family from the first place that does not fail: the table's directory, the current
    // directory, then the program's folder, which on success also becomes the current directory.
    void LoadWordFiles(const std::vector<WordFamily>& families);

    // Loads one family from a directory (none: the current directory). Returns a WordFileResult.
    int LoadWordFile(const std::optional<std::string>& directory, const std::string& stem, int base, int count);

    // Stores a text as read from a word file: the first "&" goes, "<TAB>" and "<CR>" are expanded.
    // Numbers outside the table are ignored.
    void StoreWord(std::string_view text, int number);

    // The text of a word, or "*****" for a number outside the table or without a text. The reference
    // stays valid until the table is destroyed or the word is stored again.
    const std::string& GetWord(int number) const;
    const std::string& GetWord(Word word) const { return GetWord(WordNumber(word)); }

    int GetWordCount() const { return static_cast<int>(m_words.size()); }

    // Reads "default.lan" from the table's directory, or the current directory without one. True when
    // the file was whole and its checksum right; the two texts are then set.
    bool ReadLanguageFile(std::string& languageName, std::string& extension) const;

    // The folder tried last by LoadWordFiles; the running program's folder unless set here.
    void SetProgramFolder(std::string folder) { m_programFolder = std::move(folder); }

private:
    int LoadFromPlaces(const WordFamily& family);
    int ReadWordFile(const std::string& fileName, int base, int count);
    void EnsureCount(int count);

    std::optional<std::string> m_directory;
    std::optional<std::string> m_programFolder;
    // Each text is held apart from the slot array, so references handed out survive a larger table.
    std::vector<std::unique_ptr<std::string>> m_words;
};

// The text a word file's entry stands for: first "&" removed, "<TAB>" as a tab, "<CR>" as CR LF.
std::string ExpandWordText(std::string_view raw);

} // namespace custodia
