#include "store/LogonArguments.h"

#include <string_view>

namespace custodia {

LogonArguments ParseLogonArguments(const std::vector<std::string>& arguments)
{
    static constexpr std::string_view kUserNamePrefix = "username=";
    static constexpr std::string_view kPasswordPrefix = "password=";
    LogonArguments found;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument.size() > kUserNamePrefix.size() && argument.starts_with(kUserNamePrefix))
            found.userName = std::string(argument.substr(kUserNamePrefix.size()));
        else if (argument.size() > kPasswordPrefix.size() && argument.starts_with(kPasswordPrefix))
            found.password = std::string(argument.substr(kPasswordPrefix.size()));
    }
    return found;
}

LogonArguments ParseLogonArguments(int argc, const char* const argv[])
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i)
        arguments.emplace_back(argv[i]);
    return ParseLogonArguments(arguments);
}

} // namespace custodia
