#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "cli/TrailWarning.h"
#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/DatabaseList.h"

#include <optional>
#include <ostream>

namespace custodia::cli {

namespace {

// A login path without "tessel.dbs" simply has ten empty slots; a damaged one is refused.
DatabaseList LoadList(const std::string& loginPath)
{
    Result<DatabaseList> list = AccountService(NativePath(loginPath)).LoadDatabaseList();
    Require(list.HasValue() ? Status() : Status(list.Error()));
    return std::move(list).Value();
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

int Set(const ParsedArguments& arguments, CommandContext& context)
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
    // Into the slot as the file holds it inside the service's hold, so that another program's change of
    // other slots, or of the fields not given here, is kept.
    const auto change = [&](DatabaseSlot& value) {
        if (databasePath)
            value.path = *databasePath;
        if (mirrorPath)
            value.mirrorPath = *mirrorPath;
        if (mirrorOn || mirrorOff)
            value.mirrorOn = mirrorOn;
        if (description)
            value.description = *description;
    };
    Require(AccountService(NativePath(path), CommandTrail(context.err))
                .SetDatabaseSlot(slot, AccountService::SlotChange(change)),
        "; nothing was changed");
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
