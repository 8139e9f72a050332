// The word compiler: turns word sources into binary word files, and writes "default.lan".
//
//   wordc words --base N --count N --out FILE SOURCE [SOURCE...]
//   wordc language --name NAME --extension EXT --out FILE
//
// With several sources, later ones replace the texts of earlier ones (a translation over English); the
// first source's texts become the entries' reference texts. A number that no source gives is written
// as "*****", the text the console shows for a missing word anyway.
//
// Sources are UTF-8; word files hold the suite's code page (Windows-1252), as the shared files do, so a
// character that code page lacks is an error.
#include "platform/CodePage.h"
#include "platform/FileException.h"
#include "words/WordFileWriter.h"
#include "words/WordSource.h"
#include "words/WordTable.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using custodia::WordSource;

struct Options {
    std::string command;
    std::map<std::string, std::string> values;
    std::vector<std::string> sources;
};

int Usage()
{
    std::cerr << "usage: wordc words --base N --count N --out FILE SOURCE [SOURCE...]\n"
                 "       wordc language --name NAME --extension EXT --out FILE\n";
    return 2;
}

std::optional<Options> ParseArguments(int argc, char** argv)
{
    if (argc < 2)
        return std::nullopt;
    Options options;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--", 0) == 0) {
            if (i + 1 >= argc)
                return std::nullopt;
            options.values[argument.substr(2)] = argv[++i];
        } else {
            options.sources.push_back(argument);
        }
    }
    return options;
}

std::optional<int> ParseNumber(const std::string& text)
{
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool ReadSource(WordSource& source, const std::string& path)
{
    std::string text;
    if (!ReadText(path, text)) {
        std::cerr << "wordc: cannot read " << path << "\n";
        return false;
    }
    std::string error;
    if (!source.Read(text, path, error)) {
        std::cerr << "wordc: " << error << "\n";
        return false;
    }
    return true;
}

std::optional<std::string> ToCodePage(int number, const std::string& utf8)
{
    const custodia::StorableText stored = custodia::Utf8ToStored(utf8);
    if (stored.IsStorable())
        return stored.bytes;
    std::cerr << "wordc: word " << number << ": " << stored.refused << " has no place in Windows-1252\n";
    return std::nullopt;
}

int CompileWords(const Options& options)
{
    const std::optional<int> base = ParseNumber(options.values.count("base") ? options.values.at("base") : "");
    const std::optional<int> count = ParseNumber(options.values.count("count") ? options.values.at("count") : "");
    if (!base || !count || !options.values.count("out") || options.sources.empty())
        return Usage();

    WordSource reference(*base, *count);
    WordSource merged(*base, *count);
    if (!ReadSource(reference, options.sources.front()))
        return 1;
    for (const std::string& path : options.sources) {
        if (!ReadSource(merged, path))
            return 1;
    }

    custodia::WordFileWriter writer(
        "Custodia word file, words " + std::to_string(*base) + ".." + std::to_string(*base + *count - 1));
    const auto& references = reference.GetWords();
    const auto& texts = merged.GetWords();
    for (int number = *base; number < *base + *count; ++number) {
        const auto text = texts.find(number);
        const auto ref = references.find(number);
        const auto word = ToCodePage(number, text != texts.end() ? text->second : custodia::WordTable::kMissingWord);
        const auto referenceText = ToCodePage(number, ref != references.end() ? ref->second : std::string());
        if (!word || !referenceText)
            return 1;
        writer.Add(*word, *referenceText);
    }
    writer.Write(options.values.at("out"));
    return 0;
}

int WriteLanguage(const Options& options)
{
    if (!options.values.count("name") || !options.values.count("extension") || !options.values.count("out"))
        return Usage();
    custodia::WordFileWriter::WriteLanguageFile(
        options.values.at("out"), { options.values.at("name"), options.values.at("extension") });
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = ParseArguments(argc, argv);
    if (!options)
        return Usage();
    try {
        if (options->command == "words")
            return CompileWords(*options);
        if (options->command == "language")
            return WriteLanguage(*options);
        return Usage();
    } catch (const custodia::FileException& e) {
        std::cerr << "wordc: cannot write " << e.fileName() << ": " << custodia::DescribeFileCause(e.cause()) << "\n";
    } catch (const std::exception& e) {
        std::cerr << "wordc: " << e.what() << "\n";
    }
    return 1;
}
