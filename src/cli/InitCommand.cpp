#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"

#include <ostream>

namespace custodia::cli {

namespace {

// People at a terminal give relative paths; the folder layer takes absolute ones only.
std::string Absolute(const std::string& path)
{
    return !path.empty() && path.front() == kPathSeparator ? path : JoinPath(CurrentDirectory(), path);
}

std::string DescribeMakeDirectoryFailure(int result)
{
    return result == kMakeDirectoryRefused ? "cannot be a login path (its last name has an extension)"
                                           : "a folder of the path could not be created";
}

int Init(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& given = arguments.Operand(0);
    if (given.empty())
        throw UsageError("login path is empty");
    std::string path = Absolute(given);
    CheckText("login path", path, limits::kLoginPath);

    const int made = MakeDirectoryPath(path);
    if (made != kMakeDirectoryOk)
        throw OperationFailed(given + ": " + DescribeMakeDirectoryFailure(made));
    CheckText("login path", path, limits::kLoginPath);

    const std::string passwordFile = PasswordFilePath(path);
    Require(PasswordFileStore(NativePath(path)).Create());
    RequireUsable(passwordFile, CheckPasswordFile(path), "; it was left as it is");
    WriteFields(context.out, { path });
    return kExitSuccess;
}

} // namespace

std::vector<Command> InitCommands()
{
    return { {
        "init",
        "",
        "PATH",
        "create a login path: its folders and an empty user file",
        "Creates every missing folder of PATH (relative to the current folder unless it begins with '/'),\n"
        "and a user file \"tessel.pwd\" without users unless one is there already; an existing file is\n"
        "never changed. Prints the resulting absolute path.\n",
        { { "PATH" }, {}, {} },
        Init,
    } };
}

} // namespace custodia::cli
