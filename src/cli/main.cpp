#include "cli/CommandLine.h"

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
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    CommandContext context { std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) == 1 };
    const int status = RunCommandLine(arguments, context);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "custodiactl: cannot write the output\n";
        return kExitFailed;
    }
    return status;
}
