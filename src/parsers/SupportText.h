#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace custodia {

namespace supporttext {
inline constexpr const char* kFileName = "techsprt.txt";
// The support text's room, its terminator included.
inline constexpr size_t kCapacity = 2000;
inline constexpr size_t kMaxText = kCapacity - 1;
// Each read takes at most this much; a longer line arrives as several lines.
inline constexpr size_t kMaxPieceLength = 253;
} // namespace supporttext

// The support box's free text, read from a text file (normally "techsprt.txt" in the current folder):
// every line, cut at its first carriage return, line feed or zero byte, followed by "\r\n". Only whole
// lines that fit into kMaxText bytes are kept; the first that does not fit ends the text. The bytes
// are the file's own (ToUtf8Text in TextCharacters.h makes them displayable). A file that cannot be
// opened or read gives an empty text.
std::string ReadSupportText(const std::string& fileName = supporttext::kFileName);

// The support text of a whole file's bytes, read as ReadSupportText reads a file.
std::string ParseSupportText(std::string_view bytes);

} // namespace custodia
