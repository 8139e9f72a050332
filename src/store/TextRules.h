#pragma once

#include <cstddef>
#include <string_view>

namespace custodia {

// The rules for texts people enter, in one place for the window and custodiactl.

// Longest password the user record can hold (its field is 51 bytes with the terminator).
inline constexpr size_t kMaxPasswordLength = 50;

// The password rule in words, for messages: "the password must be ...".
inline constexpr const char kPasswordRuleText[] = "at most 50 printable ASCII characters";

// Whether a password survives storing unchanged: at most 50 characters, none of them a control or
// non-ASCII character. Other characters can scramble to a zero byte, which would silently shorten the
// stored password, so the programs that take passwords from people accept only these.
bool IsAcceptablePassword(std::string_view password);

// Whether the text holds a control character (below 0x20, or DEL): a tab or a line end would break
// the one-record-per-line output that scripts read back, and the peer programs show none of them.
bool HasControlCharacter(std::string_view text);

} // namespace custodia
