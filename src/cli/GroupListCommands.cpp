// Lists of groups to and from files: "groups export" and "groups import".
#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/ListFiles.h"
#include "cli/Output.h"
#include "platform/CodePage.h"
#include "store/AccountService.h"
#include "store/GroupImportPlan.h"

#include <ostream>

namespace custodia::cli {

namespace {

std::vector<GroupEntry> StoredGroups(const AccountService& service)
{
    Result<std::vector<GroupEntry>> groups = service.LoadGroups();
    Require(groups ? Status() : Status(groups.Error()));
    return std::move(*groups);
}

int Export(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const delimited::Format format = ListFormat(arguments);
    const AccountService service { NativePath(path) };
    const std::vector<GroupEntry> groups = StoredGroups(service);
    const std::vector<RightName> names = InstalledRightNames();
    std::string text;
    delimited::AppendRow(text, { std::begin(kGroupColumns), std::end(kGroupColumns) }, format);
    for (const GroupEntry& group : groups) {
        const auto rights = service.LoadGroupRights(static_cast<uint8_t>(group.groupNumber));
        Require(rights ? Status() : Status(rights.Error()));
        for (int program = 0; program < kProgramCount; ++program)
            delimited::AppendRow(text,
                { std::to_string(group.groupNumber), StoredToUtf8(group.name), ProgramName(program),
                    RightsText(program, *rights->second.GetRow(program), names) },
                format);
        FlushPiece(text, context);
    }
    FlushPiece(text, context, true);
    return kExitSuccess;
}

void AppendPlanned(std::string& text, const char* action, const std::vector<PlannedGroup>& groups)
{
    for (const PlannedGroup& group : groups)
        AppendFields(text, { action, std::to_string(group.number), StoredToUtf8(group.name) });
}

int Import(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const std::string& listName = arguments.Operand(1);
    const delimited::Format format = ListFormat(arguments);
    UserImportOptions options;
    if (arguments.Has("--replace"))
        options.existing = ExistingUser::Replace;
    if (arguments.Has("--skip-existing"))
        options.existing = ExistingUser::Skip;
    options.deleteMissing = arguments.Has("--delete-missing");
    const bool dryRun = arguments.Has("--dry-run");
    const std::string list = ReadList(listName, context);

    const AccountService service { NativePath(path) };
    const std::vector<GroupEntry> stored = StoredGroups(service);
    std::vector<ImportProblem> unreadable;
    const std::vector<ImportLine> lines = ListLines(list, format, unreadable);
    GroupImportPlan plan = PlanGroupImport(lines, stored, InstalledRightNames(), options);
    plan.problems.insert(plan.problems.end(), unreadable.begin(), unreadable.end());
    if (!plan.IsGood())
        RefuseBadLines(listName == "-" ? "standard input" : listName, plan.problems, context);

    std::string text;
    if (dryRun) {
        AppendPlanned(text, "add", plan.adds);
        AppendPlanned(text, "change", plan.changes);
        AppendPlanned(text, "leave", plan.leaves);
        for (const GroupEntry& group : plan.deletes)
            AppendFields(text, { "delete", std::to_string(group.groupNumber), StoredToUtf8(group.name) });
    } else {
        Require(service.ImportGroups(plan));
    }
    const auto count = [](const auto& groups) { return std::to_string(groups.size()); };
    AppendFields(text,
        { dryRun ? "would add " + count(plan.adds) + ", change " + count(plan.changes) + ", leave " + count(plan.leaves)
                    + ", delete " + count(plan.deletes) + "; nothing was changed"
                 : "added " + count(plan.adds) + ", changed " + count(plan.changes) + ", left " + count(plan.leaves)
                    + ", deleted " + count(plan.deletes) });
    FlushPiece(text, context, true);
    return kExitSuccess;
}

} // namespace

std::vector<Command> GroupListCommands()
{
    return {
        {
            "groups",
            "export",
            "PATH [--format csv|tsv]",
            "write every group's rights as a list",
            "Prints a header line (group, name, program, rights) and one line per group and program, for\n"
            "all twelve programs: the group's number and name, the program (its profile file without\n"
            "\".prf\"), and the rights granted in it by the names the console's pages give them, \"; \"\n"
            "between them; a right without a name of its own is written #POSITION. CSV (the default) or\n"
            "TSV, in UTF-8.\n",
            { { "PATH" }, { { "--format", true, false } }, {} },
            Export,
        },
        {
            "groups",
            "import",
            "PATH FILE|- [--format csv|tsv] [--dry-run] [--replace|--skip-existing] [--delete-missing]",
            "create and change groups from a list",
            "Reads a list as groups export writes it (FILE, or standard input for -). Every line is checked\n"
            "first (group number, name, program, each right) and each bad line is reported with its line\n"
            "number and why; then nothing is changed. Otherwise each group is written into all twelve\n"
            "profile files, all twelve or none, as groups save writes it: the programs the list gives get\n"
            "exactly the rights it names, the others keep theirs (all denied for a new group). A group the\n"
            "login path holds already is refused unless --replace or --skip-existing; --delete-missing\n"
            "deletes the groups the list does not name. --dry-run prints what would be added, changed,\n"
            "left and deleted, and changes nothing. Exit status 1 when the list was refused or a group\n"
            "could not be written (the message names the groups written before it).\n",
            { { "PATH", "FILE" },
                { { "--format", true, false }, { "--dry-run", false, false }, { "--replace", false, false },
                    { "--skip-existing", false, false }, { "--delete-missing", false, false } },
                { { "--replace", "--skip-existing" } } },
            Import,
        },
    };
}

} // namespace custodia::cli
