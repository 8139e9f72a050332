#include "platform/Endian.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/RecordFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::TempDir;

constexpr uint8_t kGroupKind = 82;

// A record whose bytes all follow from its first four, so a record mixed from two writes shows.
Bytes PatternRecord(uint32_t sequence, size_t length)
{
    Bytes data(length);
    WriteUint32LE(data.data(), sequence);
    for (size_t i = 4; i < length; ++i)
        data[i] = static_cast<unsigned char>(sequence * 7 + i);
    return data;
}

bool IsWholePattern(const Bytes& data)
{
    return data.size() >= 4 && data == PatternRecord(ReadUint32LE(data.data()), data.size());
}

// Runs a function in a child process and returns its exit status, or -1 if it died of a signal.
template <typename Function> int RunInChild(Function function)
{
    const pid_t child = ::fork();
    if (child == 0) {
        int status = 1;
        try {
            status = function();
        } catch (...) {
            status = 99;
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RecordFileFaultTest : public ::testing::Test {
protected:
    RecordFileFaultTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    std::string Name() const { return m_dir.file("setup.prf"); }

    void Write(uint8_t subKind, const Bytes& data, bool replace = true)
    {
        ASSERT_TRUE(m_records.WriteRecord(Name(), kGroupKind, subKind, data, replace).HasValue());
    }

    // A write that hits the file-size limit part way, in a child so the limit stays there. Returns the
    // cause the child saw.
    int WriteWithSpaceFor(size_t spareBytes, uint8_t subKind, const Bytes& data)
    {
        const size_t limit = ReadBytes(Name()).size() + spareBytes;
        return RunInChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize { limit, limit };
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            try {
                static_cast<void>(RecordFile().WriteRecord(Name(), kGroupKind, subKind, data, true));
            } catch (const FileException& error) {
                return error.cause();
            }
            return 0;
        });
    }

    TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    RecordFile m_records;
};

TEST_F(RecordFileFaultTest, WriteThatRunsOutOfSpaceLeavesTheFileAsItWas)
{
    Write(1, PatternRecord(1, 600));
    Write(2, PatternRecord(2, 1200));
    const Bytes before = ReadBytes(Name());

    struct Case {
        uint8_t subKind;
        size_t length;
        const char* what;
    };
    const Case cases[]
        = { { 3, 1200, "a new record appended" }, { 1, 1200, "a record of another length superseded and appended" } };
    for (const Case& c : cases) {
        for (size_t spare : { size_t { 0 }, size_t { 3 }, size_t { 700 } }) {
            EXPECT_EQ(WriteWithSpaceFor(spare, c.subKind, PatternRecord(9, c.length)), kCauseDiskFull) << c.what;
            EXPECT_EQ(ReadBytes(Name()), before) << c.what << ", room for " << spare << " bytes";
        }
    }
}

// Kills a writer at arbitrary points of its changes, many times, and counts what the file looked like
// afterwards to its next reader, which plays back the journal of a change cut short. The file must
// always read whole, never damaged and never holding a record mixed from two writes.
TEST_F(RecordFileFaultTest, KilledWritersNeverLeaveAVerifyingFileWithWrongData)
{
    constexpr int kKills = 150;
    Write(0, PatternRecord(0, 1200));
    std::mt19937 random(12345);
    int verifiedWhole = 0, damaged = 0, verifiedMixed = 0;

    for (int kill = 0; kill < kKills; ++kill) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t writer = ::fork();
        if (writer == 0) {
            ::close(progress[0]);
            RecordFile records;
            for (uint32_t sequence = 1;; ++sequence) {
                // Same-length replacements go in place; every fifth one changes length and moves.
                const size_t length = sequence % 5 == 0 ? 600 + sequence % 7 : 1200;
                const Bytes data = PatternRecord(sequence, length);
                static_cast<void>(records.WriteRecord(
                    Name(), kGroupKind, static_cast<uint8_t>(sequence % 3), std::span(data).first(length), true));
                const char tick = 1;
                if (::write(progress[1], &tick, 1) != 1)
                    ::_exit(0);
            }
        }
        ::close(progress[1]);
        const int ticks = 1 + static_cast<int>(random() % 20);
        char tick;
        for (int i = 0; i < ticks && ::read(progress[0], &tick, 1) == 1; ++i) { }
        for (unsigned spin = random() % 200000; spin > 0; --spin)
            std::atomic_signal_fence(std::memory_order_seq_cst); // a busy wait the compiler keeps
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
        ::close(progress[0]);

        if (!InspectRecordFile(Name()).WasRead()) {
            ++damaged;
            Write(0, PatternRecord(0, 1200)); // a change re-seals, so the next round starts clean
            continue;
        }
        bool whole = true;
        for (uint8_t subKind = 0; subKind < 3; ++subKind) {
            Bytes buffer(1200);
            const size_t got = m_records.ReadRecord(Name(), kGroupKind, subKind, std::span(buffer).first(1200), true);
            buffer.resize(got);
            if (got > 0 && !IsWholePattern(buffer))
                whole = false;
        }
        ++(whole ? verifiedWhole : verifiedMixed);
    }
    std::cout << "[ figures ] " << kKills << " kills: " << verifiedWhole << " verified with whole records, " << damaged
              << " reported damaged, " << verifiedMixed << " verified with mixed records\n";
    EXPECT_EQ(verifiedMixed, 0);
    EXPECT_EQ(damaged, 0);
    EXPECT_EQ(verifiedWhole, kKills);
}

} // namespace
} // namespace custodia
