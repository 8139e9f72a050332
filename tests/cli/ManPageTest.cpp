#include "cli/ManPage.h"
#include "cli/Arguments.h"
#include "cli/CommandLine.h"
#include "manual/ManualPage.h"

#include <gtest/gtest.h>

#include <sstream>

namespace custodia::cli {
namespace {

using manual::Block;

std::string Roff(const manual::Page& page)
{
    std::ostringstream out;
    manual::WriteRoff(out, page);
    return out.str();
}

struct RoffCase {
    const char* line;
    bool minusSigns;
    const char* roff;
};

class RoffLineTest : public ::testing::TestWithParam<RoffCase> { };

// Text that would otherwise reach the formatter as a request or an escape.
TEST_P(RoffLineTest, EscapesWhatRoffWouldRead)
{
    EXPECT_EQ(manual::RoffLine(GetParam().line, GetParam().minusSigns), GetParam().roff);
}

INSTANTIATE_TEST_SUITE_P(Lines, RoffLineTest,
    ::testing::Values(RoffCase { "plain text", false, "plain text" },
        RoffCase { ".SH not a section", false, "\\&.SH not a section" },
        RoffCase { "'br not a break", false, "\\&'br not a break" },
        RoffCase { "\\t and \\\\", false, "\\et and \\e\\e" }, RoffCase { "log-on", false, "log-on" },
        RoffCase { "--group N", true, "\\-\\-group N" }));

TEST(ManualPageTest, EveryCommandWithItsSynopsisDescriptionAndOptions)
{
    const std::vector<Command> commands = AllCommands();
    const std::string roff = Roff(CustodiactlManualPage(commands, "9.9"));
    EXPECT_EQ(roff.rfind(".TH CUSTODIACTL 1 \"\" \"Custodia 9.9\"", 0), 0u);
    for (const Command& command : commands) {
        const std::string term
            = manual::RoffLine(command.Words() + (command.synopsis.empty() ? "" : " " + command.synopsis), true);
        EXPECT_NE(roff.find(".TP\n\\fB" + term + "\\fR\n" + manual::RoffLine(command.summary, false) + ".\n"),
            std::string::npos)
            << command.Words();
        for (const OptionRule& option : command.rules.options)
            EXPECT_NE(roff.find(manual::RoffLine(option.name, false)), std::string::npos) << option.name;
    }
    for (const char* section : { "EXIT STATUS", "OUTPUT", "CODE PAGE", "EXAMPLES", "FILES" })
        EXPECT_NE(roff.find(".SH \"" + std::string(section) + "\"\n"), std::string::npos) << section;
    // The help's notes, word for word (the escapes of the output section are roff-escaped).
    EXPECT_NE(roff.find("written as \\et, \\en, \\er or \\e\\e"), std::string::npos);
    EXPECT_NE(roff.find(manual::RoffLine("Exit status: 0 success, 1 the operation failed or found nothing, 2 wrong "
                                         "arguments.",
                  false)),
        std::string::npos);
}

// An example that names a command or option the tables no longer have would teach a failing command.
TEST(ManualPageTest, EveryExampleIsARealCommandLine)
{
    const std::vector<Command> commands = AllCommands();
    for (const Example& example : ManualExamples()) {
        std::istringstream lines(example.commandLine);
        for (std::string line; std::getline(lines, line);) {
            const size_t start = line.find("custodiactl ");
            ASSERT_NE(start, std::string::npos) << line;
            // Words split at spaces outside double quotes; quotes removed.
            std::vector<std::string> words;
            std::string word;
            bool quoted = false;
            for (char c : line.substr(start + 12) + " ") {
                if (c == '"')
                    quoted = !quoted;
                else if (c == ' ' && !quoted) {
                    if (!word.empty())
                        words.push_back(word);
                    word.clear();
                } else
                    word += c;
            }
            const Command* found = nullptr;
            for (const Command& command : commands)
                if (command.family == words[0]
                    && (command.name.empty() || (words.size() > 1 && command.name == words[1])))
                    found = &command;
            ASSERT_NE(found, nullptr) << line;
            const std::vector<std::string> rest(words.begin() + (found->name.empty() ? 1 : 2), words.end());
            EXPECT_NO_THROW(ParseArguments(rest, found->rules)) << line;
        }
    }
}

TEST(ManualPageTest, TextAndRoffShowTheSameBlocks)
{
    manual::Page page { "tool", 1, "does things", "Tool 1", { "[-x] FILE" },
        { { "Files",
            { { Block::Kind::Term, "/etc/tool", "Settings.\n\nMore.\n" },
                { Block::Kind::Example, {}, "tool -x .hidden\n" } } } } };
    std::ostringstream text;
    manual::WriteText(text, page);
    EXPECT_EQ(text.str(),
        "usage: tool [-x] FILE\n\nFiles:\n  /etc/tool\n      Settings.\n\n      More.\n  tool -x .hidden\n");
    EXPECT_EQ(Roff(page),
        ".TH TOOL 1 \"\" \"Tool 1\" \"User Commands\"\n.SH NAME\ntool \\- does things\n.SH SYNOPSIS\n\\fBtool\\fR "
        "[\\-x] FILE\n.SH \"FILES\"\n.TP\n\\fB/etc/tool\\fR\nSettings.\n.IP\nMore.\n.PP\n.RS 4\n.nf\ntool \\-x "
        ".hidden\n.fi\n.RE\n");
}

TEST(CompletionTableTest, NamesEveryCommandWithItsOptionsAndOperands)
{
    std::ostringstream out;
    WriteCompletionTable(out, AllCommands());
    const std::string table = out.str();
    EXPECT_NE(table.find("'users add'"), std::string::npos);
    EXPECT_NE(table.find("['users add']='--full-name= --description= --group= --database-mode= --database-mask= "
                         "--help'"),
        std::string::npos);
    EXPECT_NE(table.find("['groups show']='--rows --help'"), std::string::npos);
    EXPECT_NE(table.find("['users add']='PATH NAME'"), std::string::npos);
}

} // namespace
} // namespace custodia::cli
