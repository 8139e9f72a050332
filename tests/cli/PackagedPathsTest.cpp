#include "cli/PackagedPaths.h"

#include <gtest/gtest.h>

namespace custodia::cli {
namespace {

struct AnchorCase {
    std::vector<std::string> arguments;
    std::vector<std::string> expected;
};

class AnchorRelativeLoginPathTest : public ::testing::TestWithParam<AnchorCase> { };

TEST_P(AnchorRelativeLoginPathTest, ARelativeOperandMeansTheCallersFolder)
{
    std::vector<std::string> arguments = GetParam().arguments;
    AnchorRelativeLoginPath(arguments, "/srv/logger");
    EXPECT_EQ(arguments, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Arguments, AnchorRelativeLoginPathTest,
    ::testing::Values(AnchorCase { { "paths", "add", "Head Office" }, { "paths", "add", "/srv/logger/Head Office" } },
        AnchorCase { { "paths", "remove", "../north" }, { "paths", "remove", "/srv/logger/../north" } },
        AnchorCase { { "paths", "add", "/srv/south" }, { "paths", "add", "/srv/south" } },
        // After "--" a name that begins with a dash is a path like any other.
        AnchorCase { { "paths", "add", "--", "-odd" }, { "paths", "add", "--", "/srv/logger/-odd" } },
        // Help, an empty path (refused by the command itself) and the other commands stay as typed.
        AnchorCase { { "paths", "add", "--help" }, { "paths", "add", "--help" } },
        AnchorCase { { "paths", "add", "" }, { "paths", "add", "" } },
        AnchorCase { { "paths", "list" }, { "paths", "list" } },
        AnchorCase { { "users", "list", "site" }, { "users", "list", "site" } }));

} // namespace
} // namespace custodia::cli
