#include "cli/ManPage.h"

#include "cli/CommandLine.h"
#include "platform/UserFolder.h"

#include <ostream>

namespace custodia::cli {

namespace {

using manual::Block;

std::string OptionList(const ArgumentRules& rules)
{
    std::string list;
    for (const OptionRule& option : rules.options)
        list += (list.empty() ? "" : ", ") + option.name + (option.takesValue ? " VALUE" : "")
            + (option.repeatable ? " (repeatable)" : "");
    return list;
}

manual::Section CommandSection(const std::vector<Command>& commands)
{
    manual::Section section { "Commands", {} };
    for (const Command& command : commands) {
        std::string text = command.summary + ".\n" + command.description;
        if (!command.rules.options.empty())
            text += "Options: " + OptionList(command.rules) + ".\n";
        section.blocks.push_back(
            { Block::Kind::Term, command.Words() + (command.synopsis.empty() ? "" : " " + command.synopsis), text });
    }
    return section;
}

manual::Section ExampleSection()
{
    manual::Section section { "Examples", {} };
    for (const Example& example : ManualExamples()) {
        section.blocks.push_back({ Block::Kind::Text, {}, example.comment });
        section.blocks.push_back({ Block::Kind::Example, {}, example.commandLine });
    }
    return section;
}

// Bash words in single quotes, which nothing inside can end but a quote of its own.
std::string BashWord(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string OperandNames(const ArgumentRules& rules)
{
    std::string names;
    for (const auto* list : { &rules.operands, &rules.optionalOperands })
        for (const std::string& operand : *list)
            names += (names.empty() ? "" : " ") + operand;
    return names;
}

} // namespace

const std::vector<Example>& ManualExamples()
{
    static const std::vector<Example> examples {
        { "Make a login path and add a supervisor to it, the password read from standard input:",
            "custodiactl init \"/srv/logger/Head Office\"\n"
            "printf '%s\\n' \"$password\" | custodiactl users add \"/srv/logger/Head Office\" supervisor --group 1" },
        { "List the users, and show the rights of group 1 row by row:",
            "custodiactl users list \"/srv/logger/Head Office\"\n"
            "custodiactl groups show \"/srv/logger/Head Office\" 1 --rows" },
        { "Let the console manage the login path, then check its files for damage:",
            "custodiactl paths add \"/srv/logger/Head Office\"\n"
            "custodiactl verify \"/srv/logger/Head Office\"" },
    };
    return examples;
}

std::string ManagedListLocation()
{
    if (GetInstalledLayout().packaged)
        return "The list is kept in \"custo.cfg\" in the console's folder of the user, $XDG_CONFIG_HOME/custodia\n"
               "(~/.config/custodia when that is unset); a relative PATH is taken from the current folder.\n";
    return "The list is kept in \"custo.cfg\" in the current folder.\n";
}

manual::Page CustodiactlManualPage(const std::vector<Command>& commands, const std::string& version)
{
    const ProgramNotes& notes = GetProgramNotes();
    manual::Page page;
    page.name = "custodiactl";
    page.summary = "administer the shared account files of the data-logger programs";
    page.source = "Custodia " + version;
    page.synopsis = { "COMMAND [SUB-COMMAND] [ARGUMENTS]", "COMMAND [SUB-COMMAND] --help", "--help" };
    page.sections.push_back({ "Description",
        { { Block::Kind::Text, {}, notes.description },
            { Block::Kind::Text, {}, "'custodiactl COMMAND --help' describes one command, as below.\n" } } });
    page.sections.push_back(CommandSection(commands));
    page.sections.push_back({ "Passwords", { { Block::Kind::Text, {}, notes.passwords } } });
    page.sections.push_back({ "Output", { { Block::Kind::Text, {}, notes.output } } });
    page.sections.push_back({ "Code page", { { Block::Kind::Text, {}, notes.codePage } } });
    page.sections.push_back({ "Shared files", { { Block::Kind::Text, {}, notes.waits } } });
    page.sections.push_back({ "Exit status", { { Block::Kind::Text, {}, notes.exitStatus } } });
    page.sections.push_back({ "Files",
        { { Block::Kind::Term, "custo.cfg",
              "The login paths the console manages (the paths commands).\n" + ManagedListLocation() },
            { Block::Kind::Term, "FileErrors.txt",
                "One line for every shared file that could not be opened, in the current folder.\n" },
            { Block::Kind::Term, "PATH/tessel.pwd",
                "The users of a login path. It keeps each password in a scramble that anyone who can read\n"
                "the file can undo: keep the login path readable only by those who need it.\n" } } });
    page.sections.push_back(ExampleSection());
    page.sections.push_back({ "See also", { { Block::Kind::Text, {}, "custodia(1)\n" } } });
    return page;
}

void WriteCompletionTable(std::ostream& out, const std::vector<Command>& commands)
{
    out << "_custodiactl_commands=(";
    for (const Command& command : commands)
        out << ' ' << BashWord(command.Words());
    out << " )\ndeclare -gA _custodiactl_options=(";
    for (const Command& command : commands) {
        std::string options;
        for (const OptionRule& option : command.rules.options)
            options += (options.empty() ? "" : " ") + option.name + (option.takesValue ? "=" : "");
        out << " [" << BashWord(command.Words()) << "]=" << BashWord(options + (options.empty() ? "" : " ") + "--help");
    }
    out << " )\ndeclare -gA _custodiactl_operands=(";
    for (const Command& command : commands)
        out << " [" << BashWord(command.Words()) << "]=" << BashWord(OperandNames(command.rules));
    out << " )\n";
}

} // namespace custodia::cli
