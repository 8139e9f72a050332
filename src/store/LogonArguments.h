#pragma once

#include <optional>
#include <string>
#include <vector>

namespace custodia {

// What ParseLogonArguments found; either may be missing.
struct LogonArguments {
    std::optional<std::string> userName;
    std::optional<std::string> password;
};

// Takes "username=" and "password=" (case-sensitive, with at least one character after them) from
// arguments[1..]; the last of each kind counts.
LogonArguments ParseLogonArguments(const std::vector<std::string>& arguments);
LogonArguments ParseLogonArguments(int argc, const char* const argv[]);

} // namespace custodia
