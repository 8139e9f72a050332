#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileStore.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RightsTable.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <set>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using test::ReadBytes;
using test::TempDir;

constexpr int kProcesses = 4;
constexpr int kGroupsPerProcess = 30;
constexpr int kUsersPerProcess = 2 * kGroupsPerProcess; // a group saved after every second user

std::string UserName(int process, int index)
{
    return "user" + std::to_string(process) + "_" + std::to_string(index);
}

// One program of the suite: adds its users and saves its groups into the shared login path, riding out
// the others' exclusive opens with the retry policy as a real program would.
int RunWriter(const std::string& loginPath, int process)
{
    // The others hold the files for a moment (a group save holds all twelve while it flushes them): a
    // shorter wait between tries than the real half second keeps the test quick.
    SetSleepFunction([](int) { ::usleep(100 * 1000); });
    const PasswordFileStore passwords { NativePath(loginPath) };
    const ProfileStore profiles { NativePath(loginPath) };
    RightsTable table;
    for (int i = 0; i < kUsersPerProcess; ++i) {
        const std::string name = UserName(process, i);
        const UserRecord user { 0, 0, name, "Full " + name, "desc", "secret", static_cast<uint8_t>(process) };
        if (!passwords.SaveUser(name, SaveMode::CreateOrReplace, [&](UserEntry& entry) {
                entry = UserEntry { user, {} };
            }))
            return 1;
        if (i % 2 == 0) {
            const int group = process * kGroupsPerProcess + i / 2;
            table.Set(kProgramSetup, group % 45, 1);
            const Result<bool> saved
                = profiles.ChangeGroup(static_cast<uint8_t>(group), "Group " + std::to_string(group),
                    SaveMode::CreateOrReplace, [&](int program, std::span<unsigned char> rights) {
                        const RightsTable::Row& row = *table.GetRow(program);
                        std::copy(row.begin(), row.end(), rights.begin());
                    });
            if (!saved || !*saved)
                return 2;
            // A save holds all twelve files while it flushes them; opens that find a file held try
            // again only after a pause, so a program saving back to back without one would keep the
            // others out. No supervisor saves groups that fast.
            ::usleep(200 * 1000);
        }
    }
    return 0;
}

uint32_t InUseRecords(const std::vector<unsigned char>& file)
{
    uint32_t inUse = 0;
    for (size_t offset = passwordfile::kHeaderSize; offset + passwordfile::kRecordSize <= file.size();
         offset += passwordfile::kRecordSize) {
        const uint8_t type = file[offset + passwordfile::kRecordTypeOffset];
        inUse += type == passwordfile::kUserRecordType || type == passwordfile::kAccessRecordType;
    }
    return inUse;
}

// Several processes add users to one "tessel.pwd" and save groups into one login path's profile files
// at the same time. Afterwards nothing is lost and every file is sound.
TEST(ConcurrentWritersTest, ProgramsWritingAtOnceLoseNothing)
{
    TempDir dir;
    test::ScopedCurrentDirectory cwd(dir.path());
    ASSERT_TRUE(PasswordFileStore(NativePath(dir.path())).Create());

    std::vector<pid_t> writers;
    for (int process = 0; process < kProcesses; ++process) {
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(RunWriter(dir.path(), process));
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
    }

    std::set<std::string> names;
    const Result<std::vector<UserEntry>> users = PasswordFileStore(NativePath(dir.path())).LoadUsers();
    ASSERT_TRUE(users);
    for (const UserEntry& entry : *users)
        names.insert(entry.user.userName);
    for (int process = 0; process < kProcesses; ++process)
        for (int i = 0; i < kUsersPerProcess; ++i)
            EXPECT_TRUE(names.count(UserName(process, i))) << UserName(process, i);
    EXPECT_EQ(names.size(), size_t { kProcesses * kUsersPerProcess });

    const auto file = ReadBytes(dir.file(passwordfile::kFileName));
    PasswordFileHeaderBytes headerBytes {};
    std::copy_n(file.begin(), headerBytes.size(), headerBytes.begin());
    EXPECT_EQ(PasswordFileHeader::Decode(headerBytes).recordCount, InUseRecords(file));

    for (const ProfileFile& profile : kProfileFiles) {
        SharedFile opened;
        ASSERT_TRUE(opened.Open(dir.file(profile.fileName), openflags::kRead | openflags::kShareDenyNone));
        EXPECT_EQ(VerifyRecordFile(opened), recordfile::kVerifyOk) << profile.fileName;
    }
    const size_t groups = ProfileStore(NativePath(dir.path())).LoadGroupList().value.size();
    EXPECT_EQ(groups, size_t { kProcesses * kGroupsPerProcess });
    std::cout << "[ figures ] " << kProcesses << " processes, " << kProcesses * kUsersPerProcess << " users added, "
              << kProcesses * kGroupsPerProcess << " groups saved into 12 profile files; " << names.size()
              << " users and " << groups << " groups found\n";
}

} // namespace
} // namespace custodia
