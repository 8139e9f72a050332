#include "cli/PackagedPaths.h"

namespace custodia::cli {

void AnchorRelativeLoginPath(std::vector<std::string>& arguments, const std::string& callerFolder)
{
    if (arguments.size() < 3 || arguments[0] != "paths" || (arguments[1] != "add" && arguments[1] != "remove")
        || callerFolder.empty())
        return;
    // The paths commands take no options: the operand is the first argument that is not "--help", "-h"
    // or "--", or whatever follows "--".
    for (size_t i = 2; i < arguments.size(); ++i) {
        std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h")
            return;
        if (argument == "--")
            continue;
        if (!argument.empty() && argument.front() != '/')
            argument = callerFolder + (callerFolder.back() == '/' ? "" : "/") + argument;
        return;
    }
}

} // namespace custodia::cli
