#pragma once

#include "cli/Command.h"
#include "manual/ManualPage.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace custodia::cli {

// Command lines of the manual page's examples, each one real command with real options; tests run
// them through the argument rules so that an example never outlives its command.
struct Example {
    std::string comment;
    std::string commandLine; // what is typed, "custodiactl" included
};
const std::vector<Example>& ManualExamples();

// Where the list of login paths lives, as the manual page and `paths --help` tell it.
std::string ManagedListLocation();

// custodiactl(1) from the command tables and the program's help, so that the page and --help say the
// same; every command with its synopsis, summary, description and options.
manual::Page CustodiactlManualPage(const std::vector<Command>& commands, const std::string& version);

// The data half of the bash completion: every command's words, options and operand names, as bash
// arrays that the completion function (packaging/custodiactl.bash) reads.
void WriteCompletionTable(std::ostream& out, const std::vector<Command>& commands);

} // namespace custodia::cli
