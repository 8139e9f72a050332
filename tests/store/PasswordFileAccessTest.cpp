#include "platform/Endian.h"
#include "platform/Platform.h"
#include "store/FileReadResult.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "support/StoredAccounts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

constexpr size_t kHeader = 54;
constexpr size_t kRecord = 206;

uint32_t RecordCount(const Bytes& file)
{
    return ReadUint32LE(file.data() + 50);
}

Bytes Header(uint32_t count)
{
    PasswordFileHeader header;
    header.recordCount = count;
    const PasswordFileHeaderBytes bytes = header.Encode();
    return Bytes(bytes.begin(), bytes.end());
}

void Append(Bytes& file, const PasswordFileRecord& record)
{
    file.insert(file.end(), record.begin(), record.end());
}

Bytes RecordAt(const Bytes& file, size_t index)
{
    const auto begin = file.begin() + static_cast<std::ptrdiff_t>(kHeader + index * kRecord);
    return Bytes(begin, begin + static_cast<std::ptrdiff_t>(kRecord));
}

UserEntry User(const std::string& name)
{
    return UserEntry { UserRecord { 0, 0, name, "Full " + name, "Desc", "secret", 1 }, {} };
}

class PasswordFileAccessTest : public ::testing::Test {
protected:
    PasswordFileAccessTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    const std::string& LoginPath() const { return m_dir.path(); }
    std::string PasswordPath() const { return m_dir.file("tessel.pwd"); }

    // A file of many users, each followed by its access record, written in one go.
    void WriteUsers(int count) const
    {
        Bytes file = Header(static_cast<uint32_t>(2 * count));
        for (int i = 0; i < count; ++i) {
            const UserEntry entry = User("user" + std::to_string(i));
            Append(file, entry.user.Encode());
            Append(file, UserAccessRecord { entry.user.userName, {} }.Encode());
        }
        WriteBytes(PasswordPath(), file);
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    PasswordFileStore m_store { NativePath(m_dir.path()) };
};

// Listing thousands of users must not cost one system call per record: every operation reads the file
// whole in a few large reads and never again.
TEST_F(PasswordFileAccessTest, EachOperationReadsTheFileInAFewLargeReads)
{
    constexpr size_t kFewReads = 3;
    WriteUsers(500);
    const std::vector<std::pair<const char*, std::function<void()>>> operations {
        { "LoadUsers", [&] { EXPECT_EQ(m_store.LoadUsers()->size(), 500u); } },
        { "FindUser", [&] { EXPECT_TRUE(m_store.FindUser("user499").WasFound()); } },
        { "SaveUser new", [&] { EXPECT_TRUE(test::StoreUser(LoginPath(), User("newcomer"))); } },
        { "SaveUser replacing", [&] { EXPECT_TRUE(test::StoreUser(LoginPath(), User("user250"))); } },
        { "DeleteUser", [&] { EXPECT_EQ(m_store.DeleteUser("user499", "Full user499", "Desc").Value(), 2); } },
    };
    for (const auto& [name, operation] : operations) {
        ScopedReadCounter reads;
        operation();
        EXPECT_LE(reads.Count(), kFewReads) << name;
    }
}

// Listing for people streams the file in pieces of many records, and deleting by name reads it once.
TEST_F(PasswordFileAccessTest, ListingAndDeletingByNameReadTheFileInAFewLargeReads)
{
    WriteUsers(500);
    size_t listed = 0;
    {
        ScopedReadCounter reads;
        EXPECT_TRUE(m_store.ForEachUser([&](const UserRecord&) { ++listed; }));
        EXPECT_LE(reads.Count(), 3u);
    }
    EXPECT_EQ(listed, 500u);
    ScopedReadCounter reads;
    EXPECT_EQ(m_store.DeleteUserRecords("user7").Value(), 2);
    EXPECT_LE(reads.Count(), 3u);
}

// A name whose user record is gone but whose access record stayed behind is no user to delete by name.
TEST_F(PasswordFileAccessTest, DeletingByNameNeedsAUserOfThatName)
{
    Bytes file = Header(1);
    Append(file, UserAccessRecord { "ghost", {} }.Encode());
    WriteBytes(PasswordPath(), file);
    const Result<int> freed = m_store.DeleteUserRecords("ghost");
    ASSERT_TRUE(freed);
    EXPECT_EQ(*freed, 0);
    EXPECT_EQ(ReadBytes(PasswordPath()), file);
    std::filesystem::create_directory(m_dir.file("empty"));
    const Result<int> none = PasswordFileStore(NativePath(m_dir.file("empty"))).DeleteUserRecords("ghost");
    ASSERT_FALSE(none);
    EXPECT_EQ(ReadResultOf(none.Error()).status, FileReadStatus::Missing);
}

// A type byte that is neither user, free nor access may be a peer's intact user with one byte damaged:
// a new user goes into a freed slot or at the end, never over it.
TEST_F(PasswordFileAccessTest, OnlyFreedSlotsAreReused)
{
    Bytes file = Header(1);
    PasswordFileRecord damaged = User("kept").user.Encode();
    damaged[0] = 7;
    Append(file, damaged);
    PasswordFileRecord freed = User("gone").user.Encode();
    freed[0] = passwordfile::kFreeRecordType;
    Append(file, freed);
    WriteBytes(PasswordPath(), file);

    ASSERT_TRUE(test::StoreUser(LoginPath(), User("anna")));
    const Bytes saved = ReadBytes(PasswordPath());
    EXPECT_EQ(RecordAt(saved, 0), Bytes(damaged.begin(), damaged.end()));
    EXPECT_EQ(RecordAt(saved, 1)[0], passwordfile::kUserRecordType);
    EXPECT_EQ(saved.size(), kHeader + 3 * kRecord);
    EXPECT_EQ(RecordAt(saved, 2)[0], passwordfile::kAccessRecordType);
}

// The count is what the records say after the change, whatever the header said before: a damaged
// count of 0xFFFFFFFF must not wrap to 0, which would let the console start without a log-on.
TEST_F(PasswordFileAccessTest, TheRecordCountIsRecountedNeverWrapped)
{
    WriteUsers(1);
    Bytes file = ReadBytes(PasswordPath());
    WriteUint32LE(file.data() + 50, 0xFFFFFFFFu);
    WriteBytes(PasswordPath(), file);

    ASSERT_TRUE(test::StoreUser(LoginPath(), User("anna")));
    EXPECT_EQ(RecordCount(ReadBytes(PasswordPath())), 4u);
    ASSERT_EQ(m_store.DeleteUser("user0", "Full user0", "Desc").Value(), 2);
    EXPECT_EQ(RecordCount(ReadBytes(PasswordPath())), 2u);
}

// What a program leaves that died creating the file: it holds no user, so a writer gives it its header.
TEST_F(PasswordFileAccessTest, AnEmptyFileIsGivenItsHeader)
{
    WriteBytes(PasswordPath(), {});
    ASSERT_TRUE(test::StoreUser(LoginPath(), User("anna")));
    const Bytes saved = ReadBytes(PasswordPath());
    ASSERT_EQ(saved.size(), kHeader + 2 * kRecord);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + kHeader), Header(2));
    EXPECT_TRUE(m_store.FindUser("anna").WasFound());
}

// Two programs changing one user at once: each change reads the stored user inside the open that
// writes it, so neither overwrites the other's with what it read before.
// Every change that reports success is kept. A change may still be refused when the other process holds
// the file through all its tries (as under a sanitizer's slow timing); that one says so and is not counted.
TEST_F(PasswordFileAccessTest, ConcurrentUpdatesOfOneUserLoseNothing)
{
    constexpr uint32_t kRounds = 100;
    ASSERT_TRUE(test::StoreUser(LoginPath(), User("anna")));
    std::vector<pid_t> children;
    for (int process = 0; process < 2; ++process) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SetSleepFunction([](int) { ::usleep(10000); });
            int failures = 0;
            for (uint32_t i = 0; i < kRounds; ++i)
                failures += !PasswordFileStore(NativePath(LoginPath()))
                                 .SaveUser("anna", SaveMode::CreateOrReplace,
                                     [](UserEntry& entry) { ++entry.user.databaseMask; })
                                 .HasValue();
            ::_exit(failures);
        }
        children.push_back(child);
    }
    uint32_t refused = 0;
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        refused += static_cast<uint32_t>(WEXITSTATUS(status));
    }
    const FoundUser found = m_store.FindUser("anna");
    EXPECT_EQ(found.entry.user.databaseMask, 2 * kRounds - refused);
    EXPECT_EQ(found.entry.user.fullName, "Full anna");
}

} // namespace
} // namespace custodia
