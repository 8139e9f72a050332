#pragma once

#include "cli/Command.h"

#include <optional>
#include <string>

namespace custodia::cli {

// The first line of standard input without its line end ("\n" or "\r\n"), or nothing when the input
// ends before a line. At a terminal the typing is not echoed.
std::optional<std::string> ReadPassword(CommandContext& context);

// As ReadPassword, but input that ends without a line is refused: an empty password must be asked for
// with an empty line.
std::string RequirePassword(CommandContext& context);

} // namespace custodia::cli
