#pragma once

#include "cli/Arguments.h"

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace custodia::cli {

// Exit statuses: scripts test these, so they are fixed.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1; // the operation failed or found nothing
inline constexpr int kExitUsage = 2;

// Where a command reads the password and writes its output and messages.
struct CommandContext {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
};

// The operation could not be done; the message goes to stderr and the exit status is 1.
class OperationFailed final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using CommandFunction = std::function<int(const ParsedArguments& arguments, CommandContext& context)>;

// One command: "init" has no sub-command name, "users list" has one.
struct Command {
    std::string family;
    std::string name;
    std::string synopsis; // the arguments after the command words, for usage lines
    std::string summary; // one line for the program's help
    std::string description; // the command's own help, after the usage line
    ArgumentRules rules;
    CommandFunction run;

    std::string Words() const { return name.empty() ? family : family + " " + name; }
};

std::vector<Command> InitCommands();
std::vector<Command> VerifyCommands();
std::vector<Command> PathCommands();
std::vector<Command> UserCommands();
std::vector<Command> UserListCommands();
std::vector<Command> GroupCommands();
std::vector<Command> GroupListCommands();
std::vector<Command> DatabaseCommands();
std::vector<Command> OfficeCommands();
std::vector<Command> RepairCommands();
std::vector<Command> DoctorCommands();
std::vector<Command> AuditCommands();
std::vector<Command> ReportCommands();
std::vector<Command> CopyCommands();

} // namespace custodia::cli
