#include "app/SharePoller.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace custodia::test {
namespace {

// A share whose files' stamps the test sets, and rounds that the test lets come back when it wants,
// as a slow share would: nothing here waits for a clock.
class SharePollerTest : public ::testing::Test {
protected:
    SharePollerTest()
        : m_poller(
            nullptr, [this](const std::string& path) { return Stat(path); },
            [this](const std::string&) { return m_kind; },
            [this](std::function<void()> round) { m_rounds.push_back(std::move(round)); })
    {
    }

    std::optional<FileStamp> Stat(const std::string& path)
    {
        ++m_stats;
        const auto found = m_files.find(path);
        return found != m_files.end() ? std::optional<FileStamp>(found->second) : std::nullopt;
    }

    // Runs the rounds that were started, as the worker would, and hands their results to the window.
    void FinishRounds()
    {
        std::vector<std::function<void()>> rounds = std::move(m_rounds);
        m_rounds.clear();
        for (const std::function<void()>& round : rounds)
            round();
        QCoreApplication::processEvents();
    }
    // One round as the timer would start it, done.
    void Round()
    {
        m_poller.RunRound();
        FinishRounds();
    }

    const std::string m_userFile = "/share/lp/tessel.pwd";
    std::map<std::string, FileStamp> m_files { { m_userFile, FileStamp { 7, 100, 1, 5, 1, 5 } } };
    std::optional<FileSystemKind> m_kind = FileSystemKind::Nfs;
    std::vector<std::function<void()>> m_rounds;
    int m_stats = 0;
    SharePoller m_poller;
};

TEST_F(SharePollerTest, AMovedStampRefreshesOnceAndAnUnchangedRoundDoesNot)
{
    struct Case {
        const char* name;
        std::function<void(FileStamp&)> change; // empty: the round finds everything as it was
        int refreshes;
    };
    const Case cases[] = {
        { "unchanged", {}, 0 },
        { "size", [](FileStamp& stamp) { stamp.size += 92; }, 1 },
        // Rewritten in place within the same second, to the same size.
        { "modification nanoseconds", [](FileStamp& stamp) { ++stamp.modifiedNanoseconds; }, 1 },
        { "replaced by another file", [](FileStamp& stamp) { ++stamp.inode; }, 1 },
        { "status changed", [](FileStamp& stamp) { ++stamp.changedSeconds; }, 1 },
    };
    QSignalSpy changed(&m_poller, &SharePoller::changed);
    m_poller.Watch(NativePath("/share/lp"));
    FinishRounds();
    ASSERT_TRUE(m_poller.IsPolling());
    EXPECT_EQ(changed.count(), 0) << "the first round only learns how the files stand";
    const int filesPerRound = m_stats;
    EXPECT_GE(filesPerRound, 14) << "the user file, the database list and the twelve profiles";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        changed.clear();
        if (c.change)
            c.change(m_files[m_userFile]);
        m_stats = 0;
        Round();
        EXPECT_EQ(m_stats, filesPerRound) << "one stat per file and round";
        EXPECT_EQ(changed.count(), c.refreshes);
        Round();
        EXPECT_EQ(changed.count(), c.refreshes) << "a change is told once";
    }
    changed.clear();
    m_files.erase(m_userFile);
    Round();
    EXPECT_EQ(changed.count(), 1) << "a file that went away";
}

TEST_F(SharePollerTest, RoundsComeOftenWhileActiveAndSeldomOtherwiseAndNeverOverlap)
{
    m_poller.Watch(NativePath("/share/lp"));
    FinishRounds();
    EXPECT_TRUE(m_poller.Timer().isActive());
    EXPECT_EQ(m_poller.Timer().interval(), SharePoller::kActiveIntervalMilliseconds);
    m_poller.SetWindowActive(false);
    Round();
    EXPECT_EQ(m_poller.Timer().interval(), SharePoller::kInactiveIntervalMilliseconds);

    // A share that does not answer: the next round waits for the one under way.
    m_poller.RunRound();
    m_poller.RunRound();
    EXPECT_EQ(m_rounds.size(), 1u);
    EXPECT_FALSE(m_poller.Timer().isActive());
    FinishRounds();
    EXPECT_TRUE(m_poller.Timer().isActive());
}

TEST_F(SharePollerTest, ALocalFolderIsLeftToTheKernelsNotification)
{
    struct Case {
        const char* name;
        std::optional<FileSystemKind> kind;
        bool polls;
    };
    const Case cases[] = {
        { "local", FileSystemKind::Local, false },
        { "smb", FileSystemKind::Smb, true },
        { "fuse", FileSystemKind::Fuse, true },
        // A folder whose file system cannot even be told may well be a share that went away.
        { "unknown", std::nullopt, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_kind = c.kind;
        m_poller.Watch(NativePath());
        m_poller.Watch(NativePath(std::string("/share/") + c.name));
        FinishRounds();
        EXPECT_EQ(m_poller.IsPolling(), c.polls);
        EXPECT_EQ(m_poller.Timer().isActive(), c.polls);
    }
}

TEST_F(SharePollerTest, ARoundOfAnotherLoginPathIsNotComparedWithThisOne)
{
    QSignalSpy changed(&m_poller, &SharePoller::changed);
    m_poller.Watch(NativePath("/share/lp"));
    FinishRounds();
    m_poller.RunRound();
    m_files[m_userFile].size += 1;
    m_poller.Watch(NativePath("/share/other"));
    FinishRounds(); // the old path's round comes back late
    FinishRounds();
    Round();
    EXPECT_EQ(changed.count(), 0) << "the new path's files were never seen to move";
    EXPECT_TRUE(m_poller.IsPolling());
}

} // namespace
} // namespace custodia::test
