// Lists of users to and from files: "users export" and "users import".
#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/ListFiles.h"
#include "cli/Output.h"
#include "platform/CodePage.h"
#include "platform/Failure.h"
#include "store/AccountService.h"
#include "store/UserColumns.h"
#include "store/UserImportPlan.h"

#include <ostream>

namespace custodia::cli {

namespace {

// What the login path holds beside its users that a list is checked against; every failure stops the
// command before anything is printed.
struct StoredAccounts {
    std::vector<GroupEntry> groups;
    DatabaseList databases;
};

StoredAccounts LoadAccounts(const AccountService& service)
{
    StoredAccounts accounts;
    Result<std::vector<GroupEntry>> groups = service.LoadGroups();
    Require(groups ? Status() : Status(groups.Error()));
    accounts.groups = std::move(*groups);
    Result<DatabaseList> databases = service.LoadDatabaseList();
    Require(databases ? Status() : Status(databases.Error()));
    accounts.databases = *databases;
    return accounts;
}

// The users a dry run plans on; a login path without "tessel.pwd" holds none yet.
std::vector<UserEntry> LoadUsers(const AccountService& service)
{
    Result<std::vector<UserEntry>> users = service.LoadUsers();
    if (!users && IsMissingFile(users.Error()))
        return {};
    Require(users ? Status() : Status(users.Error()));
    return std::move(*users);
}

int Export(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const delimited::Format format = ListFormat(arguments);
    const AccountService service { NativePath(path) };
    const Result<std::vector<UserEntry>> users = service.LoadUsers();
    Require(users ? Status() : Status(users.Error()));
    const Result<std::vector<GroupEntry>> groups = service.LoadGroups();
    Require(groups ? Status() : Status(groups.Error()));

    std::vector<std::string> header;
    for (const UserColumnName& column : ExportedUserColumns())
        header.push_back(column.name);
    std::string text;
    delimited::AppendRow(text, header, format);
    const std::array<std::string, 256> groupNames = GroupNamesByNumber(*groups);
    std::vector<std::string> fields;
    for (const UserEntry& entry : *users) {
        ExportUserFields(entry, groupNames, fields);
        delimited::AppendRow(text, fields, format);
        FlushPiece(text, context);
    }
    FlushPiece(text, context, true);
    return kExitSuccess;
}

UserImportOptions ImportOptions(const ParsedArguments& arguments)
{
    UserImportOptions options;
    if (arguments.Has("--replace"))
        options.existing = ExistingUser::Replace;
    if (arguments.Has("--skip-existing"))
        options.existing = ExistingUser::Skip;
    options.deleteMissing = arguments.Has("--delete-missing");
    options.allowNoPassword = arguments.Has("--allow-no-password");
    return options;
}

void AppendPlanned(std::string& text, const char* action, const std::vector<PlannedUser>& users)
{
    for (const PlannedUser& user : users) {
        const std::string name = StoredToUtf8((user.line == 0 ? user.before : user.after).user.userName);
        std::string fields;
        if (std::string_view(action) == "change")
            for (const std::string& field : ChangedUserFields(user))
                fields += (fields.empty() ? "" : ", ") + field;
        if (fields.empty())
            AppendFields(text, { action, name });
        else
            AppendFields(text, { action, name, fields });
    }
}

std::string Summary(const UserImportPlan& plan, bool dryRun)
{
    const auto count = [](const std::vector<PlannedUser>& users) { return std::to_string(users.size()); };
    return std::string(dryRun ? "would add " : "added ") + count(plan.adds) + ", " + (dryRun ? "change " : "changed ")
        + count(plan.changes) + ", " + (dryRun ? "leave " : "left ") + count(plan.leaves) + ", "
        + (dryRun ? "delete " : "deleted ") + count(plan.deletes) + (dryRun ? "; nothing was changed" : "");
}

int Import(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const std::string& listName = arguments.Operand(1);
    const delimited::Format format = ListFormat(arguments);
    const UserImportOptions options = ImportOptions(arguments);
    const bool dryRun = arguments.Has("--dry-run");
    const std::string list = ReadList(listName, context);

    const AccountService service { NativePath(path) };
    const StoredAccounts accounts = LoadAccounts(service);
    std::vector<ImportProblem> unreadable;
    const std::vector<ImportLine> lines = ListLines(list, format, unreadable);
    // The real import plans inside its hold of "tessel.pwd", on the users it reads there.
    const auto planner = [&](const std::vector<UserEntry>& stored) {
        UserImportPlan plan = PlanUserImport(lines, stored, accounts.groups, accounts.databases, options);
        plan.problems.insert(plan.problems.end(), unreadable.begin(), unreadable.end());
        return plan;
    };
    UserImportPlan plan;
    if (dryRun) {
        plan = planner(LoadUsers(service));
    } else {
        Result<UserImportPlan> imported = service.ImportUsers(planner);
        Require(imported ? Status() : Status(imported.Error()), "; nothing was changed");
        plan = std::move(*imported);
    }
    if (!plan.IsGood())
        RefuseBadLines(listName == "-" ? "standard input" : listName, plan.problems, context);

    std::string text;
    if (dryRun) {
        AppendPlanned(text, "add", plan.adds);
        AppendPlanned(text, "change", plan.changes);
        AppendPlanned(text, "leave", plan.leaves);
        AppendPlanned(text, "delete", plan.deletes);
    }
    AppendFields(text, { Summary(plan, dryRun) });
    FlushPiece(text, context, true);
    return kExitSuccess;
}

} // namespace

std::vector<Command> UserListCommands()
{
    return {
        {
            "users",
            "export",
            "PATH [--format csv|tsv]",
            "write every user of a login path as a list",
            "Prints a header line and one line per user, in file order: name, full name, description,\n"
            "group, group name, database mode, database mask, and one column per office slot (offices 1\n"
            "to offices 10 for the database slots, offices current for the current database path). An\n"
            "office column is empty when office selection is off for that database, \"none\" when it is on\n"
            "without any office, else the offices allowed (\"1-3,17\"). CSV (the default) as RFC 4180\n"
            "writes it, TSV escaped as users list prints fields; both in UTF-8. Passwords are never\n"
            "exported.\n",
            { { "PATH" }, { { "--format", true, false } }, {} },
            Export,
        },
        {
            "users",
            "import",
            "PATH FILE|- [--format csv|tsv] [--dry-run] [--replace|--skip-existing] [--delete-missing] "
            "[--allow-no-password]",
            "add and change users from a list, all or nothing",
            "Reads a list as users export writes it (FILE, or standard input for -): a header line naming\n"
            "the columns, which may leave any out but name and may add a password column. Every line is\n"
            "checked first: field lengths in stored bytes, characters the code page lacks, control\n"
            "characters, groups and database slots the login path lacks, a name twice in the list. Each bad\n"
            "line is reported with its line number and why, and then nothing is changed. Only when every\n"
            "line is good are the users written, in one exclusive hold of \"tessel.pwd\": all or none.\n"
            "A user the login path holds already is refused unless --replace (set the columns given, keep\n"
            "the rest) or --skip-existing (leave it as it is); --delete-missing deletes the users the list\n"
            "does not name. A new user needs a password (printable ASCII, at most 50), since a user\n"
            "without one can never log on; --allow-no-password adds such users all the same. Passwords\n"
            "are never printed. --dry-run prints what would be added, changed (with the fields), left and\n"
            "deleted, one line each, and changes nothing. Exit status 1 when the list was refused.\n",
            { { "PATH", "FILE" },
                { { "--format", true, false }, { "--dry-run", false, false }, { "--replace", false, false },
                    { "--skip-existing", false, false }, { "--delete-missing", false, false },
                    { "--allow-no-password", false, false } },
                { { "--replace", "--skip-existing" } } },
            Import,
        },
    };
}

} // namespace custodia::cli
