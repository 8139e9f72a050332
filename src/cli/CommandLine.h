#pragma once

#include "cli/Command.h"

#include <string>
#include <vector>

namespace custodia::cli {

// Runs custodiactl with the arguments after the program name and returns the exit status. Usage
// errors, failed operations and file errors are reported here, at the command boundary, on stderr.
int RunCommandLine(const std::vector<std::string>& arguments, CommandContext& context);

// Every command, in the order the program's help lists them.
std::vector<Command> AllCommands();

// The program's help around its list of commands, kept apart so that the manual page says the same.
struct ProgramNotes {
    std::string description;
    std::string passwords;
    std::string output;
    std::string codePage;
    std::string waits;
    std::string exitStatus;
};
const ProgramNotes& GetProgramNotes();

} // namespace custodia::cli
