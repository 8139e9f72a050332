#pragma once

#include <string>
#include <vector>

namespace custodia::test {

// What one run of custodiactl left behind.
struct CliResult {
    int status = -1; // exit status, or -1 if the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the built custodiactl in a folder, with the text as its standard input. A file size limit other
// than 0 makes every write past that many bytes fail, as on a full disk.
CliResult RunCli(const std::string& folder, const std::vector<std::string>& arguments, const std::string& input = "",
    long fileSizeLimit = 0);

} // namespace custodia::test
