#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/TrailWarning.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/FileRepair.h"
#include "store/Leftovers.h"
#include "store/PasswordFile.h"

#include <algorithm>
#include <ctime>
#include <ostream>

namespace custodia::cli {

namespace {

const char* StateOf(RepairOutcome outcome)
{
    switch (outcome) {
    case RepairOutcome::Sound:
        return "ok";
    case RepairOutcome::Repaired:
        return "repaired";
    case RepairOutcome::Missing:
        return "missing";
    default:
        return "refused";
    }
}

// Every file this command knows: the user file first, as verify lists them.
std::vector<std::string> RepairableFileNames()
{
    std::vector<std::string> names { passwordfile::kFileName };
    const std::vector<std::string> records = RecordFileNames();
    names.insert(names.end(), records.begin(), records.end());
    return names;
}

std::string FileOperand(const std::string& name)
{
    const std::vector<std::string> known = RepairableFileNames();
    if (std::find(known.begin(), known.end(), name) == known.end())
        throw UsageError("'" + name + "' is none of the shared files this command repairs (see --help)");
    return name;
}

// Prints one line for the file, or none for a file that is not there and was not asked for; true if
// the file is fine now. A file repaired leaves its line in the folder's trail.
bool RepairAndReport(CommandContext& context, const std::string& folder, const std::string& name, bool asked)
{
    std::ostream& out = context.out;
    try {
        const RepairReport report = RepairFileWithTrail(folder, name, CommandTrail(context.err));
        if (report.outcome == RepairOutcome::Missing && !asked)
            return true;
        // A kept journal waits for a person, whatever else was found.
        const bool kept = !report.keptJournals.empty() && report.outcome != RepairOutcome::Refused;
        WriteFields(out, { name, kept ? "kept journal" : StateOf(report.outcome), report.detail });
        return report.IsFine();
    } catch (const FileException& error) {
        // A change cut short by the failure is undone from its journal, as after any failed write.
        WriteFields(out, { name, "failed", error.fileName() + ": " + DescribeFileCause(error.cause()) });
        return false;
    }
}

// Prints one line for each leftover: removed, or why it stays; true if none stays.
bool RemoveLeftovers(std::ostream& out, const std::string& folder)
{
    bool allGone = true;
    for (const Leftover& leftover : FindLeftovers(folder, RecordFileNames(), std::time(nullptr))) {
        const std::string stays = RemoveLeftover(folder, leftover);
        WriteFields(out, { leftover.name, stays.empty() ? "removed" : "left", stays.empty() ? leftover.what : stays });
        allGone = allGone && stays.empty();
    }
    return allGone;
}

bool HoldsAny(const std::string& folder, const std::vector<std::string>& names)
{
    return std::any_of(
        names.begin(), names.end(), [&](const std::string& name) { return FileExists(JoinPath(folder, name)); });
}

int Repair(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string folder = LoginPathOperand(arguments, 0, "folder");
    if (arguments.OperandCount() > 1)
        return RepairAndReport(context, folder, FileOperand(arguments.Operand(1)), true) ? kExitSuccess : kExitFailed;
    const std::vector<std::string> names = RepairableFileNames();
    if (!HoldsAny(folder, names))
        throw OperationFailed(folder + ": holds none of the shared files");
    bool allFine = true;
    for (const std::string& name : names)
        allFine = RepairAndReport(context, folder, name, false) && allFine;
    allFine = RemoveLeftovers(context.out, folder) && allFine;
    return allFine ? kExitSuccess : kExitFailed;
}

} // namespace

std::vector<Command> RepairCommands()
{
    return { {
        "repair",
        "",
        "PATH [FILE]",
        "mend a shared file that a program died changing",
        "Mends a record file (a profile file, \"tessel.dbs\", \"officena.mes\" or \"custo.cfg\") in PATH whose\n"
        "checksum or stored length is wrong while its header record and its chain of records are whole, as a\n"
        "program that died between writing its records and sealing the file leaves it: keeps a copy of the\n"
        "file as found in FILE.bak beside it, then seals the file again; every record stays as it was. In\n"
        "\"tessel.pwd\" it mends a record count that differs from the records in use, unless the count would\n"
        "fall to 0 (the console would then start without a log-on from a folder holding the file). Anything\n"
        "else (a broken record chain, no header record, a torn user record, a file held by another program\n"
        "or that cannot be opened) is refused and left as it is. An existing FILE.bak is never overwritten:\n"
        "one identical to the file serves as its copy, any other stops the repair until it is moved away.\n"
        "Files are held exclusively while they are checked and mended. The journal of a change that a\n"
        "program of ours died making is played back first, as any command does, but only while the file\n"
        "holds nothing but what it held and what that change wrote; a file that another program changed\n"
        "since is left as it is and its journal kept as FILE-journal-kept-DATE-TIME. A kept journal is named\n"
        "on the file's line and makes the exit status 1 until a person has compared it with the file and\n"
        "removed it. Each file repaired leaves the line \"file repaired\" in the audit trail of PATH; a trail\n"
        "that cannot be written refuses the repair.\n"
        "Without FILE, every one of these files that PATH holds is checked, \"tessel.pwd\" first. Prints one\n"
        "line per file: its name, then \"ok\" (nothing to do), \"repaired\", \"refused\", \"kept journal\",\n"
        "\"missing\" (FILE only) or \"failed\" (a write failed; the file is as it was), and what was found\n"
        "and done. Then it removes what \"custodiactl verify\" lists as \"leftover\", one line each:\n"
        "\"removed\", or \"left\" and why (a change marker goes only while the file its change began with\n"
        "can be held).\n"
        "Exit status 0 if every file is sound or was repaired, 1 otherwise.\n",
        { { "PATH" }, {}, {}, { "FILE" } },
        Repair,
    } };
}

} // namespace custodia::cli
