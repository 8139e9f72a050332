#include "parsers/SupportText.h"

#include "parsers/TextPieceReader.h"
#include "platform/FileException.h"
#include "store/SharedFile.h"

#include <algorithm>

namespace custodia {

std::string ReadSupportText(const std::string& fileName)
{
    using namespace supporttext;
    SharedFile file;
    if (!file.Open(fileName, openflags::kRead | openflags::kText | openflags::kShareDenyNone))
        return {};
    TextPieceReader reader(file, kMaxPieceLength);
    std::string text;
    std::string piece;
    bool endsLine = false;
    try {
        while (reader.ReadPiece(piece, endsLine)) {
            // A stray carriage return (or a zero byte, which would end the stored text) ends the piece.
            piece.resize(std::min(piece.size(), piece.find_first_of(std::string_view("\r\n\0", 3))));
            piece += "\r\n";
            if (piece.size() > kMaxText - text.size())
                break;
            text += piece;
        }
    } catch (const FileException&) {
        return {};
    }
    return text;
}

} // namespace custodia
