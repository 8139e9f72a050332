#pragma once

#include "cli/Command.h"

#include <string>
#include <vector>

namespace custodia::cli {

// Runs custodiactl with the arguments after the program name and returns the exit status. Usage
// errors, failed operations and file errors are reported here, at the command boundary, on stderr.
int RunCommandLine(const std::vector<std::string>& arguments, CommandContext& context);

} // namespace custodia::cli
