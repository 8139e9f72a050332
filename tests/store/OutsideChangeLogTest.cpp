#include "store/OutsideChangeLog.h"
#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/AuditTrail.h"
#include "store/OutsideChanges.h"
#include "store/ProfileStore.h"
#include "store/TrailExplanations.h"
#include "support/StoredAccounts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace custodia {
namespace {

using test::TempDir;

constexpr long long kNow = 1765417603LL; // 2025-12-11T01:46:43Z
const TrailChange kSeen { "seen at", "", "2025-12-11T01:46:43Z" };

TrailOptions ConsoleOptions()
{
    TrailOptions options;
    options.actor = { "plant-pc", "operator", "ann", "console" };
    options.clock = [] { return kNow; };
    return options;
}

// The changes of a line after its "seen at".
std::vector<TrailChange> ChangesAfterSeen(const TrailEntry& line)
{
    EXPECT_EQ(line.changes.front(), kSeen);
    return std::vector(line.changes.begin() + 1, line.changes.end());
}

// A login path with users ann and bob and group 4 "Operators", written as another program of the
// suite writes them (no trail line), then read as the console shows it.
class OutsideChangeLogTest : public ::testing::Test {
protected:
    OutsideChangeLogTest()
    {
        AddOutside("ann", "Ann");
        AddOutside("bob", "Bob");
        SetRightOutside(4, "Operators", kProgramSetup, 2, 1);
        m_last = ReadAccountSnapshot(Path(), FileEnvironment::System());
    }

    NativePath Path() const { return NativePath(m_dir.path()); }

    void AddOutside(const std::string& name, const std::string& fullName)
    {
        const UserRecord user { 0, 0, name, fullName, "", "secret", 4 };
        ASSERT_TRUE(test::StoreUser(m_dir.path(), user));
    }
    void SetRightOutside(int group, const std::string& name, int program, int position, uint8_t value)
    {
        ASSERT_TRUE(ProfileStore(Path()).ChangeGroup(static_cast<uint8_t>(group), name, SaveMode::CreateOrReplace,
            [&](int changed, std::span<unsigned char> rights) {
                if (changed == program)
                    rights[static_cast<size_t>(position)] = value;
            }));
    }
    AccountService Console() const { return AccountService(Path(), ConsoleOptions()); }

    size_t Note()
    {
        const Result<size_t> noted = NoteOutsideChanges(Path(), m_last, ConsoleOptions(), FileEnvironment::System());
        EXPECT_TRUE(noted) << (noted ? "" : DescribeFailure(noted.Error()));
        return noted ? *noted : 0;
    }
    std::vector<TrailEntry> OutsideLines() const
    {
        std::vector<TrailEntry> lines;
        const Result<TrailCheck> trail = ReadTrail(Path());
        EXPECT_TRUE(trail && trail->IsSound());
        for (const TrailEntry& line : trail ? trail->entries : std::vector<TrailEntry> {})
            if (line.action == kChangedOutsideAction)
                lines.push_back(line);
        return lines;
    }

    TempDir m_dir;
    AccountSnapshot m_last;
};

TEST_F(OutsideChangeLogTest, AnotherProgramsChangeIsNotedOnceAndTheNextLookFindsNothing)
{
    AddOutside("cy", "Cy Hill");

    EXPECT_EQ(Note(), 1U);
    EXPECT_EQ(Note(), 0U);
    const std::vector<TrailEntry> lines = OutsideLines();
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].object, "user cy");
    EXPECT_EQ(lines[0].time, "2025-12-11T01:46:43Z");
    EXPECT_EQ(lines[0].actor.program, "console");
    EXPECT_EQ(ChangesAfterSeen(lines[0]),
        (std::vector<TrailChange> { { "user", "", "added" }, { "full name", "", "Cy Hill" }, { "group", "0", "4" },
            { "password", "", "set" } }));
}

// The console's own lines, custodiactl's and those of every other console account for what they did;
// what another program changed beside them in the same user or group is still noted, alone.
TEST_F(OutsideChangeLogTest, ChangesOfOurOwnProgramsAreLeftOutAndTheRestIsNoted)
{
    ASSERT_TRUE(Console().SaveUser("ann", SaveMode::ReplaceOnly, [](UserEntry& entry) {
        entry.user.fullName = "Ann Smith";
        entry.user.password = "Hunter22";
    }));
    ASSERT_TRUE(
        Console().SaveUser("bob", SaveMode::ReplaceOnly, [](UserEntry& entry) { entry.user.userName = "rob"; }));
    ASSERT_TRUE(Console().ChangeGroup(9, "Night", SaveMode::CreateOnly,
        [](int program, std::span<unsigned char> rights) { rights[0] = program == kProgramSetup ? 1 : 0; }));
    ASSERT_TRUE(Console().ChangeGroup(4, "Operators", SaveMode::ReplaceOnly,
        [](int program, std::span<unsigned char> rights) { rights[5] = program == kProgramView ? 1 : 0; }));
    // Another program, between the console's changes: ann's description, and a right of group 4.
    UserEntry ann = test::StoredUsers(m_dir.path()).front();
    ann.user.description = "night shift";
    ASSERT_TRUE(test::StoreUser(m_dir.path(), ann));
    SetRightOutside(4, "Operators", kProgramDownload, 1, 1);

    EXPECT_EQ(Note(), 2U);
    const std::vector<TrailEntry> lines = OutsideLines();
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0].object, "user ann");
    EXPECT_EQ(ChangesAfterSeen(lines[0]), (std::vector<TrailChange> { { "description", "", "night shift" } }));
    EXPECT_EQ(lines[1].object, "group 004 Operators");
    EXPECT_EQ(ChangesAfterSeen(lines[1]), (std::vector<TrailChange> { { "right", "", "download.prf right 1" } }));
}

TEST_F(OutsideChangeLogTest, AGroupMadeByAnotherProgramIsOneLineWithItsRights)
{
    SetRightOutside(12, "Audit", kProgramView, 3, 1);
    ASSERT_EQ(Note(), 1U);
    const TrailEntry line = OutsideLines().at(0);
    EXPECT_EQ(line.object, "group 012 Audit");
    EXPECT_EQ(ChangesAfterSeen(line),
        (std::vector<TrailChange> {
            { "group", "", "created" }, { "name", "", "Audit" }, { "right", "", "view.prf right 3" } }));
}

// A trail that cannot take the lines keeps what was read before: the next look notes the change.
TEST_F(OutsideChangeLogTest, ATrailThatCannotBeWrittenFailsAndTheNextLookNotesTheChange)
{
    const std::string trail = m_dir.file(audittrail::kFileName);
    std::filesystem::create_directory(trail);
    AddOutside("cy", "");
    const Result<size_t> refused = NoteOutsideChanges(Path(), m_last, ConsoleOptions(), FileEnvironment::System());
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.Error().fileName.Bytes(), trail);

    std::filesystem::remove(trail);
    EXPECT_EQ(Note(), 1U);
    EXPECT_EQ(OutsideLines().at(0).object, "user cy");
}

// A share that fell away leaves its folder empty: its accounts were not deleted, and nothing is noted.
TEST_F(OutsideChangeLogTest, FilesThatAreGoneTellOfNoDeletedAccounts)
{
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path()))
        std::filesystem::remove(entry.path());
    EXPECT_EQ(Note(), 0U);
    EXPECT_TRUE(OutsideLines().empty());
}

struct ExplanationCase {
    const char* name;
    TrailEntry line; // written by one of our programs between the two reads
    TrailEntry difference; // what the reads differ in, after its "seen at"
    std::vector<std::string> left; // the fields still unexplained
};

class TrailExplanationsTest : public ::testing::TestWithParam<ExplanationCase> { };

TEST_P(TrailExplanationsTest, LeavesOutWhatTheLineAccountsFor)
{
    TrailEntry difference = GetParam().difference;
    difference.action = kChangedOutsideAction;
    difference.changes.insert(difference.changes.begin(), kSeen);
    const std::optional<TrailEntry> left = TrailExplanations({ GetParam().line }).Unexplained(difference);
    std::vector<std::string> fields;
    if (left)
        for (const TrailChange& change : ChangesAfterSeen(*left))
            fields.push_back(change.field + (change.field == "right" ? " " + change.before + change.after : ""));
    EXPECT_EQ(fields, GetParam().left);
}

TrailEntry Line(const char* action, const char* object, std::vector<TrailChange> changes = {})
{
    TrailEntry line;
    line.action = action;
    line.object = object;
    line.changes = std::move(changes);
    return line;
}

const ExplanationCase kExplanations[] = {
    { "FieldsOfTheLineOnly", Line("user changed", "user ann", { { "full name", "Ann", "Ann Smith" } }),
        Line("", "user ann", { { "full name", "Ann", "Ann Smith" }, { "description", "", "night" } }),
        { "description" } },
    { "PasswordSet", Line("password set", "user ann"), Line("", "user ann", { { "password", "", "set" } }), {} },
    { "OtherUser", Line("user changed", "user ann", { { "full name", "", "A" } }),
        Line("", "user anna", { { "full name", "", "A" } }), { "full name" } },
    // A rename reads as the old name gone and the new one come.
    { "RenamedUserNewName", Line("user renamed", "user bob", { { "name", "bob", "rob" } }),
        Line("", "user rob", { { "user", "", "added" }, { "full name", "", "Bob" } }), {} },
    { "OneRightOfTwo", Line("right granted", "group 004 Operators", { { "right", "", "Export" } }),
        Line("", "group 004 Operators", { { "right", "", "Export" }, { "right", "Alarms", "" } }), { "right Alarms" } },
    // A group is one whatever its name: the line names it by its new name, the difference by either.
    { "GroupByNumber", Line("group changed", "group 004 Shift", { { "name", "Operators", "Shift" } }),
        Line("", "group 004 Operators", { { "name", "Operators", "Shift" } }), {} },
    { "AddedAccountsForAll", Line("user added", "user cy"),
        Line("", "user cy", { { "user", "", "added" }, { "group", "0", "4" } }), {} },
    // Another console noted it already.
    { "NotedByAnotherConsole", Line(kChangedOutsideAction, "user cy", { kSeen, { "user", "", "deleted" } }),
        Line("", "user cy", { { "user", "", "deleted" } }), {} },
    { "AddedIsNotAFieldChange", Line("user changed", "user cy", { { "user", "", "x" } }),
        Line("", "user cy", { { "user", "", "added" } }), { "user" } },
};

INSTANTIATE_TEST_SUITE_P(Lines, TrailExplanationsTest, ::testing::ValuesIn(kExplanations),
    [](const ::testing::TestParamInfo<ExplanationCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace custodia
