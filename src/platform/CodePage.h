#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace custodia {

// The text fields of the shared files hold Windows-1252 bytes, the code page of the suite's other
// programs, so that a peer shows "Müller" as the supervisor typed it. Texts are converted once, at the
// edges (the console's widgets, custodiactl's arguments and output); the store keeps the bytes.

// Every stored byte reads as one character. The five bytes the code page leaves undefined read as the
// control character of the same number, so that any stored text, also UTF-8 bytes written by an older
// version, comes back unchanged when it is stored again.
std::string StoredToUtf8(std::string_view stored);

struct StorableText {
    std::string bytes; // what to store; only meaningful when nothing was refused
    std::string refused; // the first character the code page lacks, described for people; empty if none

    bool IsStorable() const { return refused.empty(); }
};

// The Windows-1252 bytes of a UTF-8 text. A character the code page lacks (or a byte that is not UTF-8)
// is refused, never replaced: refused names it, e.g. "'Ω' (U+03A9)".
StorableText Utf8ToStored(std::string_view utf8);

// One UTF-8 sequence: the character's number and the bytes it takes.
struct CodePoint {
    uint32_t value = 0;
    size_t length = 0;
};

// The UTF-8 sequence at the start of the text, or nothing if it does not begin with one (overlong forms
// and surrogates are not UTF-8).
std::optional<CodePoint> DecodeUtf8(std::string_view text);

// Whether stored bytes hold at least one multi-byte UTF-8 sequence and are valid UTF-8 throughout:
// text most likely written as UTF-8 by an older version, which the suite's programs show garbled.
bool LooksLikeUtf8(std::string_view stored);

} // namespace custodia
