#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace custodia {

// Longest password the user record can hold (its field is 51 bytes with the terminator).
inline constexpr size_t kMaxPasswordLength = 50;

// Passwords are never stored in plain text. The scrambled form alternates characters taken from the
// end and from the start of the text, each shifted by its output position; it has the same length.
std::string ScramblePassword(std::string_view password);

// The exact inverse; the scrambled text counts up to its first zero byte, as stored.
std::string UnscramblePassword(std::string_view scrambled);

// Whether a password survives storing unchanged: at most 50 characters, none of them a control or
// non-ASCII character. Other characters can scramble to a zero byte, which would silently shorten the
// stored password, so the programs that take passwords from people accept only these.
bool IsAcceptablePassword(std::string_view password);

} // namespace custodia
