#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace custodia {

class File;

// Reads a text file the way the installed text files are read: line by line, but never more than a
// fixed number of bytes at a time, so a damaged file with one endless line cannot take all memory. A
// line longer than the limit arrives as several pieces; a line of exactly the limit is one piece. A
// "\r\n" counts as one line end, whatever mode the file was opened in. A piece is not cut inside a
// UTF-8 sequence: the sequence moves on to the next piece.
class TextPieceReader final {
public:
    // Reads the file from its current position, a chunk at a time.
    TextPieceReader(File& file, size_t maxPieceLength);
    // Reads a whole text already in memory; no read can fail.
    TextPieceReader(std::string_view text, size_t maxPieceLength);

    // The next piece without its line end, and whether a line end closed it (false for a piece cut at
    // the limit and for the last line of a file without a final line end). False at the end of the
    // file. Read errors pass on as FileException.
    bool ReadPiece(std::string& piece, bool& endsLine);

private:
    static constexpr size_t kChunkSize = 4096;

    // True if count bytes from m_position on are in the buffer, reading more when needed.
    bool Available(size_t count);
    void GiveBackUnfinishedSequence(std::string& piece);

    File* m_file = nullptr; // none for a text in memory
    size_t m_maxPieceLength;
    std::string m_buffer;
    size_t m_position = 0;
    bool m_atEnd = false;
};

} // namespace custodia
