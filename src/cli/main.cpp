#include "cli/CommandLine.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[])
{
    using namespace custodia::cli;
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
