#pragma once

#include "store/TextRules.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace custodia {

// Passwords are never stored in plain text. The scrambled form alternates characters taken from the
// end and from the start of the text, each shifted by its output position; it has the same length.
std::string ScramblePassword(std::string_view password);

// The exact inverse; the scrambled text counts up to its first zero byte, as stored.
std::string UnscramblePassword(std::string_view scrambled);

} // namespace custodia
