#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/ManPage.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "cli/TrailWarning.h"
#include "store/AccountService.h"
#include "store/LoginPathList.h"

#include <ostream>

namespace custodia::cli {

namespace {

std::string PathOperand(const ParsedArguments& arguments)
{
    const std::string& path = arguments.Operand(0);
    CheckText("login path", path, limits::kLoginPath);
    if (path.empty())
        throw UsageError("login path is empty");
    return path;
}

int List(const ParsedArguments&, CommandContext& context)
{
    const LoginPathList list;
    RequireUsable(loginpaths::kFileName, list.LastLoad());
    for (const std::string& path : list.Paths())
        WriteFields(context.out, { path });
    return list.Paths().empty() ? kExitFailed : kExitSuccess;
}

int Add(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = PathOperand(arguments);
    // Checked against the file itself under the hold that appends, so that a folder another program
    // stored since is not stored twice.
    const Result<ManagedLoginPath> added = AddManagedLoginPath(
        NativePath(loginpaths::kFileName), NativePath(path), FileEnvironment::System(), CommandTrail(context.err));
    if (!added)
        Require(Status(added.Error()), "; nothing was changed");
    if (!added->added)
        throw OperationFailed(path == added->listedAs
                ? path + ": managed already"
                : path + ": managed already, as the same folder " + added->listedAs);
    return kExitSuccess;
}

int Remove(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = PathOperand(arguments);
    const Status removed = RemoveManagedLoginPath(
        NativePath(loginpaths::kFileName), NativePath(path), FileEnvironment::System(), CommandTrail(context.err));
    if (removed)
        return kExitSuccess;
    if (removed.Error().refusal != Failure::Refusal::NotFound)
        Require(removed, "; nothing was changed");
    // Only to point at the path meant: the list as it stands now.
    const LoginPathList list;
    if (const std::string* listed = list.ListedAs(path))
        throw OperationFailed(path + ": not managed as written; its folder is managed as " + *listed);
    throw OperationFailed(path + ": not managed");
}

} // namespace

std::vector<Command> PathCommands()
{
    const std::string file = ManagedListLocation();
    return {
        {
            "paths",
            "list",
            "",
            "list the login paths this installation manages",
            std::string("Prints one managed login path per line, in the order of the file.\n") + file
                + "Exit status 1 if there is none.\n",
            { {}, {}, {} },
            List,
        },
        {
            "paths",
            "add",
            "PATH",
            "manage one more login path",
            std::string("Appends PATH to the managed login paths unless its folder is listed already: the\n"
                        "same folder (device and inode) by any spelling or link, or the same text when the\n"
                        "folder is not there. Letter case counts. The folder itself is not touched.\n")
                + file,
            { { "PATH" }, {}, {} },
            Add,
        },
        {
            "paths",
            "remove",
            "PATH",
            "stop managing a login path",
            std::string("Removes PATH, exactly as it is listed, from the managed login paths. The folder and\n"
                        "its files are not touched.\n")
                + file,
            { { "PATH" }, {}, {} },
            Remove,
        },
    };
}

} // namespace custodia::cli
