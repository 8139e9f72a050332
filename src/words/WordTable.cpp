#include "words/WordTable.h"

#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "words/WordFileFormat.h"
#include "words/WordFileReader.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace custodia {

namespace {

constexpr unsigned kReadFlags = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
constexpr const char* kEnglishExtension = "eng";

std::string WordFileName(
    const std::optional<std::string>& directory, const std::string& stem, const std::string& extension)
{
    const std::string name = stem + "." + extension;
    return directory ? JoinPath(*directory, name) : name;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::vector<WordFamily> ConsoleWordFamilies()
{
    return { { "cstdword", 788, 220 }, { "gnrlword", 0, 788 } };
}

std::string ExpandWordText(std::string_view raw)
{
    std::string text(raw);
    if (const size_t ampersand = text.find('&'); ampersand != std::string::npos)
        text.erase(ampersand, 1);
    ReplaceAll(text, "<TAB>", "\t");
    ReplaceAll(text, "<CR>", "\r\n");
    return text;
}

WordTable::WordTable(std::optional<std::string> directory)
    : m_directory(std::move(directory))
{
}

void WordTable::LoadWordFiles(const std::vector<WordFamily>& families)
{
    int64_t count = GetWordCount();
    for (const WordFamily& family : families) {
        if (family.base >= 0 && family.count >= 0)
            count = std::max<int64_t>(count, static_cast<int64_t>(family.base) + family.count);
    }
    EnsureCount(static_cast<int>(std::min<int64_t>(count, std::numeric_limits<int>::max())));
    for (const WordFamily& family : families)
        LoadFromPlaces(family);
}

int WordTable::LoadFromPlaces(const WordFamily& family)
{
    if (m_directory) {
        const int result = LoadWordFile(m_directory, family.stem, family.base, family.count);
        if (result != kWordFileFailed)
            return result;
    }
    int result = LoadWordFile(std::nullopt, family.stem, family.base, family.count);
    if (result != kWordFileFailed)
        return result;
    const std::string programFolder = m_programFolder ? *m_programFolder : ExecutableFolder();
    if (programFolder.empty())
        return result;
    result = LoadWordFile(programFolder, family.stem, family.base, family.count);
    if (result == kWordFileFailed)
        return result;
    // Installed files found beside the program: later bare file names (the other families, the help
    // file, the bitmaps, "custo.cfg") are then read there too.
    if (!ChangeDirectory(programFolder))
        return result;
    return LoadWordFile(std::nullopt, family.stem, family.base, family.count);
}

int WordTable::LoadWordFile(const std::optional<std::string>& directory, const std::string& stem, int base, int count)
{
    const int english = ReadWordFile(WordFileName(directory, stem, kEnglishExtension), base, count);
    if (english != kWordFileLoaded)
        return english;
    std::string languageName;
    std::string extension;
    if (!ReadLanguageFile(languageName, extension))
        return kWordFileEnglishOnly;
    return ReadWordFile(WordFileName(directory, stem, extension), base, count);
}

int WordTable::ReadWordFile(const std::string& fileName, int base, int count)
{
    // The whole file in one read, taken apart in memory: a family of a thousand words would otherwise
    // cost three reads a word.
    SharedFile file;
    std::vector<unsigned char> image;
    if (!file.Open(fileName, kReadFlags) || !file.ReadWhole(image, wordfile::kMaxFileLength))
        return kWordFileFailed;
    file.Close();
    const bool sound = ReadWordImage(image, [&](int64_t index, std::string_view text) {
        if (index < count && base + index < GetWordCount())
            StoreWord(text, static_cast<int>(base + index));
    });
    return sound ? kWordFileLoaded : kWordFileFailed;
}

void WordTable::StoreWord(std::string_view text, int number)
{
    if (number < 0 || number >= GetWordCount())
        return;
    m_words[static_cast<size_t>(number)] = std::make_unique<std::string>(ExpandWordText(text));
}

const std::string& WordTable::GetWord(int number) const
{
    static const std::string missing = kMissingWord;
    if (number < 0 || number >= GetWordCount() || !m_words[static_cast<size_t>(number)])
        return missing;
    return *m_words[static_cast<size_t>(number)];
}

bool WordTable::ReadLanguageFile(std::string& languageName, std::string& extension) const
{
    const std::string fileName
        = m_directory ? JoinPath(*m_directory, languagefile::kFileName) : std::string(languagefile::kFileName);
    SharedFile file;
    if (!file.Open(fileName, kReadFlags))
        return false;
    std::vector<unsigned char> bytes(languagefile::kFileSize);
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    std::optional<Language> language = ParseLanguageFile(bytes);
    if (!language)
        return false;
    languageName = language->name;
    extension = language->extension;
    return true;
}

void WordTable::EnsureCount(int count)
{
    if (count > GetWordCount())
        m_words.resize(static_cast<size_t>(count));
}

} // namespace custodia
