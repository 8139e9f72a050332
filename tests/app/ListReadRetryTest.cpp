#include "app/ListReadRetry.h"
#include "platform/File.h"
#include "platform/SharedFile.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace custodia::test {
namespace {

// A file whose hold the test sets, and tries that come back when the test lets them, as a slow share
// would: nothing here waits for a clock.
class ListReadRetryTest : public ::testing::Test {
protected:
    ListReadRetryTest()
        : m_retry(
            nullptr,
            [this](const std::string& fileName) {
                m_tried.push_back(fileName);
                return m_free;
            },
            [this](std::function<void()> work) { m_tries.push_back(std::move(work)); })
    {
        m_retry.SetBusyCheck([this] { return m_busy; });
    }

    // Runs the tries that were started, as the worker would, and hands their results to the window.
    void FinishTries()
    {
        std::vector<std::function<void()>> tries = std::move(m_tries);
        m_tries.clear();
        for (const std::function<void()>& work : tries)
            work();
        QCoreApplication::processEvents();
    }
    // One try as the timer would start it, done.
    void Try()
    {
        m_retry.TryNow();
        FinishTries();
    }

    const NativePath m_file { std::string("/share/lp/tessel.pwd") };
    bool m_free = false;
    bool m_busy = false;
    std::vector<std::string> m_tried;
    std::vector<std::function<void()>> m_tries;
    ListReadRetry m_retry;
};

TEST_F(ListReadRetryTest, RefusedTriesWaitTwiceAsLongEachUpToTheLongestWait)
{
    QSignalSpy readable(&m_retry, &ListReadRetry::readable);
    m_retry.Watch(m_file);
    EXPECT_TRUE(m_retry.Timer().isActive());
    EXPECT_EQ(m_retry.Timer().interval(), 2000);
    for (const int next : { 4000, 8000, 16000, 30000, 30000 }) {
        Try();
        EXPECT_EQ(m_retry.Timer().interval(), next);
        EXPECT_TRUE(m_retry.Timer().isActive());
    }
    EXPECT_EQ(m_tried, std::vector<std::string>(5, m_file.Bytes()));
    EXPECT_EQ(readable.count(), 0);

    m_free = true;
    Try();
    EXPECT_EQ(readable.count(), 1);
    EXPECT_FALSE(m_retry.Timer().isActive()) << "the list is read now; the next try waits for its outcome";
}

TEST_F(ListReadRetryTest, AReadThatFailsAgainTriesLaterAndOneThatWorksStops)
{
    m_retry.Watch(m_file);
    m_free = true;
    Try();
    m_retry.Watch(m_file); // held again by the time the list was read
    EXPECT_TRUE(m_retry.Timer().isActive());
    EXPECT_EQ(m_retry.Timer().interval(), 4000);
    m_retry.Watch(m_file); // told again while it waits: the wait goes on as it was
    EXPECT_EQ(m_retry.Timer().interval(), 4000);

    m_retry.Watch(std::nullopt);
    EXPECT_FALSE(m_retry.IsTrying());
    EXPECT_FALSE(m_retry.Timer().isActive());
    m_retry.TryNow();
    EXPECT_TRUE(m_tries.empty());

    m_retry.Watch(m_file);
    EXPECT_EQ(m_retry.Timer().interval(), 2000) << "a new failure starts with the short wait";
}

TEST_F(ListReadRetryTest, WhileBusyATryWaitsAndAFreeFileIsNotReadUnderADialog)
{
    QSignalSpy readable(&m_retry, &ListReadRetry::readable);
    m_retry.Watch(m_file);
    m_busy = true;
    m_retry.TryNow();
    EXPECT_TRUE(m_tries.empty()) << "no try while the console is at its files";
    EXPECT_TRUE(m_retry.Timer().isActive());

    m_busy = false;
    m_free = true;
    m_retry.TryNow();
    m_busy = true; // a dialog opened while the try ran
    FinishTries();
    EXPECT_EQ(readable.count(), 0);
    EXPECT_TRUE(m_retry.Timer().isActive());

    m_busy = false;
    Try();
    EXPECT_EQ(readable.count(), 1);
}

TEST_F(ListReadRetryTest, ATryOfAnotherFileIsNotTakenForThisOne)
{
    QSignalSpy readable(&m_retry, &ListReadRetry::readable);
    m_retry.Watch(m_file);
    m_free = true;
    m_retry.TryNow();
    m_retry.TryNow();
    EXPECT_EQ(m_tries.size(), 1u) << "one try at a time";
    m_retry.Watch(NativePath(std::string("/share/other/tessel.pwd")));
    FinishTries(); // the old file's try comes back late
    EXPECT_EQ(readable.count(), 0);
    EXPECT_TRUE(m_retry.Timer().isActive());
    Try();
    EXPECT_EQ(readable.count(), 1);
    EXPECT_EQ(m_tried.back(), "/share/other/tessel.pwd");
}

// The tries are made as often as the list waits, for as long as the file is held: each is one open,
// and none leaves a line in the error log.
TEST(ReaderCanOpenTest, TellsAHeldFileFromAFreeOrMissingOneWithoutLogging)
{
    TempDir dir;
    ScopedCurrentDirectory cwd(dir.path());
    const std::string file = dir.file("tessel.pwd");
    WriteText(file, "x");
    {
        SharedFile holder;
        ASSERT_TRUE(
            holder.OpenWithRetry(file, openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary));
        EXPECT_FALSE(ReaderCanOpen(file));
    }
    EXPECT_TRUE(ReaderCanOpen(file));
    EXPECT_TRUE(ReaderCanOpen(dir.file("gone.pwd")));
    EXPECT_FALSE(std::filesystem::exists(dir.file(SharedFile::kErrorLogName)));
}

} // namespace
} // namespace custodia::test
