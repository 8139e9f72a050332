#include "platform/SharedFile.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using test::ReadText;
using test::ScopedCurrentDirectory;
using test::TempDir;
using test::WriteText;

constexpr unsigned kReadShared = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;
constexpr unsigned kReadWriteExclusive = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary;

std::tm FixedTime()
{
    std::tm time {};
    time.tm_mday = 7;
    time.tm_mon = 2; // March
    time.tm_year = 2026 - 1900;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 3;
    return time;
}

// Runs in a temporary current directory (where the error log goes), with waits recorded instead of
// slept and the clock fixed.
class SharedFileTest : public ::testing::Test {
protected:
    SharedFileTest()
        : m_cwd(m_dir.path())
        , m_platform([this](int ms) { m_waits.push_back(ms); }, [] { return std::optional<std::tm>(FixedTime()); })
    {
    }

    std::string Log() const { return ReadText(m_dir.file(SharedFile::kErrorLogName)); }
    std::string ExpectedLine(const std::string& name, int tries, int cause) const
    {
        return "07/03/2026 09:05:03 " + ExecutablePath() + ": " + name + " (tries:" + std::to_string(tries)
            + " cause:" + std::to_string(cause) + ")\n";
    }

    TempDir m_dir;
    ScopedCurrentDirectory m_cwd;
    std::vector<int> m_waits;
    ScopedPlatformOverride m_platform;
};

TEST_F(SharedFileTest, MissingFileFailsAtOnceWithoutLogLine)
{
    SharedFile file;
    EXPECT_FALSE(file.OpenWithRetry(m_dir.file("absent.prf"), kReadShared));
    EXPECT_EQ(file.LastTries(), 1);
    EXPECT_EQ(file.LastCause(), kCauseFileNotFound);
    EXPECT_TRUE(m_waits.empty());
    EXPECT_FALSE(FileExists(m_dir.file(SharedFile::kErrorLogName)));
}

// A folder that is not there is not waited for: the person at the screen hears at once, and the log
// tells of the one try.
TEST_F(SharedFileTest, MissingFolderIsBadPathTriedOnce)
{
    WriteText(m_dir.file("plain-file"), "x");
    for (const std::string& name : { m_dir.file("no-such-folder/setup.prf"), m_dir.file("plain-file/setup.prf") }) {
        SharedFile file;
        EXPECT_FALSE(file.OpenWithRetry(name, kReadShared)) << name;
        EXPECT_EQ(file.LastTries(), 1) << name;
        EXPECT_EQ(file.LastCause(), kCauseBadPath) << name;
    }
    EXPECT_TRUE(m_waits.empty());
    EXPECT_EQ(Log(),
        ExpectedLine(m_dir.file("no-such-folder/setup.prf"), 1, kCauseBadPath)
            + ExpectedLine(m_dir.file("plain-file/setup.prf"), 1, kCauseBadPath));
}

// Each wait tells the limit of its own open: six tries for a bad path that is not a missing folder,
// sixty for a held file; a cancelled wait logs the tries it made.
TEST_F(SharedFileTest, WaitsTellTheirOwnLimitAndTheLogTheTriesMade)
{
    const std::string tooLong = m_dir.file(std::string(300, 'n') + "/setup.prf");
    const std::string held = m_dir.file("tessel.pwd");
    WriteText(held, "x");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(held, kReadWriteExclusive));

    struct LimitCase {
        std::string name;
        int cancelAfterWaits; // 0: never
        int tries;
        int limit;
        int cause;
    };
    const LimitCase cases[] = {
        { tooLong, 0, 6, 6, kCauseBadPath }, { held, 0, 60, 60, kCauseSharingViolation },
        { held, 10, 11, 60, kCauseSharingViolation }, // the eleventh try is not waited after
    };
    for (const LimitCase& c : cases) {
        std::vector<std::pair<int, int>> attempts;
        FileEnvironment environment;
        environment.sleep = [](int) {};
        environment.wait
            = [&](const OpenAttempt& attempt) { attempts.emplace_back(attempt.tries, attempt.triesAtMost); };
        environment.cancelled
            = [&] { return c.cancelAfterWaits > 0 && static_cast<int>(attempts.size()) == c.cancelAfterWaits; };
        const std::string logBefore = Log();
        SharedFile file(environment);
        EXPECT_FALSE(file.OpenWithRetry(c.name, kReadShared));
        EXPECT_EQ(file.LastTries(), c.tries);
        std::vector<std::pair<int, int>> expected;
        for (int tries = 1; tries <= (c.cancelAfterWaits > 0 ? c.cancelAfterWaits : c.tries); ++tries)
            expected.emplace_back(tries, c.limit);
        EXPECT_EQ(attempts, expected) << c.tries;
        EXPECT_EQ(file.LastOpenError().refusal == OpenError::Refusal::Cancelled, c.cancelAfterWaits > 0);
        EXPECT_EQ(Log(), logBefore + ExpectedLine(c.name, c.tries, c.cause));
    }
}

TEST_F(SharedFileTest, FileHeldExclusivelyIsSharingViolationTriedSixtyTimes)
{
    const std::string name = m_dir.file("tessel.pwd");
    WriteText(name, "x");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(name, kReadWriteExclusive));

    SharedFile reader;
    EXPECT_FALSE(reader.OpenWithRetry(name, kReadShared));
    EXPECT_EQ(reader.LastTries(), 60);
    EXPECT_EQ(reader.LastCause(), kCauseSharingViolation);
    EXPECT_EQ(m_waits.size(), 60u);
    EXPECT_EQ(Log(), ExpectedLine(name, 60, kCauseSharingViolation));

    holder.Close();
    m_waits.clear();
    EXPECT_TRUE(reader.OpenWithRetry(name, kReadShared));
    EXPECT_TRUE(m_waits.empty());
}

TEST_F(SharedFileTest, HolderLettingGoDuringRetriesIsOpenedWithoutLogLine)
{
    const std::string name = m_dir.file("setup.prf");
    WriteText(name, "x");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(name, kReadWriteExclusive));
    SetSleepFunction([&](int) {
        m_waits.push_back(0);
        if (m_waits.size() == 3)
            holder.Close();
    });
    SharedFile reader;
    EXPECT_TRUE(reader.OpenWithRetry(name, kReadShared));
    EXPECT_EQ(reader.LastTries(), 4);
    EXPECT_FALSE(FileExists(m_dir.file(SharedFile::kErrorLogName)));
}

TEST_F(SharedFileTest, SharedOpensDoNotConflictButExclusiveOnesDo)
{
    const std::string name = m_dir.file("view.prf");
    WriteText(name, "x");
    SharedFile first, second, writer;
    ASSERT_TRUE(first.OpenWithRetry(name, kReadShared));
    EXPECT_TRUE(second.OpenWithRetry(name, openflags::kReadWrite | openflags::kShareDenyNone));
    EXPECT_EQ(writer.OpenOnce(name, kReadWriteExclusive), kCauseSharingViolation);
}

TEST_F(SharedFileTest, RefusedCreatingOpenLeavesTheHeldFileIntact)
{
    const std::string name = m_dir.file("custo.cfg");
    WriteText(name, "records");
    SharedFile holder;
    ASSERT_TRUE(holder.OpenWithRetry(name, kReadWriteExclusive));
    SharedFile creator;
    EXPECT_EQ(creator.OpenOnce(name, openflags::kCreate | openflags::kReadWrite | openflags::kShareDenyNone),
        kCauseSharingViolation);
    EXPECT_EQ(ReadText(name), "records");
}

TEST_F(SharedFileTest, LogLineWithoutLocalTime)
{
    SetLocalTimeFunction([] { return std::nullopt; });
    EXPECT_EQ(FormatFileErrorLine("a", 6, 3), "00/00/0000 -1:-1:-1 " + ExecutablePath() + ": a (tries:6 cause:3)\n");
}

TEST_F(SharedFileTest, LogLinesAreAppended)
{
    SharedFile file;
    const std::string first = m_dir.file("x/a"), second = m_dir.file("y/b");
    file.OpenWithRetry(first, kReadShared);
    file.OpenWithRetry(second, kReadShared);
    EXPECT_EQ(Log(), ExpectedLine(first, 1, kCauseBadPath) + ExpectedLine(second, 1, kCauseBadPath));
}

TEST_F(SharedFileTest, FolderIsAnInvalidFileAndStopsAtOnce)
{
    SharedFile file;
    EXPECT_FALSE(file.OpenWithRetry(m_dir.path(), kReadShared));
    EXPECT_EQ(file.LastTries(), 1);
    EXPECT_EQ(file.LastCause(), kCauseInvalidFile);
    EXPECT_EQ(Log(), ExpectedLine(m_dir.path(), 1, kCauseInvalidFile));
}

TEST_F(SharedFileTest, ErrorsAfterOpenThrowWithCauseAndName)
{
    const std::string name = m_dir.file("read-only");
    WriteText(name, "abc");
    SharedFile file;
    ASSERT_TRUE(file.OpenWithRetry(name, kReadShared));
    try {
        file.Write("x", 1);
        FAIL() << "writing a read-only open must throw";
    } catch (const FileException& error) {
        EXPECT_EQ(error.fileName(), name);
        EXPECT_NE(error.cause(), kCauseNone);
    }
    EXPECT_THROW(file.Seek(-10, File::SeekFrom::Begin), FileException);
}

TEST_F(SharedFileTest, WritingToAFullDiskThrowsDiskFull)
{
    SharedFile file;
    if (!file.OpenWithRetry("/dev/full", openflags::kWrite | openflags::kShareDenyNone))
        GTEST_SKIP() << "no /dev/full here";
    try {
        const std::vector<char> data(4096, 'x');
        file.Write(data.data(), data.size());
        FAIL() << "a full disk must throw";
    } catch (const FileException& error) {
        EXPECT_EQ(error.cause(), kCauseDiskFull);
        EXPECT_EQ(error.fileName(), "/dev/full");
    }
}

TEST_F(SharedFileTest, TextReadDropsCarriageReturnsBeforeLineEnds)
{
    const std::string name = m_dir.file("help.eng");
    WriteText(name, "first\r\nsecond\nlast\r");
    SharedFile text, binary;
    ASSERT_TRUE(text.OpenWithRetry(name, kReadShared | openflags::kText));
    std::vector<std::string> lines;
    for (std::string line; text.ReadString(line);)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string> { "first", "second", "last\r" }));

    ASSERT_TRUE(binary.OpenWithRetry(name, kReadShared));
    std::string line;
    ASSERT_TRUE(binary.ReadString(line));
    EXPECT_EQ(line, "first\r");
}

TEST_F(SharedFileTest, CloseTwiceIsHarmless)
{
    WriteText(m_dir.file("f"), "x");
    SharedFile file;
    ASSERT_TRUE(file.Open(m_dir.file("f"), kReadShared));
    file.Close();
    file.Close();
    EXPECT_FALSE(file.IsOpen());
}

// A service on a worker thread brings its own environment: its reads, writes, waits and time stamps
// go to its own members, whatever another thread installs for the whole process meanwhile.
TEST_F(SharedFileTest, EnvironmentMembersServeTheirOwnThreadOnly)
{
    const std::string name = m_dir.file("held.prf");
    WriteText(name, "0123456789");
    SharedFile holder;
    ASSERT_TRUE(holder.Open(name, kReadWriteExclusive));

    struct Watched {
        int reads = 0;
        int writes = 0;
        std::vector<int> waits;
        FileEnvironment environment;
    };
    Watched worker;
    worker.environment.sleep = [&](int ms) { worker.waits.push_back(ms); };
    worker.environment.onRead = [&] { ++worker.reads; };
    worker.environment.beforeWrite = [&] { ++worker.writes; };
    worker.environment.localTime = [] {
        std::tm later = FixedTime();
        later.tm_year = 2030 - 1900;
        return std::optional<std::tm>(later);
    };

    ScopedReadCounter processReads;
    int processWrites = 0;
    SetFileWriteHook([&] { ++processWrites; });
    std::thread([&] {
        SharedFile file(worker.environment);
        EXPECT_FALSE(file.OpenWithRetry(name, kReadShared));
        holder.Close();
        ASSERT_TRUE(file.OpenWithRetry(name, kReadWriteExclusive));
        char bytes[4];
        EXPECT_EQ(file.Read(bytes, sizeof bytes), 4u);
        file.WriteAt(0, "ab", 2);
        file.SetLength(8);
    }).join();
    SetFileWriteHook({});

    EXPECT_EQ(worker.reads, 1);
    EXPECT_EQ(worker.writes, 2);
    EXPECT_EQ(worker.waits, std::vector<int>(SharedFile::kRetryBudget, SharedFile::kRetryWaitMilliseconds));
    EXPECT_EQ(processReads.Count(), 0u);
    EXPECT_EQ(processWrites, 0);
    EXPECT_TRUE(m_waits.empty());
    EXPECT_EQ(Log().substr(0, 20), "07/03/2030 09:05:03 ");
}

class MakeDirectoryPathTest : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(MakeDirectoryPathTest, ExistingFolderIsLeftUnchanged)
{
    const std::string path = m_dir.path() + "/";
    const Result<std::string> made = MakeDirectoryPath(path);
    ASSERT_TRUE(made.HasValue());
    EXPECT_EQ(*made, path);
}

TEST_F(MakeDirectoryPathTest, MissingLevelsAreCreatedAndThePathMadeCanonical)
{
    const Result<std::string> made = MakeDirectoryPath(m_dir.path() + "/a/./b//c/");
    ASSERT_TRUE(made.HasValue()) << DescribeFailure(made.Error());
    char* real = ::realpath((m_dir.path() + "/a/b/c").c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(*made, real);
    std::free(real);
}

TEST_F(MakeDirectoryPathTest, RefusedPaths)
{
    const std::vector<std::string> refused = { m_dir.path() + "/new/file.txt", "relative/folder", "" };
    for (const std::string& path : refused) {
        const Result<std::string> made = MakeDirectoryPath(path);
        ASSERT_FALSE(made.HasValue()) << path;
        EXPECT_EQ(made.Error().refusal, Failure::Refusal::BadValue) << path;
        EXPECT_EQ(made.Error().systemError, 0) << path;
    }
    EXPECT_FALSE(FileExists(m_dir.file("new")));
}

// The failure names the level that could not be made and the system's own error for it, so that
// nobody has to guess afterwards what stood in the way.
TEST_F(MakeDirectoryPathTest, LevelThatCannotBeMadeIsNamedWithItsError)
{
    WriteText(m_dir.file("plainfile"), "x");
    ASSERT_EQ(::symlink(m_dir.file("nowhere").c_str(), m_dir.file("dangling").c_str()), 0);
    const std::string longName(300, 'n');
    struct Case {
        std::string below; // the path below the temporary folder
        std::string failing; // the level the failure names
        int error;
    };
    const Case cases[] = {
        { "/plainfile/sub", "/plainfile", ENOTDIR },
        { "/dangling/sub", "/dangling", ENOTDIR },
        { "/ok/" + longName + "/sub", "/ok/" + longName, ENAMETOOLONG },
    };
    for (const Case& c : cases) {
        const Result<std::string> made = MakeDirectoryPath(m_dir.path() + c.below);
        ASSERT_FALSE(made.HasValue()) << c.below;
        const Failure& failure = made.Error();
        EXPECT_EQ(failure.fileName.Bytes(), m_dir.path() + c.failing) << c.below;
        EXPECT_EQ(failure.systemError, c.error) << c.below;
        EXPECT_EQ(failure.refusal, Failure::Refusal::None) << c.below;
        EXPECT_NE(DescribeFailure(failure).find(SystemErrorName(c.error)), std::string::npos)
            << DescribeFailure(failure);
    }
    EXPECT_FALSE(FileExists(m_dir.file("nowhere")));
}

} // namespace
} // namespace custodia
