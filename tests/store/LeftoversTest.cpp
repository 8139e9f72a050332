#include "store/Leftovers.h"
#include "store/RecordJournal.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia {
namespace {

using test::TempDir;
using test::WriteText;

const std::vector<std::string> kFiles { "setup.prf", "tessel.dbs" };
constexpr char kMarker[] = "setup.prf-changeset-0123456789abcdef";
// Far beyond any process id this machine hands out, so no living program has it.
constexpr char kDeadId[] = "4000000000";

// Sets the file's times back, as the clock of a program that stopped long ago left them.
void Age(const std::string& path, std::time_t seconds)
{
    struct stat info { };
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    const timespec times[2] = { { info.st_mtime - seconds, 0 }, { info.st_mtime - seconds, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::vector<std::string> NamesFound(const std::string& folder)
{
    std::vector<std::string> names;
    for (const Leftover& leftover : FindLeftovers(folder, kFiles, std::time(nullptr)))
        names.push_back(leftover.name);
    return names;
}

TEST(LeftoversTest, OnlyOldPlainFilesOfKnownFilesAreLeftovers)
{
    TempDir dir;
    const std::string oldNew = std::string("setup.prf-new-") + kDeadId;
    const std::string oldBackup = std::string("tessel.dbs.bak-new-") + kDeadId;
    for (const std::string& name : { oldNew, oldBackup, std::string(kMarker),
             std::string("setup.prf-new-12345"), // young: its maker may be writing it now
             std::string("other.txt-new-") + kDeadId, // no file of ours
             std::string("setup.prf-new-12x"), std::string("setup.prf") }) {
        WriteText(dir.file(name), "");
    }
    for (const std::string& name : { oldNew, oldBackup, std::string(kMarker), std::string("other.txt-new-") + kDeadId,
             std::string("setup.prf-new-12x"), std::string("setup.prf") })
        Age(dir.file(name), kLeftoverAgeSeconds + 1);
    // A link is nobody's leftover, however old, and is never followed.
    ASSERT_EQ(::symlink("/etc/passwd", dir.file(std::string("tessel.dbs-new-") + kDeadId).c_str()), 0);
    Age(dir.file(std::string("tessel.dbs-new-") + kDeadId), kLeftoverAgeSeconds + 1);

    EXPECT_EQ(NamesFound(dir.path()), (std::vector<std::string> { kMarker, oldNew, oldBackup }));
}

TEST(LeftoversTest, AMarkerThatAJournalNamesBelongsToAChangeToUndo)
{
    TempDir dir;
    WriteText(dir.file(kMarker), "");
    Age(dir.file(kMarker), kLeftoverAgeSeconds + 1);
    RecordJournal journal(0);
    journal.SetChangeSet(kMarker);
    journal.Store(dir.file("tessel.dbs-journal"));

    EXPECT_TRUE(NamesFound(dir.path()).empty());
}

TEST(LeftoversTest, RemovingTakesTheFileAwayAndAMarkerOnlyWhileItsFileCanBeHeld)
{
    TempDir dir;
    const std::string oldNew = std::string("setup.prf-new-") + kDeadId;
    WriteText(dir.file("setup.prf"), "");
    WriteText(dir.file(oldNew), "");
    WriteText(dir.file(kMarker), "");
    Age(dir.file(oldNew), kLeftoverAgeSeconds + 1);
    Age(dir.file(kMarker), kLeftoverAgeSeconds + 1);
    const std::vector<Leftover> found = FindLeftovers(dir.path(), kFiles, std::time(nullptr));
    ASSERT_EQ(found.size(), 2u);

    // A change beginning with "setup.prf" holds it: its marker stays.
    const int held = ::open(dir.file("setup.prf").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_NE(RemoveLeftover(dir.path(), found[0]), "");
    EXPECT_EQ(::access(dir.file(kMarker).c_str(), F_OK), 0);
    ::close(held);

    for (const Leftover& leftover : found)
        EXPECT_EQ(RemoveLeftover(dir.path(), leftover), "") << leftover.name;
    EXPECT_NE(::access(dir.file(kMarker).c_str(), F_OK), 0);
    EXPECT_NE(::access(dir.file(oldNew).c_str(), F_OK), 0);
    EXPECT_TRUE(NamesFound(dir.path()).empty());
}

} // namespace
} // namespace custodia
