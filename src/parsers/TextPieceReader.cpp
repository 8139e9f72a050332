#include "parsers/TextPieceReader.h"

#include "platform/File.h"

namespace custodia {

namespace {

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
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
    : m_file(file)
    , m_maxPieceLength(maxPieceLength < 4 ? 4 : maxPieceLength)
{
}

bool TextPieceReader::Available(size_t count)
{
    while (m_buffer.size() - m_position < count && !m_atEnd) {
        m_buffer.erase(0, m_position);
        m_position = 0;
        char chunk[kChunkSize];
        const size_t got = m_file.Read(chunk, sizeof chunk);
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
        piece += c;
        ++m_position;
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
    // m_position is just past the piece's bytes, which may already have left the buffer.
    m_buffer.insert(m_position, piece, lead, std::string::npos);
    piece.resize(lead);
}

} // namespace custodia
