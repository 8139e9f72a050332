#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/UserStore.h"

#include <optional>
#include <ostream>

namespace custodia::cli {

namespace {

std::string DatabaseFileOf(const std::string& loginPath)
{
    return JoinPath(loginPath, databaselist::kFileName);
}

// A login path without "tessel.dbs" simply has ten empty slots; a damaged one is refused.
DatabaseList LoadList(const std::string& loginPath)
{
    UserStore store;
    RequireUsable(DatabaseFileOf(loginPath), store.LoadDatabaseList(loginPath));
    return store.DatabaseListOrEmpty();
}

int List(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const DatabaseList list = LoadList(path);
    for (int slot = 0; slot < databaselist::kShownSlotCount; ++slot)
        WriteFields(context.out,
            { std::to_string(slot + 1), FromStored(list.GetPath(slot)), FromStored(list.GetMirrorPath(slot)),
                list.IsMirrorOn(slot) ? "1" : "0", FromStored(list.GetDescription(slot)) });
    return kExitSuccess;
}

int Set(const ParsedArguments& arguments, CommandContext&)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const int slot = static_cast<int>(ParseNumber("slot", arguments.Operand(1), 1, databaselist::kShownSlotCount)) - 1;
    const auto stored = [&](const char* option, const std::string& what, size_t limit) -> std::optional<std::string> {
        if (const auto value = arguments.Value(option))
            return StoredTextArgument(what, *value, limit);
        return std::nullopt;
    };
    const auto databasePath = stored("--path", "database path", limits::kDatabasePath);
    const auto mirrorPath = stored("--mirror", "mirror path", limits::kDatabasePath);
    const auto description = stored("--description", "description", limits::kDatabaseDescription);
    const bool mirrorOn = arguments.Has("--mirror-on");
    const bool mirrorOff = arguments.Has("--mirror-off");
    if (!databasePath && !mirrorPath && !description && !mirrorOn && !mirrorOff)
        throw UsageError("nothing to change: give --path, --mirror, --mirror-on, --mirror-off or --description");
    RequireUndamagedRecordFile(DatabaseFileOf(path));
    // Into the list as the file holds it at the moment of writing, so that another program's change of
    // other slots is kept.
    const RecordChangeResult result = UserStore().ChangeDatabaseList(path, [&](DatabaseList& list) {
        if (databasePath)
            list.SetPath(slot, *databasePath);
        if (mirrorPath)
            list.SetMirrorPath(slot, *mirrorPath);
        if (mirrorOn || mirrorOff)
            list.SetMirrorOn(slot, mirrorOn);
        if (description)
            list.SetDescription(slot, *description);
    });
    if (result == RecordChangeResult::Damaged)
        throw OperationFailed(DatabaseFileOf(path) + ": damaged; nothing was changed");
    if (result != RecordChangeResult::Written)
        throw OperationFailed(DatabaseFileOf(path) + ": cannot be written" + OpenFailureCause(DatabaseFileOf(path)));
    return kExitSuccess;
}

} // namespace

std::vector<Command> DatabaseCommands()
{
    return {
        {
            "databases",
            "list",
            "PATH",
            "list the ten database slots of a login path",
            "Prints 10 lines, one per slot: slot number 1..10, database path, mirror path, mirror switch (0 or\n"
            "1), description. Empty slots print empty fields.\n",
            { { "PATH" }, {}, {} },
            List,
        },
        {
            "databases",
            "set",
            "PATH SLOT [--path P] [--mirror P] [--mirror-on|--mirror-off] [--description D]",
            "change one database slot",
            "Changes the fields given of slot SLOT (1..10) in \"tessel.dbs\" (created when missing) and keeps\n"
            "everything else of the file as it was. Limits: paths 128 bytes, description 50. Nothing is\n"
            "written if \"tessel.dbs\" is damaged.\n",
            { { "PATH", "SLOT" },
                { { "--path", true, false }, { "--mirror", true, false }, { "--mirror-on", false, false },
                    { "--mirror-off", false, false }, { "--description", true, false } },
                { { "--mirror-on", "--mirror-off" } } },
            Set,
        },
    };
}

} // namespace custodia::cli
