#include "store/OutsideChanges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace custodia {
namespace {

constexpr long long kSeenAt = 1765417603LL; // 2025-12-11T01:46:43Z
const TrailChange kSeen { "seen at", "", "2025-12-11T01:46:43Z" };

UserEntry User(const std::string& name, const std::string& fullName = "", uint8_t group = 1)
{
    UserEntry entry;
    entry.user.userName = name;
    entry.user.fullName = fullName;
    entry.user.groupNumber = group;
    entry.user.password = "secret";
    return entry;
}

TEST(OutsideChangesTest, UsersAddedChangedAndDeletedEachGetOneLine)
{
    UserEntry bobNow = User("bob", "Bob Hill", 2);
    bobNow.user.password = "Hunter22";
    UserEntry cyNow = User("cy");
    cyNow.access.SetOfficeSelectionEnabled(0, true);
    cyNow.access.SetOfficeAllowed(0, 3, true);
    const std::vector<UserEntry> before { User("ann"), User("bob", "Bob"), User("cy"), User("dee") };
    const std::vector<UserEntry> now { User("eve", "Eve \xE9"), bobNow, User("ann"), cyNow };

    const std::vector<TrailEntry> lines = OutsideUserChanges(before, now, kSeenAt);

    ASSERT_EQ(lines.size(), 4U);
    for (const TrailEntry& line : lines) {
        EXPECT_EQ(line.action, kChangedOutsideAction);
        EXPECT_EQ(line.changes.front(), kSeen);
        EXPECT_TRUE(line.time.empty()) << "the writer stamps the line";
        for (const TrailChange& change : line.changes)
            EXPECT_EQ((change.before + change.after).find("Hunter22"), std::string::npos);
    }
    EXPECT_EQ(lines[0].object, "user eve");
    EXPECT_EQ(lines[0].changes[1], (TrailChange { "user", "", "added" }));
    EXPECT_EQ(lines[0].changes[2], (TrailChange { "full name", "", "Eve \xC3\xA9" })) << "stored texts read as UTF-8";
    EXPECT_EQ(lines[1].object, "user bob");
    EXPECT_EQ(std::vector(lines[1].changes.begin() + 1, lines[1].changes.end()),
        (std::vector<TrailChange> {
            { "full name", "Bob", "Bob Hill" }, { "group", "1", "2" }, { "password", "", "set" } }));
    EXPECT_EQ(lines[2].object, "user cy");
    EXPECT_EQ(lines[2].changes[1].before, "all");
    EXPECT_EQ(lines[2].changes[1].after, "3");
    EXPECT_EQ(lines[3].object, "user dee");
    EXPECT_EQ(lines[3].changes, (std::vector<TrailChange> { kSeen, { "user", "", "deleted" } }));
}

TEST(OutsideChangesTest, NothingDifferentGivesNoLine)
{
    const std::vector<UserEntry> users { User("ann"), User("bob") };
    EXPECT_TRUE(OutsideUserChanges(users, users, kSeenAt).empty());
    EXPECT_TRUE(OutsideUserChanges({}, {}, kSeenAt).empty());
    const std::vector<GroupEntry> groups { { 1, "Supervisors", "all" } };
    EXPECT_TRUE(OutsideGroupListChanges(groups, groups, kSeenAt).empty());
    const GroupRights rights { "Supervisors", {} };
    EXPECT_TRUE(OutsideGroupChanges(1, rights, rights, {}, kSeenAt).empty());
    EXPECT_TRUE(OutsideGroupChanges(1, std::nullopt, std::nullopt, {}, kSeenAt).empty());
}

TEST(OutsideChangesTest, ANameStoredTwiceCountsByItsLastRecord)
{
    const std::vector<UserEntry> before { User("ann", "Old"), User("ann", "Ann") };
    const std::vector<UserEntry> now { User("ann", "Ann") };
    EXPECT_TRUE(OutsideUserChanges(before, now, kSeenAt).empty());
}

TEST(OutsideChangesTest, GroupListCreatedRenamedAndDeleted)
{
    const std::vector<GroupEntry> before { { 1, "Supervisors", "" }, { 2, "Staff", "" } };
    const std::vector<GroupEntry> now { { 1, "Chiefs", "plant" }, { 3, "Night", "" } };

    const std::vector<TrailEntry> lines = OutsideGroupListChanges(before, now, kSeenAt);

    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].object, "group 001 Chiefs");
    EXPECT_EQ(lines[0].changes,
        (std::vector<TrailChange> { kSeen, { "name", "Supervisors", "Chiefs" }, { "description", "", "plant" } }));
    EXPECT_EQ(lines[1].object, "group 003 Night");
    EXPECT_EQ(
        lines[1].changes, (std::vector<TrailChange> { kSeen, { "group", "", "created" }, { "name", "", "Night" } }));
    EXPECT_EQ(lines[2].object, "group 002 Staff");
    EXPECT_EQ(lines[2].changes, (std::vector<TrailChange> { kSeen, { "group", "", "deleted" } }));
}

TEST(OutsideChangesTest, RightsGrantedAndRevokedByName)
{
    GroupRights before { "Staff", {} };
    before.rights.Set(0, 4, 1);
    before.rights.Set(3, 9, 2);
    GroupRights now = before;
    now.rights.Set(0, 4, 0);
    now.rights.Set(11, 999, 1);
    now.rights.Set(3, 9, 5);
    const RightNamer namer
        = [](int program, int position) { return "p" + std::to_string(program) + "." + std::to_string(position); };

    const std::vector<TrailEntry> lines = OutsideGroupChanges(2, before, now, namer, kSeenAt);

    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].object, "group 002 Staff");
    EXPECT_EQ(lines[0].changes,
        (std::vector<TrailChange> {
            kSeen, { "right", "p0.4", "" }, { "p3.9", "2", "5" }, { "right", "", "p11.999" } }));

    const std::vector<TrailEntry> created = OutsideGroupChanges(2, std::nullopt, now, {}, kSeenAt);
    ASSERT_EQ(created.size(), 1U);
    EXPECT_EQ(created[0].changes[1], (TrailChange { "group", "", "created" }));
    EXPECT_EQ(created[0].changes.back(), (TrailChange { "right", "", DefaultRightName(11, 999) }));
    const std::vector<TrailEntry> deleted = OutsideGroupChanges(2, before, std::nullopt, namer, kSeenAt);
    ASSERT_EQ(deleted.size(), 1U);
    EXPECT_EQ(deleted[0].changes, (std::vector<TrailChange> { kSeen, { "group", "", "deleted" } }));
}

} // namespace
} // namespace custodia
