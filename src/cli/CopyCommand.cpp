// "copy": the accounts of one login path into another, checked first as an import is.
#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/ListFiles.h"
#include "cli/Output.h"
#include "platform/CodePage.h"
#include "platform/Failure.h"
#include "store/AccountService.h"
#include "store/UserColumns.h"

#include <algorithm>
#include <ostream>

namespace custodia::cli {

namespace {

// What the copy checks and writes, and why it cannot, as lines for people.
struct CopyPlan {
    std::vector<std::pair<int, DatabaseSlot>> slots; // slots to set in the target
    GroupImportPlan groups;
    UserImportPlan users;
    AccountService::UserImportPlanner planUsers; // the same check again, inside the hold that writes
    std::vector<std::string> userNames; // by line of the users' plan, for its problems
    std::vector<std::string> problems;
};

DatabaseSlot SlotOf(const DatabaseList& list, int slot)
{
    return { list.GetPath(slot), list.GetMirrorPath(slot), list.IsMirrorOn(slot), list.GetDescription(slot) };
}

std::vector<GroupEntry> LoadedGroups(const AccountService& service)
{
    Result<std::vector<GroupEntry>> groups = service.LoadGroups();
    Require(groups ? Status() : Status(groups.Error()));
    return std::move(*groups);
}

DatabaseList LoadedDatabases(const AccountService& service)
{
    Result<DatabaseList> list = service.LoadDatabaseList();
    Require(list ? Status() : Status(list.Error()));
    return *list;
}

std::vector<UserEntry> LoadedUsers(const AccountService& service)
{
    Result<std::vector<UserEntry>> users = service.LoadUsers();
    if (!users && IsMissingFile(users.Error()))
        return {};
    Require(users ? Status() : Status(users.Error()));
    return std::move(*users);
}

// A slot fits when the target's is empty or already the same.
void PlanSlots(const DatabaseList& from, DatabaseList& to, CopyPlan& plan)
{
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot) {
        if (from.IsSlotEmpty(slot))
            continue;
        const DatabaseSlot wanted = SlotOf(from, slot);
        if (to.IsSlotEmpty(slot)) {
            plan.slots.emplace_back(slot, wanted);
            to.SetPath(slot, wanted.path);
            to.SetMirrorPath(slot, wanted.mirrorPath);
            to.SetMirrorOn(slot, wanted.mirrorOn);
            to.SetDescription(slot, wanted.description);
        } else if (!(SlotOf(to, slot) == wanted)) {
            plan.problems.push_back("database slot " + std::to_string(slot + 1) + ": the target holds "
                + StoredToUtf8(to.GetPath(slot)) + ", not " + StoredToUtf8(wanted.path));
        }
    }
}

// A group fits when the target lacks its number or holds it under the same name; its rights are copied
// whole.
void PlanGroups(const AccountService& from, const std::vector<GroupEntry>& fromGroups,
    std::vector<GroupEntry>& toGroups, CopyPlan& plan)
{
    for (const GroupEntry& group : fromGroups) {
        const auto rights = from.LoadGroupRights(static_cast<uint8_t>(group.groupNumber));
        Require(rights ? Status() : Status(rights.Error()));
        PlannedGroup planned { 0, static_cast<uint8_t>(group.groupNumber), group.name, {} };
        for (int program = 0; program < kProgramCount; ++program)
            planned.rows[static_cast<size_t>(program)] = *rights->second.GetRow(program);
        const auto there = std::find_if(toGroups.begin(), toGroups.end(),
            [&](const GroupEntry& entry) { return entry.groupNumber == group.groupNumber; });
        if (there == toGroups.end()) {
            plan.groups.adds.push_back(std::move(planned));
            toGroups.push_back(group);
        } else if (there->name == group.name) {
            plan.groups.changes.push_back(std::move(planned));
        } else {
            plan.problems.push_back("group " + std::to_string(group.groupNumber) + ": the target's is named "
                + StoredToUtf8(there->name) + ", not " + StoredToUtf8(group.name));
        }
    }
}

// The users as an import of their list, passwords included, into the target as the copy leaves it.
void PlanUsers(const std::vector<UserEntry>& fromUsers, const std::vector<UserEntry>& toUsers,
    const std::vector<GroupEntry>& toGroups, const DatabaseList& toDatabases, CopyPlan& plan)
{
    std::vector<ImportLine> lines(1);
    for (const UserColumnName& column : ExportedUserColumns())
        lines[0].fields.push_back(column.name);
    lines[0].fields.emplace_back("password");
    plan.userNames.assign(2, "");
    const std::array<std::string, 256> groupNames = GroupNamesByNumber(toGroups);
    for (const UserEntry& user : fromUsers) {
        ImportLine line { lines.size() + 1, ExportedUserFields(user, groupNames) };
        line.fields[static_cast<size_t>(UserColumn::GroupName)].clear(); // the number decides
        line.fields.push_back(user.user.password);
        lines.push_back(std::move(line));
        plan.userNames.push_back(StoredToUtf8(user.user.userName));
    }
    lines[0].line = 1;
    plan.planUsers = [lines, toGroups, toDatabases](const std::vector<UserEntry>& stored) {
        UserImportOptions options;
        options.allowNoPassword = true; // a user copied as it is stored
        return PlanUserImport(lines, stored, toGroups, toDatabases, options);
    };
    plan.users = plan.planUsers(toUsers);
    for (const ImportProblem& problem : plan.users.problems)
        plan.problems.push_back("user " + plan.userNames[problem.line] + ": " + problem.reason);
}

void AppendPlan(std::string& text, const CopyPlan& plan)
{
    for (const auto& [slot, value] : plan.slots)
        AppendFields(text, { "set database", std::to_string(slot + 1), StoredToUtf8(value.path) });
    for (const auto& [action, groups] :
        { std::pair("add group", &plan.groups.adds), std::pair("change group", &plan.groups.changes) })
        for (const PlannedGroup& group : *groups)
            AppendFields(text, { action, std::to_string(group.number), StoredToUtf8(group.name) });
    for (const PlannedUser& user : plan.users.adds)
        AppendFields(text, { "add user", StoredToUtf8(user.after.user.userName) });
}

void Apply(const AccountService& to, const CopyPlan& plan)
{
    for (const auto& [slot, value] : plan.slots)
        Require(to.SetDatabaseSlot(slot, value));
    if (!plan.groups.adds.empty() || !plan.groups.changes.empty())
        Require(to.ImportGroups(plan.groups));
    // A target without "tessel.pwd" gets none unless users go into it.
    if (plan.users.adds.empty())
        return;
    const Result<UserImportPlan> users = to.ImportUsers(plan.planUsers);
    Require(users ? Status() : Status(users.Error()));
    if (!users->IsGood())
        throw OperationFailed("another program changed the users of the target meanwhile; no user was copied");
}

int Copy(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string fromPath = LoginPathOperand(arguments, 0, "source login path");
    const std::string toPath = LoginPathOperand(arguments, 1, "target login path");
    const bool all = !arguments.Has("--users") && !arguments.Has("--groups") && !arguments.Has("--databases");
    const AccountService from { NativePath(fromPath) };
    const AccountService to { NativePath(toPath) };

    CopyPlan plan;
    DatabaseList toDatabases = LoadedDatabases(to);
    std::vector<GroupEntry> toGroups = LoadedGroups(to);
    if (all || arguments.Has("--databases"))
        PlanSlots(LoadedDatabases(from), toDatabases, plan);
    if (all || arguments.Has("--groups"))
        PlanGroups(from, LoadedGroups(from), toGroups, plan);
    if (all || arguments.Has("--users"))
        PlanUsers(LoadedUsers(from), LoadedUsers(to), toGroups, toDatabases, plan);
    if (!plan.problems.empty()) {
        for (const std::string& problem : plan.problems)
            WriteError(context.err, problem);
        throw OperationFailed(std::to_string(plan.problems.size()) + " of the accounts do not fit into " + toPath
            + "; nothing was changed");
    }
    std::string text;
    const bool dryRun = arguments.Has("--dry-run");
    if (dryRun)
        AppendPlan(text, plan);
    else
        Apply(to, plan);
    AppendFields(text,
        { std::string(dryRun ? "would copy " : "copied ") + std::to_string(plan.slots.size()) + " database slots, "
            + std::to_string(plan.groups.adds.size() + plan.groups.changes.size()) + " groups, "
            + std::to_string(plan.users.adds.size()) + " users" + (dryRun ? "; nothing was changed" : "") });
    FlushPiece(text, context, true);
    return kExitSuccess;
}

} // namespace

std::vector<Command> CopyCommands()
{
    return {
        {
            "copy",
            "",
            "FROM-PATH TO-PATH [--users] [--groups] [--databases] [--dry-run]",
            "copy the accounts of one login path into another",
            "Copies the users (with their passwords and office selections), the groups with all their\n"
            "rights and the database slots of FROM-PATH into TO-PATH; without an option all three, else\n"
            "those named. Everything is checked first: a database slot fits when the target's is empty or\n"
            "the same, a group when the target lacks its number or has it under the same name (its rights\n"
            "are then replaced), a user when the target lacks its name and, as the copy leaves the target,\n"
            "holds its group and database slots. If anything does not fit, each misfit is reported and\n"
            "nothing is changed. The slots, then each group (all twelve profile files or none), then all\n"
            "users (one write of \"tessel.pwd\") are written. --dry-run prints what would be copied.\n",
            { { "FROM-PATH", "TO-PATH" },
                { { "--users", false, false }, { "--groups", false, false }, { "--databases", false, false },
                    { "--dry-run", false, false } },
                {} },
            Copy,
        },
    };
}

} // namespace custodia::cli
