#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/ManPage.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "store/LoginPathList.h"

#include <algorithm>
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

int Add(const ParsedArguments& arguments, CommandContext&)
{
    const std::string path = PathOperand(arguments);
    RequireUndamagedRecordFile(loginpaths::kFileName);
    LoginPathList list;
    if (!list.AddLoginPath(path))
        throw OperationFailed(path + ": managed already");
    if (list.StoreLoginPath(path))
        return kExitSuccess;
    // Taken before the list is read again, which opens the file once more.
    const std::string cause = OpenFailureCause(loginpaths::kFileName);
    // Another program may have stored it since the list was read.
    list.LoadLoginPaths();
    if (list.Contains(path))
        throw OperationFailed(path + ": managed already");
    throw OperationFailed(std::string(loginpaths::kFileName) + ": cannot be written" + cause);
}

int Remove(const ParsedArguments& arguments, CommandContext&)
{
    const std::string path = PathOperand(arguments);
    LoginPathList list;
    RequireUsable(loginpaths::kFileName, list.LastLoad(), "; nothing was changed");
    if (list.RemoveLoginPath(path))
        return kExitSuccess;
    const auto& paths = list.Paths();
    const auto other = std::find_if(
        paths.begin(), paths.end(), [&](const std::string& listed) { return EqualIgnoringCase(listed, path); });
    if (other != paths.end())
        throw OperationFailed(path + ": not managed; removing needs the exact letter case: " + *other);
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
            std::string("Appends PATH to the managed login paths unless it is listed already, letter case\n"
                        "ignored. The folder itself is not touched.\n")
                + file,
            { { "PATH" }, {}, {} },
            Add,
        },
        {
            "paths",
            "remove",
            "PATH",
            "stop managing a login path",
            std::string("Removes PATH, in its exact letter case, from the managed login paths. The folder and\n"
                        "its files are not touched.\n")
                + file,
            { { "PATH" }, {}, {} },
            Remove,
        },
    };
}

} // namespace custodia::cli
