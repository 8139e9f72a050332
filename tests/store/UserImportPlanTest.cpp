#include "store/UserImportPlan.h"
#include "parsers/DelimitedText.h"
#include "store/UserColumns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace custodia {
namespace {

// The login path every case is checked against: groups 0 "Staff" and 7 "Readers", database slots 1
// and 3 (index 0 and 2) in the list, and the users "anna" (group 7) and "bert".
struct Stored {
    std::vector<UserEntry> users;
    std::vector<GroupEntry> groups { { 0, "Staff", "" }, { 7, "Readers", "" } };
    DatabaseList databases;

    Stored()
    {
        databases.SetPath(0, "/data/north");
        databases.SetPath(2, "/data/south");
        UserEntry anna;
        anna.user = UserRecord { 0, 0, "anna", "Anna Berg", "day shift", "secret", 7 };
        anna.access.userName = "anna";
        anna.access.SetOfficeSelectionEnabled(0, true);
        anna.access.SetOfficeAllowed(0, 4, true);
        UserEntry bert;
        bert.user = UserRecord { 0, 0, "bert", "", "", "pw", 0 };
        bert.access.userName = "bert";
        users = { anna, bert };
    }
};

std::vector<ImportLine> Lines(const std::string& csv)
{
    const delimited::Rows rows = delimited::Parse(csv, delimited::Format::Csv);
    EXPECT_FALSE(rows.error) << rows.error->reason;
    std::vector<ImportLine> lines;
    for (const delimited::Row& row : rows.rows)
        lines.push_back({ row.line, row.fields });
    return lines;
}

UserImportPlan Plan(const std::string& csv, UserImportOptions options = {})
{
    const Stored stored;
    return PlanUserImport(Lines(csv), stored.users, stored.groups, stored.databases, options);
}

struct BadLineCase {
    const char* what;
    std::string csv; // header and lines; the bad line is the last one
    const char* reason; // part of the reason given for it
};

class BadLineTest : public ::testing::TestWithParam<BadLineCase> { };

TEST_P(BadLineTest, IsReportedWithItsLineAndNothingIsPlanned)
{
    const UserImportPlan plan = Plan(GetParam().csv);
    ASSERT_EQ(plan.problems.size(), 1u);
    const size_t lastLine = Lines(GetParam().csv).back().line;
    EXPECT_EQ(plan.problems[0].line, lastLine);
    EXPECT_NE(plan.problems[0].reason.find(GetParam().reason), std::string::npos) << plan.problems[0].reason;
    EXPECT_FALSE(plan.IsGood());
}

const std::string kHeader = "name,group,password\n";

INSTANTIATE_TEST_SUITE_P(Lines, BadLineTest,
    ::testing::Values(BadLineCase { "duplicate", kHeader + "carl,0,pw\ncarl,7,pw\n", "on line 2 already" },
        BadLineCase { "unknown group", kHeader + "carl,5,pw\n", "group 5 is not a group" },
        BadLineCase { "group not a number", kHeader + "carl,x7,pw\n", "is not a number 0..255" },
        BadLineCase { "unknown group name", "name,group name,password\ncarl,Writers,pw\n", "named 'Writers'" },
        BadLineCase { "group name of another number", "name,group,group name,password\ncarl,0,Readers,pw\n",
            "is group 7, not 0" },
        BadLineCase { "outside the code page", kHeader + "\xCE\xA9mega,0,pw\n", "U+03A9" },
        BadLineCase { "not UTF-8", kHeader + "caf\xE9,0,pw\n", "Windows-1252 lacks" },
        // 22 characters of two UTF-8 bytes each are 22 stored bytes; 43 ASCII ones are too many.
        BadLineCase { "name too long", kHeader + std::string(43, 'n') + ",0,pw\n", "43 bytes long; at most 42" },
        BadLineCase { "full name too long in stored bytes",
            "name,full name,password\ncarl," + std::string(51, 'f') + ",pw\n", "51 bytes long; at most 50" },
        BadLineCase {
            "control character from a quoted line break", kHeader + "\"car\nl\",0,pw\n", "control character" },
        BadLineCase { "fields missing", kHeader + "carl,0\n", "has 2 fields; the header has 3" },
        BadLineCase { "empty name", kHeader + ",0,pw\n", "name is empty" },
        BadLineCase {
            "mask names an empty slot", "name,database mask,password\ncarl,2,pw\n", "database slot 2 is empty" },
        BadLineCase { "mask past the ten slots", "name,database mask,password\ncarl,1024,pw\n",
            "database slot 11 is not one of 1..10" },
        BadLineCase { "offices of an empty slot", "name,offices 2,password\ncarl,1,pw\n", "slot 2 is empty" },
        BadLineCase { "office out of range", "name,offices 1,password\ncarl,1-101,pw\n", "'1-101' in offices 1" },
        BadLineCase { "no password", "name\ncarl\n", "no password" },
        BadLineCase { "password outside the rule", kHeader + "carl,0,p\xC3\xA4ss\n", "printable ASCII" },
        BadLineCase { "existing user without --replace", kHeader + "anna,7,pw\n", "a user anna exists already" }),
    [](const ::testing::TestParamInfo<BadLineCase>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(UserImportPlanTest, NoReasonQuotesThePassword)
{
    const std::string secret = "Zq8\xC3\xA4-unique";
    const UserImportPlan plan = Plan("name,group,password\ncarl,0," + secret + "\n");
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_EQ(plan.problems[0].reason.find("Zq8"), std::string::npos) << plan.problems[0].reason;
}

TEST(UserImportPlanTest, OneBadLineAmongAThousandIsTheOnlyOneNamed)
{
    std::string csv = "name,group,password\n";
    for (int i = 0; i < 1000; ++i)
        csv += "user" + std::to_string(i) + "," + (i == 617 ? "9" : "7") + ",pw\n";
    const UserImportPlan plan = Plan(csv);
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_EQ(plan.problems[0].line, 619u); // the header is line 1
    EXPECT_EQ(plan.adds.size(), 999u);
}

TEST(UserImportPlanTest, HeaderFaultsAreOneProblemOfLineOne)
{
    for (const std::string header : { "name,colour\n", "full name,password\n", "name,group,Group\n" }) {
        const UserImportPlan plan = Plan(header + "carl,x\n");
        ASSERT_EQ(plan.problems.size(), 1u) << header;
        EXPECT_EQ(plan.problems[0].line, 1u);
    }
    EXPECT_EQ(Plan("").problems.size(), 1u);
}

TEST(UserImportPlanTest, AQuotedCsvWithAByteOrderMarkPlansItsUsers)
{
    const UserImportPlan plan = Plan("\xEF\xBB\xBF"
                                     "Name , description,password\r\n"
                                     "carl,\"He said \"\"hi\"\", twice\",pw\r\n"
                                     "\"M\xC3\xBCller\",,pw\r\n");
    ASSERT_TRUE(plan.IsGood()) << plan.problems[0].reason;
    ASSERT_EQ(plan.adds.size(), 2u);
    EXPECT_EQ(plan.adds[0].after.user.description, "He said \"hi\", twice");
    EXPECT_EQ(plan.adds[1].after.user.userName, "M\xFCller"); // stored in the code page
    EXPECT_EQ(plan.adds[1].line, 3u);
}

TEST(UserImportPlanTest, ExistingUsersAreReplacedLeftOrDeletedAsAsked)
{
    const std::string csv = "name,full name\nanna,Anna Berg\nbert,Bert Olsen\ncarl,New\n";
    UserImportOptions options;
    options.existing = ExistingUser::Replace;
    options.allowNoPassword = true;
    UserImportPlan plan = Plan(csv, options);
    ASSERT_TRUE(plan.IsGood());
    // anna is as stored: left; bert changes only his full name and keeps password and group.
    ASSERT_EQ(plan.leaves.size(), 1u);
    EXPECT_EQ(plan.leaves[0].before.user.userName, "anna");
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].after.user.password, "pw");
    EXPECT_EQ(ChangedUserFields(plan.changes[0]), std::vector<std::string> { "full name" });
    ASSERT_EQ(plan.adds.size(), 1u);

    options.existing = ExistingUser::Skip;
    options.deleteMissing = true;
    plan = Plan("name,password\nbert,new\n", options);
    ASSERT_TRUE(plan.IsGood());
    EXPECT_EQ(plan.leaves.size(), 1u);
    EXPECT_TRUE(plan.changes.empty());
    ASSERT_EQ(plan.deletes.size(), 1u);
    EXPECT_EQ(plan.deletes[0].before.user.userName, "anna");
}

TEST(UserImportPlanTest, AnEmptyNumberKeepsTheStoredValue)
{
    UserImportOptions options;
    options.existing = ExistingUser::Replace;
    const UserImportPlan plan = Plan("name,group,database mask,database mode\nanna,,,1\n", options);
    ASSERT_TRUE(plan.IsGood()) << plan.problems[0].reason;
    ASSERT_EQ(plan.changes.size(), 1u);
    EXPECT_EQ(plan.changes[0].after.user.groupNumber, 7);
    EXPECT_EQ(ChangedUserFields(plan.changes[0]), std::vector<std::string> { "database mode" });
}

struct OfficesCase {
    std::string text;
    std::string written; // as export writes it back
};

TEST(UserColumnsTest, OfficeTextsReadAndWriteTheSlot)
{
    const OfficesCase cases[] = {
        { "", "" }, // selection off
        { "none", "none" },
        { "NONE", "none" },
        { "5", "5" },
        { "3,1,2", "1-3" },
        { "1-3, 17 ,99-100", "1-3,17,99-100" },
        { "1-100", "1-100" },
    };
    for (const OfficesCase& office : cases) {
        UserAccessRecord access;
        access.SetOfficeAllowed(4, 50, true); // replaced, not added to
        ASSERT_FALSE(SetOfficesFromText(access, 4, office.text)) << office.text;
        EXPECT_EQ(OfficesText(access, 4), office.written) << office.text;
        EXPECT_EQ(access.IsOfficeSelectionEnabled(4), !office.text.empty());
    }
    for (const std::string bad : { "0", "101", "3-1", "1-", "x", "1,,2", "+4", "1 2" }) {
        UserAccessRecord access;
        access.SetOfficeSelectionEnabled(4, true);
        access.SetOfficeAllowed(4, 9, true);
        EXPECT_TRUE(SetOfficesFromText(access, 4, bad)) << bad;
        EXPECT_TRUE(access.IsOfficeAllowed(4, 9)) << "a refused text leaves the slot as it was: " << bad;
    }
}

TEST(UserColumnsTest, EveryExportedColumnIsReadBack)
{
    for (const UserColumnName& column : ExportedUserColumns()) {
        const auto found = FindUserColumn(" " + column.name + " ");
        ASSERT_TRUE(found) << column.name;
        EXPECT_EQ(found->slot, column.slot);
    }
    EXPECT_TRUE(FindUserColumn("password"));
}

} // namespace
} // namespace custodia
