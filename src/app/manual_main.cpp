// Writes custodia(1) at build time, from the same text as the console's --help.
// Usage: custodia_manual OUT
#include "app/ConsoleManual.h"

#include <fstream>
#include <iostream>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::cerr << "usage: custodia_manual OUT\n";
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    custodia::manual::WriteRoff(out, custodia::ConsoleManualPage(custodia::GetInstalledLayout(), CUSTODIA_VERSION));
    return out.flush() ? 0 : 1;
}
