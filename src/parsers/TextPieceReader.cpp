#include "parsers/TextPieceReader.h"

#include "platform/File.h"

#include <algorithm>

namespace custodia {

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The bytes at the start of text before its first '\r' or '\n'.
size_t RunBeforeLineEnd(std::string_view text)
{
    return std::min(text.size(), text.find_first_of("\r\n"));
}

size_t ExpectedSequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

} // namespace

TextPieceReader::TextPieceReader(File& file, size_t maxPieceLength)
    : m_file(&file)
    , m_maxPieceLength(maxPieceLength < 4 ? 4 : maxPieceLength)
{
}

TextPieceReader::TextPieceReader(std::string_view text, size_t maxPieceLength)
    : m_maxPieceLength(maxPieceLength < 4 ? 4 : maxPieceLength)
    , m_buffer(text)
    , m_atEnd(true)
{
}

bool TextPieceReader::Available(size_t count)
{
    while (m_buffer.size() - m_position < count && !m_atEnd) {
        m_buffer.erase(0, m_position);
        m_position = 0;
        char chunk[kChunkSize];
        const size_t got = m_file->Read(chunk, sizeof chunk);
        m_atEnd = got == 0;
        m_buffer.append(chunk, got);
    }
    return m_buffer.size() - m_position >= count;
}

bool TextPieceReader::ReadPiece(std::string& piece, bool& endsLine)
{
    piece.clear();
    endsLine = false;
    for (;;) {
        if (!Available(1))
            return !piece.empty();
        const char c = m_buffer[m_position];
        if (c == '\n') {
            ++m_position;
            endsLine = true;
            return true;
        }
        if (c == '\r' && Available(2) && m_buffer[m_position + 1] == '\n') {
            m_position += 2;
            endsLine = true;
            return true;
        }
        if (piece.size() == m_maxPieceLength) {
            GiveBackUnfinishedSequence(piece);
            return true;
        }
        // This byte is the piece's, and so is every byte after it up to a possible line end or the limit.
        const size_t end = std::min(m_buffer.size(), m_position + (m_maxPieceLength - piece.size()));
        const size_t run = RunBeforeLineEnd(std::string_view(m_buffer).substr(m_position + 1, end - m_position - 1));
        piece.append(m_buffer, m_position, run + 1);
        m_position += run + 1;
    }
}

void TextPieceReader::GiveBackUnfinishedSequence(std::string& piece)
{
    size_t start = piece.size();
    while (start > 0 && piece.size() - start < 3 && IsContinuation(static_cast<unsigned char>(piece[start - 1])))
        --start;
    if (start == 0)
        return;
    const size_t lead = start - 1;
    const size_t have = piece.size() - lead;
    if (ExpectedSequenceLength(static_cast<unsigned char>(piece[lead])) <= have)
        return;
    // m_position is just past the piece's bytes: step back over the unfinished sequence while it is
    // still in the buffer (an insert would move the rest of it, a whole text in memory), and put it back
    // in front when a refill has dropped it.
    if (m_position >= have)
        m_position -= have;
    else
        m_buffer.insert(m_position, piece, lead, std::string::npos);
    piece.resize(lead);
}

} // namespace custodia
