#include "store/AuditTrail.h"
#include "platform/Platform.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace custodia {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

TrailEntry Entry(const std::string& action, const std::string& object, std::vector<TrailChange> changes = {})
{
    TrailEntry entry;
    StampTrailEntry(entry, 1765417603); // 2025-12-11T01:46:43Z
    entry.actor = { "plant-pc", "supervisor", "ann", "custodiactl" };
    entry.action = action;
    entry.object = object;
    entry.changes = std::move(changes);
    return entry;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start + 1));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

class AuditTrailTest : public ::testing::Test {
protected:
    void Append(TrailEntry entry) { ASSERT_TRUE(AppendToTrail(NativePath(m_dir.path()), entry)); }
    std::string TrailFile() const { return m_dir.file(audittrail::kFileName); }

    void AppendThree()
    {
        Append(Entry("user added", "user ann"));
        // A C1 control character (U+009E) reads back as it was, not as a lone byte.
        Append(Entry(
            "user changed", "user ann\twith a tab", { { "description", "Lab", "Office M\xC3\xBCller\xC2\x9E" } }));
        Append(Entry("password set", "user ann"));
    }

    TempDir m_dir;
};

TEST_F(AuditTrailTest, LinesReadBackAsWrittenEachChainedToTheOneBefore)
{
    AppendThree();
    const Result<TrailCheck> read = ReadTrail(NativePath(m_dir.path()));
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->IsSound()) << read->problem;
    ASSERT_EQ(read->entries.size(), 3U);
    const TrailEntry& changed = read->entries[1];
    EXPECT_EQ(changed.time, "2025-12-11T01:46:43Z");
    EXPECT_EQ(changed.actor.machine, "plant-pc");
    EXPECT_EQ(changed.actor.consoleUser, "ann");
    EXPECT_EQ(changed.object, "user ann\twith a tab");
    ASSERT_EQ(changed.changes.size(), 1U);
    EXPECT_EQ(changed.changes[0], (TrailChange { "description", "Lab", "Office M\xC3\xBCller\xC2\x9E" }));
    EXPECT_EQ(changed.line, 2U);
    EXPECT_EQ(read->lastHash, read->entries[2].hash);
    // Readable with standard tools: one line per change, the action a field of its own.
    const std::vector<std::string> lines = Lines(ReadText(TrailFile()));
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(
        lines[1].find("\tuser changed\tuser ann\\twith a tab\tdescription: Lab \xE2\x86\x92 Office"), std::string::npos)
        << lines[1];
}

TEST_F(AuditTrailTest, AnEditedRemovedInsertedMovedOrCutLineBreaksTheChainThere)
{
    AppendThree();
    const std::vector<std::string> lines = Lines(ReadText(TrailFile()));
    std::string edited = lines[1];
    edited[edited.find("Lab")] = 'X';
    struct Case {
        const char* what;
        std::string text;
        size_t brokenLine;
    };
    const std::string& cut = lines[2];
    for (const Case& c : {
             Case { "edited", Joined({ lines[0], edited, lines[2] }), 2 },
             Case { "removed", Joined({ lines[0], lines[2] }), 2 },
             Case { "inserted", Joined({ lines[0], lines[0], lines[1], lines[2] }), 2 },
             Case { "moved", Joined({ lines[0], lines[2], lines[1] }), 2 },
             Case { "first removed", Joined({ lines[1], lines[2] }), 1 },
             Case { "cut short", Joined({ lines[0], lines[1] }) + cut.substr(0, cut.size() / 2), 3 },
             Case { "not a trail line", Joined({ lines[0], "hello\n", lines[1] }), 2 },
         }) {
        const TrailCheck check = CheckTrail(c.text);
        ASSERT_FALSE(check.IsSound()) << c.what;
        EXPECT_EQ(*check.brokenLine, c.brokenLine) << c.what;
        EXPECT_EQ(check.entries.size(), c.brokenLine - 1) << c.what;
        EXPECT_FALSE(check.problem.empty()) << c.what;
    }
}

TEST_F(AuditTrailTest, NothingIsChainedToALastLineThatIsNotATrailLine)
{
    AppendThree();
    for (const std::string& tail : { std::string("a line of someone else's\n"), std::string("CT1\tcut") }) {
        const std::string before = ReadText(TrailFile());
        WriteText(TrailFile(), before + tail);
        TrailEntry entry = Entry("user deleted", "user ann");
        const Status appended = AppendToTrail(NativePath(m_dir.path()), entry);
        ASSERT_FALSE(appended) << tail;
        EXPECT_EQ(appended.Error().refusal, Failure::Refusal::Damaged);
        EXPECT_EQ(appended.Error().fileName, NativePath(TrailFile()));
        EXPECT_EQ(ReadText(TrailFile()), before + tail);
        WriteText(TrailFile(), before);
    }
}

// Programs on several machines append at once: the lock on the trail keeps one chain.
TEST_F(AuditTrailTest, ProcessesAppendingAtOnceKeepOneChain)
{
    constexpr int kProcesses = 4;
    constexpr int kLinesEach = 25;
    std::vector<pid_t> children;
    for (int process = 0; process < kProcesses; ++process) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The others hold the trail for an append's moment; pauses between tries long enough to ride out a
            // busy machine, where a holder may wait for the processor.
            SetSleepFunction([](int) { ::usleep(50 * 1000); });
            for (int i = 0; i < kLinesEach; ++i) {
                TrailEntry entry = Entry("user added", "user p" + std::to_string(process) + "_" + std::to_string(i));
                if (!AppendToTrail(NativePath(m_dir.path()), entry))
                    ::_exit(1);
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const Result<TrailCheck> read = ReadTrail(NativePath(m_dir.path()));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->IsSound()) << read->problem;
    EXPECT_EQ(read->entries.size(), static_cast<size_t>(kProcesses * kLinesEach));
}

} // namespace
} // namespace custodia
