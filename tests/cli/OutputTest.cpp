#include "cli/Output.h"
#include "platform/FileException.h"
#include "platform/SharedFile.h"

#include <gtest/gtest.h>

#include <sstream>

namespace custodia::cli {
namespace {

struct EscapeCase {
    const char* name;
    std::string field;
    std::string written;
};

class EscapeFieldTest : public ::testing::TestWithParam<EscapeCase> { };

TEST_P(EscapeFieldTest, FieldCannotForgeLinesColumnsOrEscapes)
{
    EXPECT_EQ(EscapeField(GetParam().field), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Fields, EscapeFieldTest,
    ::testing::Values(EscapeCase { "Plain", "Bob Stone", "Bob Stone" },
        EscapeCase { "TabLineEndsBackslash", "a\tb\nc\rd\\e", "a\\tb\\nc\\rd\\\\e" },
        EscapeCase { "OtherControls", std::string("\x1b[2J\x07\x7f\0z", 8), "\\x1B[2J\\x07\\x7F\\x00z" },
        // C1 controls (U+009B is a one-character CSI) and bytes that are not UTF-8.
        EscapeCase { "C1AndBrokenUtf8",
            "\xc2\x9b"
            "31m\xff",
            "\\x9B31m\\xFF" },
        EscapeCase { "Utf8Kept", "J\xc3\xbcrgen \xe2\x82\xac", "J\xc3\xbcrgen \xe2\x82\xac" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OutputTest, FieldsAreEscapedEachAndJoinedByTabs)
{
    std::ostringstream out;
    WriteFields(out, { "tp\tfake", "9" });
    EXPECT_EQ(out.str(), "tp\\tfake\t9\n");
}

// Said once, when the open has waited a second, whatever the number of waits.
TEST(OutputTest, WaitIsReportedOnceAfterASecond)
{
    std::ostringstream err;
    OpenAttempt attempt;
    attempt.fileName = "P/tessel.pwd";
    attempt.error.cause = kCauseSharingViolation;
    for (int waited = 0; waited < 30000; waited += SharedFile::kRetryWaitMilliseconds) {
        attempt.waitedMilliseconds = waited;
        ReportOpenWait(err, attempt);
    }
    EXPECT_EQ(err.str(), "custodiactl: waiting for P/tessel.pwd: in use by another program\n");
}

} // namespace
} // namespace custodia::cli
