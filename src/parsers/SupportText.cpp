#include "parsers/SupportText.h"

#include "parsers/TextPieceReader.h"
#include "platform/FileException.h"
#include "platform/SharedFile.h"

#include <algorithm>

namespace custodia {

namespace {

// Read errors pass on as FileException.
std::string ReadSupportPieces(TextPieceReader& reader)
{
    using namespace supporttext;
    std::string text;
    std::string piece;
    bool endsLine = false;
    while (reader.ReadPiece(piece, endsLine)) {
        // A stray carriage return (or a zero byte, which would end the stored text) ends the piece.
        piece.resize(std::min(piece.size(), piece.find_first_of(std::string_view("\r\n\0", 3))));
        piece += "\r\n";
        if (piece.size() > kMaxText - text.size())
            break;
        text += piece;
    }
    return text;
}

} // namespace

std::string ReadSupportText(const std::string& fileName)
{
    SharedFile file;
    if (!file.Open(fileName, openflags::kRead | openflags::kText | openflags::kShareDenyNone))
        return {};
    TextPieceReader reader(file, supporttext::kMaxPieceLength);
    try {
        return ReadSupportPieces(reader);
    } catch (const FileException&) {
        return {};
    }
}

std::string ParseSupportText(std::string_view bytes)
{
    TextPieceReader reader(bytes, supporttext::kMaxPieceLength);
    return ReadSupportPieces(reader);
}

} // namespace custodia
