#pragma once

#include "cli/Command.h"

#include <string>

namespace custodia::cli {

// The first line of standard input without its line end ("\n" or "\r\n"); empty input is the empty
// password. At a terminal the typing is not echoed.
std::string ReadPassword(CommandContext& context);

} // namespace custodia::cli
