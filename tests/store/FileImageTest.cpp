#include "platform/Endian.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/DatabaseListStore.h"
#include "store/GroupRecord.h"
#include "store/PasswordImage.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RecordImage.h"
#include "store/Session.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;

// A record file image: the checksum and header record, then records given as (kind, sub-kind, data).
Bytes RecordImage(const std::vector<std::pair<uint8_t, Bytes>>& records)
{
    Bytes image(recordfile::kFirstRecordOffset, 0);
    RecordHeader { recordfile::kHeaderKind, 0, recordfile::kHeaderRecordLength }.Encode(image.data() + 4);
    for (const auto& [kind, data] : records) {
        Bytes head(recordfile::kHeadSize);
        RecordHeader { kind, static_cast<uint8_t>(data.size()), static_cast<uint16_t>(4 + data.size()) }.Encode(
            head.data());
        image.insert(image.end(), head.begin(), head.end());
        image.insert(image.end(), data.begin(), data.end());
    }
    return image;
}

std::vector<size_t> Offsets(const Bytes& image)
{
    std::vector<size_t> offsets;
    RecordChain chain(image);
    while (const auto record = chain.Next())
        offsets.push_back(record->offset);
    return offsets;
}

// The walk ends at the first head that cannot lead on, whatever the bytes say, and never reads past them.
TEST(RecordChainTest, EndsAtTheFirstHeadThatCannotLeadOn)
{
    const Bytes sound = RecordImage({ { 82, Bytes(3, 'a') }, { 87, Bytes(5, 'b') } });
    const size_t second = 35 + 7;
    EXPECT_EQ(Offsets(sound), (std::vector<size_t> { 4, 35, second }));
    RecordChain whole(sound);
    while (whole.Next()) { }
    EXPECT_TRUE(whole.RanToTheEnd());

    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        std::vector<size_t> offsets;
    };
    const std::vector<Case> cases {
        { "length 4", [&](Bytes& b) { WriteUint16LE(b.data() + second + 2, 4); }, { 4, 35 } },
        { "length 0", [&](Bytes& b) { WriteUint16LE(b.data() + 35 + 2, 0); }, { 4 } },
        { "past the end", [&](Bytes& b) { WriteUint16LE(b.data() + second + 2, 0xFFFF); }, { 4, 35 } },
        { "torn head", [](Bytes& b) { b.resize(b.size() - 7); }, { 4, 35 } },
        { "header past the end", [](Bytes& b) { b.resize(20); }, {} },
        { "nothing after the checksum", [](Bytes& b) { b.resize(4); }, {} },
        { "empty", [](Bytes& b) { b.clear(); }, {} },
    };
    for (const Case& c : cases) {
        Bytes image = sound;
        c.damage(image);
        EXPECT_EQ(Offsets(image), c.offsets) << c.name;
    }
}

TEST(RecordChainTest, FindRecordInPassesOverRecordsTooLargeForTheBuffer)
{
    const Bytes image = RecordImage({ { 82, Bytes(9, 'a') }, { 82, Bytes(9, 'b') }, { 82, Bytes(3, 'c') } });
    // Sub-kinds follow the data lengths here: 9, 9, 3.
    const auto first = FindRecordIn(image, 82, 9, 9);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->data[0], 'a');
    EXPECT_FALSE(FindRecordIn(image, 82, 9, 8));
    EXPECT_FALSE(FindRecordIn(image, 87, 3, 100));
}

Bytes PasswordBytes(const std::vector<PasswordFileRecord>& records, uint32_t count = 0)
{
    PasswordFileHeader header;
    header.recordCount = count;
    const PasswordFileHeaderBytes head = header.Encode();
    Bytes bytes(head.begin(), head.end());
    for (const PasswordFileRecord& record : records)
        bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

PasswordFileRecord User(const std::string& name, const std::string& fullName = "")
{
    return UserRecord { 0, 0, name, fullName, "", "pw", 1 }.Encode();
}

PasswordFileRecord Access(const std::string& name, unsigned char office)
{
    UserAccessRecord access { name, {} };
    access.officeSelection[0] = office;
    return access.Encode();
}

TEST(PasswordImageTest, PairsEachUserWithTheLastAccessRecordOfItsNameWhereverItStands)
{
    PasswordFileRecord freed = User("gone");
    freed[0] = passwordfile::kFreeRecordType;
    const Bytes bytes = PasswordBytes(
        { Access("bob", 1), User("ann"), freed, User("bob"), Access("ann", 2), Access("bob", 3), Access("eve", 4) });
    const PasswordImage image(bytes);
    ASSERT_TRUE(image.IsPasswordFile());
    EXPECT_EQ(image.WholeRecords(), 7u);
    EXPECT_EQ(image.RecordsInUse(), 6u);

    const std::vector<UserEntry> users = ParseUsers(image);
    ASSERT_EQ(users.size(), 2u);
    EXPECT_EQ(users[0].user.userName, "ann");
    EXPECT_EQ(users[0].access.officeSelection[0], 2);
    EXPECT_EQ(users[1].user.userName, "bob");
    EXPECT_EQ(users[1].access.officeSelection[0], 3);

    const UserRecordIndices bob = FindUserRecords(image, "bob");
    EXPECT_EQ(bob.user, 3u);
    EXPECT_EQ(bob.access, 5u);
    EXPECT_FALSE(FindUserRecords(image, "gone").user);
    EXPECT_FALSE(FindUserRecords(image, "Bob").user);
}

// Whatever the bytes, the image reads only what they hold: no records behind a foreign or cut header,
// and no torn record at the end.
TEST(PasswordImageTest, HostileBytesGiveNoRecordsOrOnlyWholeOnes)
{
    const Bytes sound = PasswordBytes({ User("ann"), Access("ann", 1) }, 2);
    struct Case {
        const char* name;
        Bytes bytes;
        bool header;
        uint64_t records;
    };
    Bytes foreign = sound;
    foreign[0] = 'q';
    Bytes torn = sound;
    torn.resize(torn.size() - 1);
    const std::vector<Case> cases {
        { "empty", {}, false, 0 },
        { "cut header", Bytes(sound.begin(), sound.begin() + 53), false, 0 },
        { "header only", Bytes(sound.begin(), sound.begin() + 54), true, 0 },
        { "foreign title", foreign, true, 0 },
        { "torn last record", torn, true, 1 },
        { "sound", sound, true, 2 },
    };
    for (const Case& c : cases) {
        const PasswordImage image(c.bytes);
        EXPECT_EQ(image.Header().has_value(), c.header) << c.name;
        EXPECT_EQ(image.HeaderLength(), std::min<size_t>(c.bytes.size(), 54)) << c.name;
        EXPECT_EQ(image.WholeRecords(), c.records) << c.name;
        EXPECT_EQ(ParseUsers(image).size(), c.records > 0 ? 1u : 0u) << c.name;
    }
}

// Reading or changing the files of 256 groups must not cost one system call per record: each file is
// read whole in a few large reads, once per operation.
TEST(RecordFileAccessTest, GroupAndDatabaseOperationsReadEachFileInAFewLargeReads)
{
    test::TempDir dir;
    const test::ScopedCurrentDirectory cwd(dir.path());
    const ScopedPlatformOverride platform([](int) {}, {});
    const std::string& path = dir.path();
    const ProfileStore profiles { NativePath(path) };
    const DatabaseListStore databases { NativePath(path) };
    Session session;
    // Every right denied, as a new group has them.
    const auto save = [&](int group, const std::string& name) {
        const Result<bool> saved = profiles.ChangeGroup(static_cast<uint8_t>(group), name, SaveMode::CreateOrReplace,
            [](int, std::span<unsigned char> rights) { std::fill(rights.begin(), rights.end(), 0); });
        return saved && *saved;
    };
    for (int group = 0; group < grouprecord::kGroupCount; ++group)
        ASSERT_TRUE(save(group, "Group " + std::to_string(group)));
    ASSERT_TRUE(databases.Save(DatabaseList()));

    constexpr size_t kFewReadsPerFile = 3;
    const uint8_t deleted[] = { 128 };
    const std::vector<std::tuple<const char*, size_t, std::function<void()>>> operations {
        { "LoadGroupList", 1, [&] { EXPECT_EQ(profiles.LoadGroupList().value.size(), 256u); } },
        { "LoadGroupRights", kProgramCount, [&] { EXPECT_TRUE(session.LoadGroupRights(profiles, 255)); } },
        { "SaveGroup", kProgramCount, [&] { EXPECT_TRUE(save(255, "Last")); } },
        { "DeleteGroup", kProgramCount, [&] { EXPECT_TRUE(profiles.DeleteGroups(deleted)); } },
        { "LoadDatabaseList", 1, [&] { EXPECT_TRUE(session.LoadDatabaseList(databases).WasRead()); } },
    };
    for (const auto& [name, files, operation] : operations) {
        ScopedReadCounter reads;
        operation();
        EXPECT_LE(reads.Count(), files * kFewReadsPerFile) << name;
    }
    EXPECT_EQ(profiles.LoadGroupList().value.size(), 255u);
}

} // namespace
} // namespace custodia
