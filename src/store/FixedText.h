#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace custodia {

// Texts in stored records live in fixed-size, zero-terminated byte fields. These helpers never read or
// write outside the field, whatever the stored bytes or the caller's text hold.

// The text of a field: its bytes up to the first zero, and never its last byte, which a well-formed
// field always keeps for the terminator.
std::string ReadFixedText(const unsigned char* field, size_t fieldSize);
// The same text where it lies, without a copy.
std::string_view ReadFixedTextView(const unsigned char* field, size_t fieldSize);

// What a field of this size can hold of the text: the text up to its first zero character, cut to
// fieldSize - 1 bytes.
std::string_view FitFixedText(std::string_view text, size_t fieldSize);

// Stores FitFixedText(text) and zero-fills the rest of the field, terminator included.
void WriteFixedText(unsigned char* field, size_t fieldSize, std::string_view text);

} // namespace custodia
