#include "store/LogonArguments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace custodia {
namespace {

TEST(LogonArgumentsTest, TakesTheLastOfEachKindAfterTheProgramName)
{
    struct Case {
        std::vector<std::string> arguments;
        std::optional<std::string> userName;
        std::optional<std::string> password;
    };
    const Case cases[] = {
        { { "custodia" }, std::nullopt, std::nullopt },
        { { "custodia", "username=anna", "password=pw" }, "anna", "pw" },
        { { "custodia", "username=anna", "username=bert" }, "bert", std::nullopt },
        // A bare prefix and other spellings are ignored; the first argument is the program.
        { { "username=prog", "username=", "USERNAME=x", "Password=y", "password=" }, std::nullopt, std::nullopt },
        { { "custodia", "password=a=b", "username==x" }, "=x", "a=b" },
    };
    for (const Case& c : cases) {
        const LogonArguments found = ParseLogonArguments(c.arguments);
        EXPECT_EQ(found.userName, c.userName);
        EXPECT_EQ(found.password, c.password);
    }
    const char* argv[] = { "custodia", "password=pw", nullptr };
    EXPECT_EQ(ParseLogonArguments(2, argv).password, "pw");
}

} // namespace
} // namespace custodia
