#pragma once

#include <string>
#include <string_view>

namespace custodia {

// The installed text files (help files, the support text) may be UTF-8, as our own are, or the older
// Windows single-byte text that help files in other languages were written in. Decoding takes each
// valid UTF-8 sequence as its character and any other byte as its Windows-1252 character, so no byte
// is lost and no file is refused. A character outside the Basic Multilingual Plane becomes U+FFFD, so
// that one decoded character is exactly one position of a UTF-16 text widget.
std::u32string DecodeText(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view characters);

// Decodes and encodes again: any file text as valid UTF-8.
std::string ToUtf8Text(std::string_view bytes);

// The character that case-insensitive comparison uses for c: lower case for the letters of ASCII,
// Latin-1 and Windows-1252; c itself for anything else.
char32_t FoldCase(char32_t c);

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

} // namespace custodia
