#include "platform/MountTable.h"
#include "platform/FileSystemKind.h"
#include "platform/ShareCheck.h"

#include <gtest/gtest.h>

namespace custodia::test {
namespace {

constexpr const char kMountInfo[]
    = "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw,discard\n"
      "30 22 0:41 / /srv/share rw,relatime shared:7 master:3 - nfs4 files:/export rw,vers=4.2,local_lock=none\n"
      "31 30 0:42 / /srv/share/plant\\0401 ro,relatime - cifs //files/plant\\040one rw,vers=3.1.1,nobrl\n"
      "32 22 0:43 /sub /srv/view rw - fuse /data/src rw,user_id=0\n"
      "33 22 0:44 / /srv/share rw - nfs files:/other rw,nolock\n" // mounted over line 30
      "not a mount line\n"
      "40 22 0:45 / /broken rw shared:1\n"; // no separator: left out

TEST(MountTableTest, ParsesFieldsEscapesAndOptions)
{
    const std::vector<MountEntry> mounts = ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 5U);
    EXPECT_EQ(mounts[1].fileSystemType, "nfs4");
    EXPECT_EQ(mounts[1].source, "files:/export");
    EXPECT_EQ(mounts[1].OptionValue("local_lock"), "none");
    EXPECT_TRUE(mounts[1].HasOption("vers"));
    EXPECT_FALSE(mounts[1].HasOption("nolock"));
    EXPECT_EQ(mounts[2].mountPoint, "/srv/share/plant 1");
    EXPECT_EQ(mounts[2].source, "//files/plant one");
    EXPECT_TRUE(mounts[2].IsReadOnly());
    EXPECT_TRUE(mounts[2].HasOption("nobrl"));
    EXPECT_EQ(mounts[3].root, "/sub");
}

TEST(MountTableTest, APathLiesOnTheLongestMountPointThatHoldsItTheLastMountedFirst)
{
    const std::vector<MountEntry> mounts = ParseMountInfo(kMountInfo);
    struct Case {
        const char* path;
        const char* mountPoint;
        const char* type;
    };
    for (const Case& c : { Case { "/srv/share/lp", "/srv/share", "nfs" }, // the later mount over the same point
             Case { "/srv/share", "/srv/share", "nfs" }, Case { "/srv/share/plant 1/lp", "/srv/share/plant 1", "cifs" },
             Case { "/srv/shared", "/", "ext4" }, // a name that only starts like a mount point
             Case { "/", "/", "ext4" } }) {
        const std::optional<MountEntry> mount = MountOfPath(mounts, c.path);
        ASSERT_TRUE(mount) << c.path;
        EXPECT_EQ(mount->mountPoint, c.mountPoint) << c.path;
        EXPECT_EQ(mount->fileSystemType, c.type) << c.path;
    }
    EXPECT_FALSE(MountOfPath(mounts, "relative/path"));
}

TEST(MountTableTest, HostileTextsGiveNoEntryRatherThanAWrongOne)
{
    for (const char* text :
        { "", "\n\n", "1 2 3 4 5 6 -", "1 2 3 4 5 6 - ext4", "- - - - - - - - -", "1 2 3 4 \\777 6 - t s o\n" }) {
        for (const MountEntry& entry : ParseMountInfo(text)) {
            EXPECT_FALSE(entry.fileSystemType.empty()) << text;
            EXPECT_FALSE(entry.source.empty()) << text;
        }
    }
    // An escape that is cut short stays as it is written.
    const std::vector<MountEntry> cut = ParseMountInfo("1 2 3 / /a\\04 rw - ext4 /dev/x rw");
    ASSERT_EQ(cut.size(), 1U);
    EXPECT_EQ(cut[0].mountPoint, "/a\\04");
}

TEST(FileSystemKindTest, MagicNumbersNameTheKindAndOnlyLocalOnesAreTrustedForNotification)
{
    struct Case {
        uint64_t magic;
        FileSystemKind kind;
    };
    for (const Case& c : { Case { 0xEF53, FileSystemKind::Local }, Case { 0x01021994, FileSystemKind::Local },
             Case { 0x6969, FileSystemKind::Nfs }, Case { 0xFF534D42, FileSystemKind::Smb },
             Case { 0xFE534D42, FileSystemKind::Smb }, Case { 0x65735546, FileSystemKind::Fuse },
             Case { 0x00C36400, FileSystemKind::OtherRemote }, Case { 0x12345678, FileSystemKind::Unknown } }) {
        const FileSystemType type = ClassifyFileSystem(c.magic);
        EXPECT_EQ(type.kind, c.kind) << std::hex << c.magic;
        EXPECT_EQ(NotificationSeesOtherMachines(type.kind), c.kind == FileSystemKind::Local) << std::hex << c.magic;
        EXPECT_FALSE(type.name.empty());
    }
    EXPECT_EQ(ClassifyFileSystem(0x12345678).name, "0x12345678");
}

TEST(ShareCheckTest, MountOptionsThatKeepLocksOnThisMachineAreUnsafe)
{
    struct Case {
        const char* line;
        FileSystemKind kind;
        bool unsafe;
    };
    for (const Case& c : {
             Case { "1 2 3 / /m rw - nfs4 s:/e rw,vers=4.2,local_lock=none", FileSystemKind::Nfs, false },
             Case { "1 2 3 / /m rw - nfs s:/e rw,nolock", FileSystemKind::Nfs, true },
             Case { "1 2 3 / /m rw - nfs4 s:/e rw,local_lock=flock", FileSystemKind::Nfs, true },
             Case { "1 2 3 / /m rw - nfs4 s:/e rw,local_lock=all", FileSystemKind::Nfs, true },
             Case { "1 2 3 / /m rw - cifs //s/e rw,vers=3.1.1", FileSystemKind::Smb, false },
             Case { "1 2 3 / /m rw - cifs //s/e rw,nobrl", FileSystemKind::Smb, true },
             // The same words mean nothing to another file system.
             Case { "1 2 3 / /m rw - ext4 /dev/x rw,nobrl", FileSystemKind::Local, false },
         }) {
        const std::vector<MountEntry> mounts = ParseMountInfo(c.line);
        ASSERT_EQ(mounts.size(), 1U) << c.line;
        const std::vector<ShareFinding> findings = CheckMountOptions(mounts[0], c.kind);
        EXPECT_EQ(!findings.empty(), c.unsafe) << c.line;
        for (const ShareFinding& finding : findings)
            EXPECT_EQ(finding.severity, ShareFinding::Severity::Unsafe) << c.line;
    }
}

} // namespace
} // namespace custodia::test
