#include "parsers/HelpFile.h"

#include "parsers/TextPieceReader.h"
#include "platform/FileException.h"
#include "platform/SharedFile.h"

namespace custodia {

namespace {

// The extension becomes part of a file name in the current folder: a separator or a zero byte would
// name some other file.
bool IsUsableExtension(const std::string& extension)
{
    return extension.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
}

// Reads the pieces of a help file into an empty text; false when they are not a help file. A read error
// in the first line makes a file unusable; a later one ends the text there.
bool ReadHelpText(TextPieceReader& reader, HelpText& text)
{
    std::string piece;
    bool endsLine = false;
    try {
        const bool empty = !reader.ReadPiece(piece, endsLine);
        if (!empty && piece.find(HelpFile::kMarker) == std::string::npos)
            return false;
        // The marker line is not shown, however long it is.
        while (!endsLine && reader.ReadPiece(piece, endsLine)) { }
    } catch (const FileException&) {
        return false;
    }
    try {
        while (reader.ReadPiece(piece, endsLine) && text.AppendLine(piece, endsLine)) { }
    } catch (const FileException&) {
        // What was read stays: part of the help is more use than none.
    }
    return true;
}

} // namespace

bool HelpFile::Load(const std::string& baseName, const std::string& languageExtension)
{
    m_fileName.clear();
    m_text = HelpText();
    const std::string fallback = baseName + "." + kFallbackExtension;
    if (IsUsableExtension(languageExtension)) {
        const std::string languageFile = baseName + "." + languageExtension;
        if (UseFile(languageFile))
            return true;
        if (languageFile == fallback)
            return false;
    }
    return UseFile(fallback);
}

bool HelpFile::UseFile(const std::string& fileName)
{
    SharedFile file;
    if (!file.Open(fileName, openflags::kRead | openflags::kText | openflags::kShareDenyNone))
        return false;
    TextPieceReader reader(file, kMaxLineLength);
    if (!ReadHelpText(reader, m_text))
        return false;
    m_fileName = fileName;
    return true;
}

std::optional<HelpText> ParseHelpFile(std::string_view bytes)
{
    TextPieceReader reader(bytes, HelpFile::kMaxLineLength);
    HelpText text;
    if (!ReadHelpText(reader, text))
        return std::nullopt;
    return text;
}

} // namespace custodia
