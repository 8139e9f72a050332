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

int Init(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& given = arguments.Operand(0);
    if (given.empty())
        throw UsageError("login path is empty");
    CheckText("login path", Absolute(given), limits::kLoginPath);

    const Result<std::string> made = MakeDirectoryPath(Absolute(given));
    if (!made) {
        const Failure& failure = made.Error();
        // A refused path is the one given; otherwise the failure names the level that stood in the way.
        throw OperationFailed(
            given + ": " + (failure.refusal == Failure::Refusal::BadValue ? failure.detail : DescribeFailure(failure)));
    }
    const std::string& path = *made;
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
