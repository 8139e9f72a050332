#include "store/GroupImportPlan.h"
#include "parsers/DelimitedText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace custodia {
namespace {

// Two names of setup's rights, one name that two of download's positions share and one with the
// separator in it.
const std::vector<RightName> kNames {
    { kProgramSetup, 0, "Run Setup" },
    { kProgramSetup, 3, "Add loggers" },
    { kProgramDownload, 1, "Twice" },
    { kProgramDownload, 2, "Twice" },
    { kProgramDownload, 4, "a; b" },
};

std::vector<ImportLine> Lines(const std::string& csv)
{
    const delimited::Rows rows = delimited::Parse(csv, delimited::Format::Csv);
    std::vector<ImportLine> lines;
    for (const delimited::Row& row : rows.rows)
        lines.push_back({ row.line, row.fields });
    return lines;
}

GroupImportPlan Plan(const std::string& body, UserImportOptions options = {})
{
    const std::vector<GroupEntry> stored { { 7, "Readers", "" } };
    return PlanGroupImport(Lines("group,name,program,rights\n" + body), stored, kNames, options);
}

TEST(GroupListTest, RightsAreWrittenByNameAndReadBack)
{
    struct Case {
        int program;
        std::vector<int> granted;
        std::string text;
    };
    const Case cases[] = {
        { kProgramSetup, {}, "" },
        { kProgramSetup, { 0, 3, 44 }, "Run Setup; Add loggers; #44" },
        { kProgramDownload, { 1, 2, 4 }, "#1; #2; #4" }, // shared names and the separator are not used
        { kProgramConvert, { 0 }, "#0" },
    };
    for (const Case& right : cases) {
        RightsTable::Row row {};
        for (const int position : right.granted)
            row[static_cast<size_t>(position)] = 1;
        row[900] = 1; // past every row length: never written
        EXPECT_EQ(RightsText(right.program, row, kNames), right.text);
        RightsTable::Row read {};
        read.fill(1);
        ASSERT_FALSE(SetRightsFromText(right.program, right.text, kNames, read)) << right.text;
        for (size_t position = 0; position < kProfileFiles[static_cast<size_t>(right.program)].rowLength; ++position)
            EXPECT_EQ(read[position], row[position]) << right.text << " at " << position;
    }
    const std::pair<int, std::string> bad[]
        = { { kProgramDownload, "Twice" }, { kProgramSetup, "#45" }, { kProgramSetup, "#-1" }, { kProgramSetup, "#x" },
              { kProgramSetup, "run setup" }, { kProgramView, "Run Setup" } };
    for (const auto& [program, text] : bad) {
        RightsTable::Row row {};
        EXPECT_TRUE(SetRightsFromText(program, text, kNames, row)) << text;
    }
}

TEST(GroupListTest, EveryBadLineIsNamed)
{
    struct Case {
        std::string body;
        size_t line;
        const char* reason;
    };
    const Case cases[] = {
        { "300,Big,setup,\n", 2, "not a number 0..255" },
        { "5,,setup,\n", 2, "the name is empty" },
        { "5,\xCE\xA9,setup,\n", 2, "U+03A9" },
        { "5," + std::string(100, 'g') + ",setup,\n", 2, "100 bytes long; at most 99" },
        { "5,Five,paint,\n", 2, "'paint' is not one of the twelve programs" },
        { "5,Five,setup,Fly\n", 2, "'Fly' is not a right of setup" },
        { "5,Five,setup,\n5,Five,setup,\n", 3, "has a line for setup already" },
        { "5,Five,setup,\n5,Six,view,\n", 3, "named otherwise on line 2" },
        { "7,Readers,setup,\n", 2, "group 7 exists already" },
        { "5,Five,setup\n", 2, "has 3 fields" },
    };
    for (const Case& bad : cases) {
        const GroupImportPlan plan = Plan(bad.body);
        ASSERT_EQ(plan.problems.size(), 1u) << bad.body;
        EXPECT_EQ(plan.problems[0].line, bad.line) << bad.body;
        EXPECT_NE(plan.problems[0].reason.find(bad.reason), std::string::npos) << plan.problems[0].reason;
    }
    EXPECT_EQ(PlanGroupImport(Lines("group,name,program\n"), {}, kNames, {}).problems.size(), 1u);
}

TEST(GroupListTest, AGroupsLinesMakeOnePlannedGroup)
{
    UserImportOptions options;
    options.existing = ExistingUser::Replace;
    options.deleteMissing = true;
    GroupImportPlan plan = Plan("5,Five,setup,Run Setup\n5,Five,convert,#0\n7,Readers,view,\n", options);
    ASSERT_TRUE(plan.IsGood()) << plan.problems[0].reason;
    ASSERT_EQ(plan.adds.size(), 1u);
    const PlannedGroup& five = plan.adds[0];
    EXPECT_EQ(five.number, 5);
    EXPECT_EQ((*five.rows[kProgramSetup])[0], 1);
    EXPECT_EQ((*five.rows[kProgramConvert])[0], 1);
    EXPECT_FALSE(five.rows[kProgramView]) << "a program the list leaves out is kept as stored";
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_TRUE(plan.deletes.empty());

    plan = Plan("5,Five,setup,\n", options);
    ASSERT_EQ(plan.deletes.size(), 1u);
    EXPECT_EQ(plan.deletes[0].groupNumber, 7);
}

} // namespace
} // namespace custodia
