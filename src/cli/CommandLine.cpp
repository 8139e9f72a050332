#include "cli/CommandLine.h"

#include "cli/Output.h"
#include "platform/FileException.h"
#include "platform/SharedFile.h"

#include <algorithm>
#include <exception>
#include <iomanip>
#include <ostream>

namespace custodia::cli {

namespace {

constexpr const char kProgram[] = "custodiactl";
constexpr int kSynopsisColumn = 46;

std::string UsageLine(const Command& command)
{
    return std::string(kProgram) + " " + command.Words() + (command.synopsis.empty() ? "" : " " + command.synopsis);
}

void WriteCommandSummaries(std::ostream& out, const std::vector<const Command*>& commands)
{
    for (const Command* command : commands) {
        const std::string words = command->Words() + (command->synopsis.empty() ? "" : " " + command->synopsis);
        if (words.size() + 2 >= kSynopsisColumn)
            out << "  " << words << '\n' << std::string(kSynopsisColumn, ' ') << command->summary << '\n';
        else
            out << "  " << std::left << std::setw(kSynopsisColumn - 2) << words << command->summary << '\n';
    }
}

void WriteProgramHelp(std::ostream& out, const std::vector<Command>& commands)
{
    const ProgramNotes& notes = GetProgramNotes();
    out << "usage: " << kProgram << " COMMAND [ARGUMENTS]\n\n" << notes.description << "\nCommands:\n";
    std::vector<const Command*> all;
    for (const Command& command : commands)
        all.push_back(&command);
    WriteCommandSummaries(out, all);
    out << '\n'
        << notes.passwords << notes.output << notes.codePage << notes.waits << notes.exitStatus << "'" << kProgram
        << " COMMAND --help' describes one command.\n";
}

void WriteCommandHelp(std::ostream& out, const Command& command)
{
    out << "usage: " << UsageLine(command) << "\n\n" << command.summary << ".\n";
    if (!command.description.empty())
        out << '\n' << command.description;
}

std::vector<const Command*> FamilyOf(const std::vector<Command>& commands, const std::string& family)
{
    std::vector<const Command*> members;
    for (const Command& command : commands)
        if (command.family == family)
            members.push_back(&command);
    return members;
}

int ReportUsageError(CommandContext& context, const std::string& message, const std::string& helpWords)
{
    WriteError(context.err, message);
    context.err << "Try '" << kProgram << (helpWords.empty() ? "" : " " + helpWords) << " --help'.\n";
    return kExitUsage;
}

int RunCommand(const Command& command, const std::vector<std::string>& arguments, CommandContext& context)
{
    if (AsksForHelp(arguments)) {
        WriteCommandHelp(context.out, command);
        return kExitSuccess;
    }
    const ScopedOpenWaitFunction waits(
        [&context](const OpenAttempt& attempt) { ReportOpenWait(context.err, attempt); });
    try {
        const ParsedArguments parsed = ParseArguments(arguments, command.rules);
        return command.run(parsed, context);
    } catch (const UsageError& error) {
        WriteError(context.err, error.what());
        context.err << "usage: " << UsageLine(command) << '\n';
        return kExitUsage;
    } catch (const OperationFailed& error) {
        WriteError(context.err, error.what());
        return kExitFailed;
    } catch (const FileException& error) {
        WriteError(context.err, error.fileName() + ": " + DescribeFileCause(error.cause()));
        return kExitFailed;
    } catch (const std::exception& error) {
        WriteError(context.err, error.what());
        return kExitFailed;
    }
}

} // namespace

std::vector<Command> AllCommands()
{
    std::vector<Command> all;
    for (auto family : { InitCommands, UserCommands, UserListCommands, GroupCommands, GroupListCommands,
             DatabaseCommands, OfficeCommands, PathCommands, VerifyCommands, RepairCommands, DoctorCommands,
             AuditCommands, ReportCommands, CopyCommands }) {
        auto commands = family();
        std::move(commands.begin(), commands.end(), std::back_inserter(all));
    }
    return all;
}

const ProgramNotes& GetProgramNotes()
{
    static const ProgramNotes notes {
        "Administers the shared account files of a login path (users, groups and their rights, the\n"
        "database list, office names) and the login paths this installation manages.\n",
        "Passwords are read from the first line of standard input, never from the arguments.\n",
        "Output is one tab-separated line per item, without a header. In a field, a tab, line feed,\n"
        "carriage return or backslash is written as \\t, \\n, \\r or \\\\, and any other control character\n"
        "(or a byte that is not UTF-8) as \\xHH, so a field never spans lines or columns.\n",
        "Texts are stored in the suite's code page, Windows-1252, and shown as UTF-8; a character that\n"
        "code page lacks is refused, and length limits count stored bytes.\n",
        "A shared file that another program holds is tried for about 30 seconds (said on stderr after\n"
        "a second); a missing permission or a read-only file fails at once.\n",
        "Exit status: 0 success, 1 the operation failed or found nothing, 2 wrong arguments.\n",
    };
    return notes;
}

int RunCommandLine(const std::vector<std::string>& arguments, CommandContext& context)
{
    const std::vector<Command> commands = AllCommands();
    if (arguments.empty())
        return ReportUsageError(context, "no command given", "");
    if (arguments[0] == "--help" || arguments[0] == "-h") {
        WriteProgramHelp(context.out, commands);
        return kExitSuccess;
    }
    const std::vector<const Command*> family = FamilyOf(commands, arguments[0]);
    if (family.empty())
        return ReportUsageError(context, "unknown command '" + arguments[0] + "'", "");

    // A family of one command without a sub-command name ("init", "verify") takes its arguments at once.
    if (family.size() == 1 && family[0]->name.empty())
        return RunCommand(*family[0], { arguments.begin() + 1, arguments.end() }, context);

    if (arguments.size() < 2 || arguments[1] == "--help" || arguments[1] == "-h") {
        if (arguments.size() < 2)
            return ReportUsageError(context, arguments[0] + ": no sub-command given", arguments[0]);
        context.out << "usage: " << kProgram << " " << arguments[0] << " SUB-COMMAND [ARGUMENTS]\n\nSub-commands:\n";
        WriteCommandSummaries(context.out, family);
        return kExitSuccess;
    }
    const auto command = std::find_if(
        family.begin(), family.end(), [&](const Command* candidate) { return candidate->name == arguments[1]; });
    if (command == family.end())
        return ReportUsageError(context, arguments[0] + ": unknown sub-command '" + arguments[1] + "'", arguments[0]);
    return RunCommand(**command, { arguments.begin() + 2, arguments.end() }, context);
}

} // namespace custodia::cli
