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
// than 0 makes every write past that many bytes fail, as on a full disk. A run that hangs is killed
// after a minute (status -1), so that a hang fails the test instead of stopping the suite.
CliResult RunCli(const std::string& folder, const std::vector<std::string>& arguments, const std::string& input = "",
    long fileSizeLimit = 0);

// The user id custodiactl runs under in RunCliAsOtherUser when the tests run as root.
inline constexpr unsigned kOtherUserId = 65534;

// As RunCli, but as a user without root's power over permissions: the tests' own user unless that is
// root, then kOtherUserId ("nobody").
CliResult RunCliAsOtherUser(
    const std::string& folder, const std::vector<std::string>& arguments, const std::string& input = "");

} // namespace custodia::test
