#include "app/ProcessSecrets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace custodia::test {
namespace {

struct ScrubCase {
    const char* name;
    std::vector<std::string> arguments; // program name first
    std::vector<std::string> expected; // as the arguments read afterwards
    int scrubbed;
};

class PasswordArgumentScrubTest : public ::testing::TestWithParam<ScrubCase> { };

// The arguments are laid out as the kernel lays argv: one block, each text ended by a zero byte, so
// that what /proc/PID/cmdline would show can be read back byte by byte.
TEST_P(PasswordArgumentScrubTest, OverwritesOnlyPasswordValuesInPlace)
{
    const ScrubCase& c = GetParam();
    std::string block;
    std::vector<size_t> starts;
    for (const std::string& argument : c.arguments) {
        starts.push_back(block.size());
        block += argument;
        block += '\0';
    }
    std::vector<char*> argv;
    for (const size_t start : starts)
        argv.push_back(block.data() + start);
    argv.push_back(nullptr);
    const size_t blockSize = block.size();

    EXPECT_EQ(ScrubPasswordArguments(static_cast<int>(c.arguments.size()), argv.data()), c.scrubbed);
    std::vector<std::string> after;
    for (size_t i = 0; i < c.arguments.size(); ++i)
        after.emplace_back(argv[i]);
    EXPECT_EQ(after, c.expected);
    EXPECT_EQ(block.size(), blockSize) << "nothing moves: the kernel shows the same block";
    EXPECT_EQ(block.find("Secret"), std::string::npos) << "no byte of a password is left in the block";

    std::vector<std::string> copy = c.arguments;
    WipePasswordArguments(copy);
    EXPECT_EQ(copy, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Arguments, PasswordArgumentScrubTest,
    ::testing::Values(ScrubCase { "Password", { "custodia", "username=ann", "password=Secret1" },
                          { "custodia", "username=ann", "password=" }, 1 },
        // The log-on counts the last of each kind; every one is a password all the same.
        ScrubCase { "Several", { "custodia", "password=Secret1", "-x", "password=Secret22" },
            { "custodia", "password=", "-x", "password=" }, 2 },
        // Only the lower-case prefix is the log-on's; another spelling is left as given.
        ScrubCase { "OtherSpelling", { "custodia", "Password=abc", "xpassword=abc" },
            { "custodia", "Password=abc", "xpassword=abc" }, 0 },
        ScrubCase { "EmptyValue", { "custodia", "password=" }, { "custodia", "password=" }, 0 },
        // The program's own name is never an argument of the log-on.
        ScrubCase { "ProgramName", { "password=abc" }, { "password=abc" }, 0 }),
    [](const ::testing::TestParamInfo<ScrubCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace custodia::test
