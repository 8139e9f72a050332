#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/AccountService.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "support/KillAtWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;

UserEntry User(const std::string& name, uint8_t group = 0, const std::string& password = "pw")
{
    UserEntry entry;
    entry.user = UserRecord { 1, 5, name, "Full " + name, "about " + name, password, group };
    entry.access.userName = name;
    entry.access.SetOfficeSelectionEnabled(1, true);
    entry.access.SetOfficeAllowed(1, 3, true);
    return entry;
}

Result<UserBatch> Accept(UserBatch batch)
{
    return batch;
}

// Two login paths made alike: one changed by the batch, one by the single-user operations that every
// program of ours has used so far. The batch must leave the very bytes they leave.
class PasswordFileBatchTest : public ::testing::Test {
protected:
    std::string Path(const char* which) const { return m_dir.file(which); }
    std::string FileOf(const char* which) const { return PasswordFilePath(Path(which)); }
    PasswordFileStore Store(const char* which) const { return PasswordFileStore(NativePath(Path(which))); }

    void MakeBoth(const std::function<void(const PasswordFileStore&)>& setUp)
    {
        for (const char* which : { "batch", "single" }) {
            ASSERT_EQ(::mkdir(Path(which).c_str(), 0755), 0);
            setUp(Store(which));
        }
    }

    void ApplyBoth(const UserBatch& batch)
    {
        ASSERT_TRUE(Store("batch").ApplyUserBatch([&](const std::vector<UserEntry>&) { return Accept(batch); }));
        const PasswordFileStore single = Store("single");
        if (!batch.deletes.empty())
            static_cast<void>(single.DeleteUsers(batch.deletes));
        for (const UserEntry& entry : batch.saves)
            ASSERT_TRUE(single.SaveUser(
                entry.user.userName, SaveMode::CreateOrReplace, [&](UserEntry& stored) { stored = entry; }));
    }

    test::TempDir m_dir;
};

struct LayoutCase {
    const char* what;
    std::vector<std::string> before; // users saved first
    std::vector<std::string> deletedBefore; // then deleted, leaving free slots
    UserBatch batch;
};

class BatchLayoutTest : public PasswordFileBatchTest, public ::testing::WithParamInterface<LayoutCase> { };

TEST_P(BatchLayoutTest, LeavesTheBytesThatSavingOneUserAtATimeLeaves)
{
    const LayoutCase& layout = GetParam();
    MakeBoth([&](const PasswordFileStore& store) {
        for (const std::string& name : layout.before)
            ASSERT_TRUE(store.SaveUser(name, SaveMode::CreateOnly, [](UserEntry& e) { e.user.password = "x"; }));
        if (!layout.deletedBefore.empty()) {
            ASSERT_TRUE(store.DeleteUsers(layout.deletedBefore));
        }
    });
    ApplyBoth(layout.batch);
    EXPECT_EQ(test::ReadBytes(FileOf("batch")), test::ReadBytes(FileOf("single")));
    const auto users = Store("batch").LoadUsers();
    ASSERT_TRUE(users);
}

INSTANTIATE_TEST_SUITE_P(Files, BatchLayoutTest,
    ::testing::Values(LayoutCase { "into_a_missing_file", {}, {}, { { User("a"), User("b"), User("c") }, {} } },
        LayoutCase { "replacing_in_place", { "a", "b" }, {}, { { User("b", 7), User("a", 3) }, {} } },
        LayoutCase { "into_freed_slots_then_the_end", { "a", "b", "c" }, { "b" }, { { User("d"), User("e") }, {} } },
        LayoutCase { "deleting_and_adding", { "a", "b", "c" }, {}, { { User("d") }, { "a", "c" } } },
        LayoutCase { "a_name_cut_to_its_field", {}, {}, { { User(std::string(45, 'n')) }, {} } }),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(PasswordFileBatchTest, WritesTheFileOnceAndAKillLeavesItOldOrNew)
{
    MakeBoth([](const PasswordFileStore& store) {
        ASSERT_TRUE(store.SaveUser("keep", SaveMode::CreateOnly, [](UserEntry& e) { e.user.password = "k"; }));
    });
    UserBatch batch;
    for (int i = 0; i < 1000; ++i)
        batch.saves.push_back(User("user" + std::to_string(i)));
    batch.deletes = { "keep" };
    const Bytes old = test::ReadBytes(FileOf("batch"));
    const auto import = [&] {
        static_cast<void>(Store("batch").ApplyUserBatch([&](const std::vector<UserEntry>&) { return Accept(batch); }));
    };
    // One write: a kill before it leaves the file as it was, none after it is possible.
    EXPECT_EQ(test::RunKilledAtWrite(import, 0), 1);
    const Bytes imported = test::ReadBytes(FileOf("batch"));
    EXPECT_NE(imported, old);
    test::WriteBytes(FileOf("batch"), old);
    EXPECT_EQ(test::RunKilledAtWrite(import, 1), -1);
    EXPECT_EQ(test::ReadBytes(FileOf("batch")), old);
    {
        // The whole file in one read of its length and one that finds its end.
        const ScopedReadCounter reads;
        import();
        EXPECT_LE(reads.Count(), 2u);
    }
    EXPECT_EQ(test::ReadBytes(FileOf("batch")), imported);
}

TEST_F(PasswordFileBatchTest, ARefusedBatchWritesNothing)
{
    MakeBoth([](const PasswordFileStore& store) {
        ASSERT_TRUE(store.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry& e) { e.user.password = "a"; }));
    });
    const Bytes old = test::ReadBytes(FileOf("batch"));
    std::vector<UserEntry> seen;
    const Status refused
        = Store("batch").ApplyUserBatch([&](const std::vector<UserEntry>& stored) -> Result<UserBatch> {
              seen = stored;
              return Refused(Failure::Refusal::AlreadyExists, "the users could not be saved", {}, "no");
          });
    ASSERT_FALSE(refused);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].user.password, "a");
    EXPECT_EQ(test::ReadBytes(FileOf("batch")), old);
}

TEST_F(PasswordFileBatchTest, AFileThatIsNoPasswordFileIsRefusedUnchanged)
{
    ASSERT_EQ(::mkdir(Path("batch").c_str(), 0755), 0);
    for (const Bytes& damaged : { Bytes(20, 'x'), Bytes(54 + 206, 'x') }) {
        test::WriteBytes(FileOf("batch"), damaged);
        const Status applied = Store("batch").ApplyUserBatch([](const std::vector<UserEntry>&) {
            return Accept({ { User("a") }, {} });
        });
        ASSERT_FALSE(applied);
        EXPECT_EQ(applied.Error().refusal, Failure::Refusal::Damaged);
        EXPECT_EQ(test::ReadBytes(FileOf("batch")), damaged);
    }
}

TEST_F(PasswordFileBatchTest, AnImportIsPlannedOnWhatTheHeldFileHolds)
{
    ASSERT_EQ(::mkdir(Path("batch").c_str(), 0755), 0);
    const AccountService service { NativePath(Path("batch")) };
    const auto planner = [](const std::vector<UserEntry>& stored) {
        UserImportPlan plan;
        for (const UserEntry& entry : stored) {
            PlannedUser changed { 2, entry, entry };
            changed.after.user.fullName = "seen " + entry.user.description;
            plan.changes.push_back(changed);
        }
        plan.adds.push_back({ 3, {}, User("carl") });
        return plan;
    };
    const auto refusing = [](const std::vector<UserEntry>&) {
        UserImportPlan plan;
        plan.adds.push_back({ 2, {}, User("dora") });
        plan.problems.push_back({ 4, "bad" });
        return plan;
    };

    // Refused into a login path without the file: no file is left behind.
    const auto refused = service.ImportUsers(refusing);
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->IsGood());
    EXPECT_FALSE(FileExists(FileOf("batch")));

    ASSERT_TRUE(service.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry& e) { e.user.description = "early"; }));
    // Another program's change after a list was read is what the plan is made on.
    ASSERT_TRUE(service.SaveUser("anna", SaveMode::ReplaceOnly, [](UserEntry& e) { e.user.description = "moved"; }));
    const auto imported = service.ImportUsers(planner);
    ASSERT_TRUE(imported);
    ASSERT_TRUE(imported->IsGood());
    const auto users = *service.LoadUsers();
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].user.fullName, "seen moved");
    EXPECT_EQ(users[1], User("carl"));

    const Bytes before = test::ReadBytes(FileOf("batch"));
    ASSERT_TRUE(service.ImportUsers(refusing));
    EXPECT_EQ(test::ReadBytes(FileOf("batch")), before);
}

TEST_F(PasswordFileBatchTest, AnImportCancelledWhileItsListIsCheckedWritesNothing)
{
    ASSERT_EQ(::mkdir(Path("batch").c_str(), 0755), 0);
    FileEnvironment environment;
    bool cancelled = false;
    environment.cancelled = [&cancelled] { return cancelled; };
    const AccountService service { NativePath(Path("batch")), environment };
    // The person gives up while the plan is made, after the file is held.
    const auto planner = [&cancelled](const std::vector<UserEntry>&) {
        cancelled = true;
        UserImportPlan plan;
        plan.adds.push_back({ 2, {}, User("dora") });
        return plan;
    };

    const auto intoMissing = service.ImportUsers(planner);
    ASSERT_FALSE(intoMissing);
    EXPECT_EQ(intoMissing.Error().refusal, Failure::Refusal::Cancelled);
    EXPECT_FALSE(FileExists(FileOf("batch")));

    cancelled = false;
    ASSERT_TRUE(service.SaveUser("anna", SaveMode::CreateOnly, [](UserEntry&) {}));
    const Bytes before = test::ReadBytes(FileOf("batch"));
    const auto intoStored = service.ImportUsers(planner);
    ASSERT_FALSE(intoStored);
    EXPECT_EQ(intoStored.Error().refusal, Failure::Refusal::Cancelled);
    EXPECT_EQ(test::ReadBytes(FileOf("batch")), before);
}

} // namespace
} // namespace custodia
