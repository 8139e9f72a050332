#include "parsers/HelpFile.h"

#include "parsers/TextPieceReader.h"
#include "platform/FileException.h"
#include "store/SharedFile.h"

namespace custodia {

namespace {

// The extension becomes part of a file name in the current folder: a separator or a zero byte would
// name some other file.
bool IsUsableExtension(const std::string& extension)
{
    return extension.find_first_of(std::string_view("/\\\0", 3)) == std::string::npos;
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
    std::string piece;
    bool endsLine = false;
    try {
        const bool empty = !reader.ReadPiece(piece, endsLine);
        if (!empty && piece.find(kMarker) == std::string::npos)
            return false;
        // The marker line is not shown, however long it is.
        while (!endsLine && reader.ReadPiece(piece, endsLine)) { }
    } catch (const FileException&) {
        return false;
    }
    m_fileName = fileName;
    try {
        while (reader.ReadPiece(piece, endsLine) && m_text.AppendLine(piece, endsLine)) { }
    } catch (const FileException&) {
        // What was read stays: part of the help is more use than none.
    }
    return true;
}

} // namespace custodia
