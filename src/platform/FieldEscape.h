#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace custodia {

// A text as one field of a tab-separated line: a tab, line feed, carriage return or backslash is
// written as "\t", "\n", "\r" or "\\", any other control character (by its number) and any byte
// that is not UTF-8 as "\xHH", so a field never spans lines or columns. It reads back as it was, but
// for a C1 control character, which comes back as the lone byte of its number.
std::string EscapeTsvField(std::string_view field);
// The same, but a C1 control character is written as the "\xHH" of each of its UTF-8 bytes, so that
// every field reads back exactly as it was: for files whose fields are read back and compared, such as
// the audit trail.
std::string EscapeTsvFieldExactly(std::string_view field);
// The inverse; nothing when the field holds an escape other than those.
std::optional<std::string> UnescapeTsvField(std::string_view field);

} // namespace custodia
