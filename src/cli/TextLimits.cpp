#include "cli/TextLimits.h"

#include "cli/Arguments.h"

#include <algorithm>

namespace custodia::cli {

void CheckText(const std::string& what, const std::string& text, size_t limit)
{
    if (text.size() > limit)
        throw UsageError(what + " is " + std::to_string(text.size()) + " bytes long; at most " + std::to_string(limit)
            + " are allowed");
    if (text.find_first_of("\t\r\n") != std::string::npos)
        throw UsageError(what + " must not contain a tab or a line end");
}

void CheckPassword(const std::string& password)
{
    CheckText("password", password, limits::kPassword);
    const bool printable = std::all_of(password.begin(), password.end(), [](char c) { return c >= 32 && c <= 126; });
    if (!printable)
        throw UsageError("password must consist of printable ASCII characters");
}

} // namespace custodia::cli
