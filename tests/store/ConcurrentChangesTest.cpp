#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/OfficeNameList.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/Session.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace custodia {
namespace {

using test::TempDir;

constexpr int kRounds = 100;

// Each process counts its own changes in a field of its own of a shared file; each change reads the
// count, adds one and writes it back. A change made from a stale read would set the other process's
// count back, so every count ends at kRounds only if no change was lost.
struct ChangeCase {
    const char* name;
    // Adds one to the count of process `process` (0 or 1); false if the change failed.
    std::function<bool(const std::string& folder, int process)> increment;
    std::function<int(const std::string& folder, int process)> count;
};

int Number(const std::string& text)
{
    return text.empty() ? 0 : std::stoi(text);
}

// The count of a group's rights: eight positions of one program's row as a binary number.
constexpr int kCountBits = 8;
int RightsProgram(int process)
{
    return process == 0 ? kProgramSetup : kProgramView;
}

std::vector<ChangeCase> ChangeCases()
{
    return {
        { "different database slots",
            [](const std::string& folder, int process) {
                const Result<bool> changed = DatabaseListStore(NativePath(folder))
                                                 .Change(
                                                     [&](DatabaseList& list) {
                                                         list.SetDescription(process,
                                                             std::to_string(Number(list.GetDescription(process)) + 1));
                                                         return true;
                                                     },
                                                     {});
                return changed && *changed;
            },
            [](const std::string& folder, int process) {
                DatabaseList list;
                static_cast<void>(DatabaseListStore(NativePath(folder)).Load(list));
                return Number(list.GetDescription(process));
            } },
        { "different offices",
            [](const std::string& folder, int process) {
                const int office = process + 1;
                const std::string fileName = OfficeNameList(folder).GetFileName();
                const Result<bool> changed = RecordFile().ChangeRecord(fileName, officenames::kKind,
                    officenames::kSubKind, officenames::kSize, [&](std::span<unsigned char> data) {
                        const size_t at
                            = static_cast<size_t>(office - 1) * officenames::kEntrySize + officenames::kNameOffset;
                        const std::string name = reinterpret_cast<const char*>(data.data() + at);
                        const std::string next = std::to_string(Number(name) + 1);
                        std::copy(next.begin(), next.end(), data.begin() + static_cast<ptrdiff_t>(at));
                        return true;
                    });
                return changed && *changed;
            },
            [](const std::string& folder, int process) {
                return Number(OfficeNameList(folder).GetName(process + 1));
            } },
        { "different rights of one group",
            [](const std::string& folder, int process) {
                const int program = RightsProgram(process);
                const Result<bool> changed = ProfileStore(NativePath(folder))
                                                 .ChangeGroup(7, "Shared", SaveMode::CreateOrReplace,
                                                     [&](int changed, std::span<unsigned char> rights) {
                                                         if (changed != program)
                                                             return;
                                                         int count = 0;
                                                         for (int bit = 0; bit < kCountBits; ++bit)
                                                             count |= rights[static_cast<size_t>(bit)] << bit;
                                                         ++count;
                                                         for (int bit = 0; bit < kCountBits; ++bit)
                                                             rights[static_cast<size_t>(bit)]
                                                                 = static_cast<unsigned char>((count >> bit) & 1);
                                                     });
                return changed && *changed;
            },
            [](const std::string& folder, int process) {
                Session session;
                session.LoadGroupRights(ProfileStore(NativePath(folder)), 7);
                int count = 0;
                for (int bit = 0; bit < kCountBits; ++bit)
                    count |= session.HasRight(RightsProgram(process), bit) << bit;
                return count;
            } },
    };
}

class ConcurrentChangesTest : public ::testing::TestWithParam<ChangeCase> { };

TEST_P(ConcurrentChangesTest, TwoProgramsChangingOneFileLoseNothing)
{
    const ChangeCase& c = GetParam();
    TempDir dir;
    std::vector<pid_t> children;
    for (int process = 0; process < 2; ++process) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            SetSleepFunction([](int) { ::usleep(50 * 1000); });
            for (int round = 0; round < kRounds; ++round) {
                if (!c.increment(dir.path(), process))
                    ::_exit(1);
                // Opens that find the file held try again only after a pause: a program changing it
                // back to back without one would keep the other out until its tries ran out.
                ::usleep(20 * 1000);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": a change failed";
    }
    int lost = 0;
    for (int process = 0; process < 2; ++process) {
        const int count = c.count(dir.path(), process);
        lost += kRounds - count;
    }
    std::cout << "[ figures ] " << c.name << ": 2 processes x " << kRounds << " changes, " << lost << " lost\n";
    EXPECT_EQ(lost, 0);
}

INSTANTIATE_TEST_SUITE_P(SharedFiles, ConcurrentChangesTest, ::testing::ValuesIn(ChangeCases()),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

} // namespace
} // namespace custodia
