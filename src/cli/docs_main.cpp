// Writes what is generated from the command tables at build time: the manual page, and the bash
// completion (the table of commands put in front of the completion function).
// Usage: custodiactl_docs manual OUT | custodiactl_docs completion FUNCTION-FILE OUT
#include "cli/CommandLine.h"
#include "cli/ManPage.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    using namespace custodia;
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "manual" && argc == 3) {
        std::ofstream out(argv[2], std::ios::binary);
        manual::WriteRoff(out, cli::CustodiactlManualPage(cli::AllCommands(), CUSTODIA_VERSION));
        return out.flush() ? 0 : 1;
    }
    if (what == "completion" && argc == 4) {
        std::ifstream function(argv[2], std::ios::binary);
        std::ofstream out(argv[3], std::ios::binary);
        cli::WriteCompletionTable(out, cli::AllCommands());
        out << function.rdbuf();
        return function && out.flush() ? 0 : 1;
    }
    std::cerr << "usage: custodiactl_docs manual OUT | custodiactl_docs completion FUNCTION-FILE OUT\n";
    return 2;
}
