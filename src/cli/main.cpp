#include "cli/CommandLine.h"
#include "cli/PackagedPaths.h"
#include "platform/Platform.h"
#include "platform/UserFolder.h"

#include <cstdlib>

#include <iostream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    using namespace custodia::cli;
    // Passwords pass through this process in plain text: no core dump may keep them on disk.
    ::prctl(PR_SET_DUMPABLE, 0);
    const rlimit noCore { 0, 0 };
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // A packaged installation keeps the console's list of login paths in the user's folder; only the
    // paths commands go there, so that every other command's relative paths stay the caller's.
    if (const auto& layout = custodia::GetInstalledLayout();
        layout.packaged && !arguments.empty() && arguments[0] == "paths") {
        AnchorRelativeLoginPath(arguments, custodia::CurrentDirectory());
        std::string error;
        if (!custodia::EnterUserFolder(custodia::UserFolder(std::getenv), custodia::InstalledLinks(layout), error)) {
            std::cerr << "custodiactl: " << error << '\n';
            return kExitFailed;
        }
    }
    CommandContext context { std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1 };
    const int status = RunCommandLine(arguments, context);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "custodiactl: cannot write the output\n";
        return kExitFailed;
    }
    return status;
}
