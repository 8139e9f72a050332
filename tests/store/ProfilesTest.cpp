#include "platform/Endian.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/ChangeSetMarker.h"
#include "store/GroupRecord.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"
#include "store/RightsTable.h"
#include "store/Session.h"
#include "support/KillAtWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

class ProfilesTest : public ::testing::Test {
protected:
    ProfilesTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    const std::string& LoginPath() const { return m_dir.path(); }
    std::string ProfilePath(int program) const
    {
        return m_dir.file(kProfileFiles[static_cast<size_t>(program)].fileName);
    }

    // A group record as another program of the suite may have written it.
    void WriteGroup(
        int program, uint8_t group, const std::string& name, size_t grantedPositions, size_t size = grouprecord::kSize)
    {
        GroupRecord record;
        record.name = name;
        record.description = "by setup";
        std::fill_n(record.rights.begin(), grantedPositions, 1);
        const GroupRecordBytes bytes = record.Encode();
        RecordFile file;
        ASSERT_TRUE(
            file.WriteRecord(ProfilePath(program), grouprecord::kKind, group, std::span(bytes).first(size), true)
                .HasValue());
    }

    // Writes the group into all twelve files as another program would have, and returns their bytes.
    std::vector<Bytes> WriteGroupEverywhere(uint8_t group, const std::string& name, size_t grantedPositions)
    {
        for (int program = 0; program < kProgramCount; ++program)
            WriteGroup(program, group, name, grantedPositions);
        return ProfileBytes();
    }
    std::vector<Bytes> ProfileBytes() const
    {
        std::vector<Bytes> files;
        for (int program = 0; program < kProgramCount; ++program)
            files.push_back(ReadBytes(ProfilePath(program)));
        return files;
    }
    // Markers of changes of several files lying in the login path.
    int ChangeSetMarkers() const
    {
        int markers = 0;
        for (const auto& entry : std::filesystem::directory_iterator(LoginPath()))
            markers += entry.path().filename().string().find(changeset::kInfix) != std::string::npos ? 1 : 0;
        return markers;
    }
    void RestoreProfiles(const std::vector<Bytes>& files) const
    {
        for (int program = 0; program < kProgramCount; ++program)
            WriteBytes(ProfilePath(program), files[static_cast<size_t>(program)]);
    }

    // Saves the group with the rows of m_table, as the group dialog does.
    Result<bool> ChangeGroup(uint8_t group, const std::string& name, const std::string& loginPath) const
    {
        return ProfileStore(NativePath(loginPath))
            .ChangeGroup(group, name, SaveMode::CreateOrReplace, [&](int program, std::span<unsigned char> rights) {
                const RightsTable::Row& row = *m_table.GetRow(program);
                std::copy(row.begin(), row.end(), rights.begin());
            });
    }
    bool SaveGroup(uint8_t group, const std::string& name) const { return SaveGroup(group, name, LoginPath()); }
    bool SaveGroup(uint8_t group, const std::string& name, const std::string& loginPath) const
    {
        const Result<bool> saved = ChangeGroup(group, name, loginPath);
        return saved && *saved;
    }
    Result<bool> DeleteGroup(uint8_t group, const std::string& loginPath) const
    {
        const uint8_t groups[] = { group };
        return ProfileStore(NativePath(loginPath)).DeleteGroups(groups);
    }

    test::TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    ProfileStore m_profiles { NativePath(m_dir.path()) };
    RightsTable m_table;
    // Reads a group's rights as the console's log-on does.
    Session m_session;
};

TEST(GroupRecordTest, LayoutAndBoundedName)
{
    GroupRecord group;
    group.name = std::string(150, 'g');
    group.rights[0] = 1;
    group.rights[999] = 1;
    const GroupRecordBytes bytes = group.Encode();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()), 100), std::string(99, 'g') + '\0');
    EXPECT_TRUE(std::all_of(bytes.begin() + 100, bytes.begin() + 200, [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(bytes[200], 1);
    EXPECT_EQ(bytes[1199], 1);
    EXPECT_EQ(std::count(bytes.begin() + 200, bytes.end(), 1), 2);
    const GroupRecord decoded = GroupRecord::Decode(bytes);
    EXPECT_EQ(decoded.name, std::string(99, 'g'));
    EXPECT_EQ(decoded.rights, group.rights);
}

TEST_F(ProfilesTest, SavingAGroupIntoAnEmptyLoginPathCreatesTwelveFiles)
{
    m_table.Set(kProgramCustodia, 0, 1);
    m_table.Set(kProgramView, 21, 1);
    ASSERT_TRUE(SaveGroup(5, "Supervisors"));

    for (int program = 0; program < kProgramCount; ++program) {
        const Bytes file = ReadBytes(ProfilePath(program));
        ASSERT_EQ(file.size(), 35u + 1204u) << program;
        EXPECT_EQ(file[35], 82);
        EXPECT_EQ(file[36], 5);
        EXPECT_EQ(ReadUint16LE(file.data() + 37), 1204);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data() + 39)), "Supervisors");
        EXPECT_EQ(file[39 + 100], 0) << "empty description";
    }
    EXPECT_EQ(ReadBytes(ProfilePath(kProgramCustodia))[39 + 200], 1);
    EXPECT_EQ(ReadBytes(ProfilePath(kProgramView))[39 + 200 + 21], 1);

    const std::vector<GroupEntry> groups = m_profiles.LoadGroupList().value;
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0], (GroupEntry { 5, "Supervisors", "" }));

    Session other;
    ASSERT_TRUE(other.LoadGroupRights(m_profiles, 5));
    EXPECT_EQ(other.GetGroupName(), "Supervisors");
    EXPECT_EQ(other.HasRight(kProgramCustodia, 0), 1);
    EXPECT_EQ(other.HasRight(kProgramView, 21), 1);
    EXPECT_EQ(other.HasRight(kProgramView, 20), 0);

    // Saving again with the same length replaces in place.
    ASSERT_TRUE(SaveGroup(5, "Chiefs"));
    EXPECT_EQ(ReadBytes(ProfilePath(kProgramSetup)).size(), 35u + 1204u);
    EXPECT_EQ(m_profiles.LoadGroupList().value[0].name, "Chiefs");
}

TEST_F(ProfilesTest, GroupListComesFromSetupOnlyInAscendingOrder)
{
    WriteGroup(kProgramSetup, 200, "Night", 0);
    WriteGroup(kProgramSetup, 0, "Admins", 0);
    WriteGroup(kProgramSetup, 255, "Last", 0);
    WriteGroup(kProgramView, 7, "Only in view", 0);
    const std::vector<GroupEntry> groups = m_profiles.LoadGroupList().value;
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0], (GroupEntry { 0, "Admins", "by setup" }));
    EXPECT_EQ(groups[1].groupNumber, 200);
    EXPECT_EQ(groups[2].groupNumber, 255);
}

TEST_F(ProfilesTest, RowsAreCutToTheirProgramsLengths)
{
    for (int program = 0; program < kProgramCount; ++program)
        WriteGroup(program, 3, "Full", 1000);
    ASSERT_TRUE(m_session.LoadGroupRights(m_profiles, 3));
    for (int program = 0; program < kProgramCount; ++program) {
        const RightsTable::Row* row = m_session.GetProgramRights(program);
        ASSERT_NE(row, nullptr);
        const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
        EXPECT_EQ(static_cast<size_t>(std::count(row->begin(), row->end(), 1)), length) << program;
        EXPECT_EQ((*row)[length - 1], 1) << program;
        EXPECT_EQ((*row)[length], 0) << program;
    }
    EXPECT_EQ(kProfileFiles[kProgramSetup].rowLength, 45u);
}

TEST_F(ProfilesTest, RightsDefaultsAndUnknownGroups)
{
    Session fresh;
    EXPECT_EQ(fresh.HasRight(kProgramCustodia, 0), 1) << "no log-on grants everything";
    EXPECT_EQ(fresh.GetProgramRights(kProgramCustodia), nullptr);

    WriteGroup(kProgramCustodia, 1, "Staff", 1);
    EXPECT_FALSE(fresh.LoadGroupRights(m_profiles, 2));
    EXPECT_EQ(fresh.HasRight(kProgramCustodia, 0), 0);
    EXPECT_NE(fresh.GetProgramRights(kProgramCustodia), nullptr);
    EXPECT_EQ(fresh.GetProgramRights(12), nullptr);
    EXPECT_EQ(fresh.GetProgramRights(-1), nullptr);
    EXPECT_EQ(fresh.HasRight(12, 0), 1);
    EXPECT_EQ(fresh.HasRight(kProgramCustodia, 1000), 0);
    EXPECT_EQ(fresh.HasRight(kProgramCustodia, -1), 0);
}

TEST_F(ProfilesTest, DamagedProfileFilesCountAsNotHoldingTheGroup)
{
    for (int program = 0; program < kProgramCount; ++program)
        WriteGroup(program, 4, "Ops", 1000);
    // "setup.prf" damaged after its header, "view.prf" cut short, "custodia.prf" empty.
    Bytes setup = ReadBytes(ProfilePath(kProgramSetup));
    setup[300] ^= 0x01;
    WriteBytes(ProfilePath(kProgramSetup), setup);
    Bytes view = ReadBytes(ProfilePath(kProgramView));
    view.resize(600);
    WriteBytes(ProfilePath(kProgramView), view);
    WriteBytes(ProfilePath(kProgramCustodia), {});

    ASSERT_TRUE(m_session.LoadGroupRights(m_profiles, 4));
    EXPECT_EQ(m_session.HasRight(kProgramSetup, 0), 0);
    EXPECT_EQ(m_session.HasRight(kProgramView, 0), 0);
    EXPECT_EQ(m_session.HasRight(kProgramCustodia, 0), 0);
    EXPECT_EQ(m_session.HasRight(kProgramDownload, 11), 1);
    EXPECT_TRUE(m_profiles.LoadGroupList().value.empty()) << "a damaged setup.prf lists no group";
}

TEST_F(ProfilesTest, ShortRecordsLeaveTheRestOfTheRowZero)
{
    // 210 data bytes: the name, the description and only 10 rights bytes.
    WriteGroup(kProgramSetup, 9, "Short", 45, 210);
    ASSERT_TRUE(m_session.LoadGroupRights(m_profiles, 9));
    const RightsTable::Row& row = *m_session.GetProgramRights(kProgramSetup);
    EXPECT_EQ(std::count(row.begin(), row.end(), 1), 10);
    EXPECT_EQ(m_session.GetGroupName(), "Short");
}

TEST_F(ProfilesTest, DeleteGroupTouchesOnlyTheFilesHoldingIt)
{
    m_table.Set(kProgramSetup, 0, 1);
    ASSERT_TRUE(SaveGroup(1, "Keep"));
    for (int program : { kProgramSetup, kProgramView, kProgramReporter })
        WriteGroup(program, 2, "Drop", 3);
    const Bytes convertBefore = ReadBytes(ProfilePath(kProgramConvert));

    ASSERT_TRUE(DeleteGroup(2, LoginPath()));
    EXPECT_EQ(ReadBytes(ProfilePath(kProgramConvert)), convertBefore);
    const std::vector<GroupEntry> groups = m_profiles.LoadGroupList().value;
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].groupNumber, 1);
    Session check;
    EXPECT_FALSE(check.LoadGroupRights(m_profiles, 2));
    EXPECT_TRUE(check.LoadGroupRights(m_profiles, 1));
    EXPECT_EQ(check.HasRight(kProgramSetup, 0), 1);

    // Deleting what no file holds changes nothing, and a missing login path is not made.
    const Bytes setupBefore = ReadBytes(ProfilePath(kProgramSetup));
    const Result<bool> none = DeleteGroup(77, LoginPath());
    ASSERT_TRUE(none);
    EXPECT_FALSE(*none);
    EXPECT_EQ(ReadBytes(ProfilePath(kProgramSetup)), setupBefore);
    static_cast<void>(DeleteGroup(1, m_dir.file("absent")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("absent")));
}

TEST_F(ProfilesTest, SaveGroupReportsAFolderThatCannotHoldTheFiles)
{
    EXPECT_FALSE(SaveGroup(1, "Nowhere", m_dir.file("absent")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("absent")));
}

// A group save holds all twelve files before it writes any: a file that cannot be opened stops it
// before anything is written, and a write that fails part way (at any write of any file) is undone in
// every file.
TEST_F(ProfilesTest, GroupSaveIsAllOrNothingAndNamesTheFileThatStoppedIt)
{
    const std::vector<Bytes> before = WriteGroupEverywhere(4, "Old", 3);
    const auto unchanged = [&] { return ProfileBytes() == before; };
    m_table.Set(kProgramSetup, 9, 1);

    const std::string view = ProfilePath(kProgramView);
    std::filesystem::rename(view, view + ".away");
    std::filesystem::create_directory(view);
    const RecordChangeOutcome stopped = RecordChangeOutcome::Of(ChangeGroup(4, "New", LoginPath()));
    EXPECT_EQ(stopped.result, RecordChangeResult::NotOpened);
    EXPECT_EQ(stopped.fileName, view);
    std::filesystem::remove(view);
    std::filesystem::rename(view + ".away", view);
    EXPECT_TRUE(unchanged());

    int writes = 0;
    SetFileWriteHook([&] { ++writes; });
    ASSERT_TRUE(SaveGroup(4, "Counted"));
    SetFileWriteHook({});
    const std::vector<Bytes> saved = ProfileBytes();
    RestoreProfiles(before);

    // The last twelve steps remove the journals once the change has committed (its marker removed):
    // a failure before them undoes every file, a failure among them leaves every file saved and at
    // most a journal that the file's next opener removes without undoing anything.
    const int committed = writes - kProgramCount;
    int failures = 0;
    for (int failAt = 1; failAt <= writes; ++failAt) {
        int seen = 0;
        SetFileWriteHook([&] {
            if (++seen == failAt)
                throw FileException(kCauseDiskFull, "injected");
        });
        bool threw = false;
        try {
            SaveGroup(4, "Counted");
        } catch (const FileException&) {
            threw = true;
        }
        SetFileWriteHook({});
        EXPECT_EQ(threw, failAt <= committed) << "write " << failAt;
        for (int program = 0; program < kProgramCount; ++program)
            EXPECT_EQ(InspectRecordFile(ProfilePath(program)).status, FileReadStatus::Read);
        if (ProfileBytes() != (failAt <= committed ? before : saved))
            ++failures;
        for (int program = 0; program < kProgramCount; ++program)
            EXPECT_FALSE(JournalExists(ProfilePath(program)));
        EXPECT_EQ(ChangeSetMarkers(), 0) << "write " << failAt;
        RestoreProfiles(before);
    }
    EXPECT_EQ(failures, 0) << "of " << writes << " failing writes";
}

// A group save killed at each of its steps in turn (its marker, twelve journals, twelve files, the
// marker's removal, twelve journal removals) leaves every profile file whole to its next reader, and the
// twelve together hold the group either all as it was or all as saved.
TEST_F(ProfilesTest, GroupSaveKilledAtEveryWriteLeavesAllFilesOldOrAllNew)
{
    const std::vector<Bytes> before = WriteGroupEverywhere(4, "Old", 3);
    // The group's record in each file as a reader of the suite gets it, after any journal is played back.
    const auto records = [&] {
        std::vector<Bytes> read;
        for (int program = 0; program < kProgramCount; ++program) {
            Bytes record(grouprecord::kSize);
            record.resize(RecordFile().ReadRecord(ProfilePath(program), grouprecord::kKind, 4, record, true));
            read.push_back(record);
        }
        return read;
    };
    const std::vector<Bytes> old = records();
    m_table.Set(kProgramSetup, 9, 1);
    const auto save = [&] { SaveGroup(4, "New"); };
    const int writes = test::RunKilledAtWrite(save, 0);
    ASSERT_GE(writes, 3 * kProgramCount);
    const std::vector<Bytes> saved = records();

    int asBefore = 0, asSaved = 0, mixed = 0, filesMixed = 0;
    for (int killAt = 1; killAt <= writes; ++killAt) {
        RestoreProfiles(before);
        test::RunKilledAtWrite(save, killAt);
        const std::vector<Bytes> seen = records();
        int oldFiles = 0, savedFiles = 0;
        for (int program = 0; program < kProgramCount; ++program) {
            const auto index = static_cast<size_t>(program);
            oldFiles += seen[index] == old[index] ? 1 : 0;
            savedFiles += seen[index] == saved[index] ? 1 : 0;
            EXPECT_FALSE(JournalExists(ProfilePath(program))) << "kill at write " << killAt;
        }
        if (oldFiles == kProgramCount)
            ++asBefore;
        else if (savedFiles == kProgramCount)
            ++asSaved;
        else {
            ++mixed;
            filesMixed += savedFiles;
        }
        // A marker made just before the kill, with no journal yet, is left for the next save to remove.
        EXPECT_LE(ChangeSetMarkers(), 1) << "kill at write " << killAt;
    }
    std::cout << "[ figures ] group save into 12 profile files: " << writes << " kills: " << asBefore << " as before, "
              << asSaved << " as saved, " << mixed << " mixed (" << filesMixed << " files as saved among them)\n";
    EXPECT_EQ(mixed, 0);
    EXPECT_GT(asBefore, 0);
    EXPECT_GT(asSaved, 0);
    RestoreProfiles(before);
    save();
    EXPECT_EQ(ChangeSetMarkers(), 0);
}

// A marker that no journal names is left over and goes with the next group save; one that a journal
// of a file outside the save still names stays until that journal is played back.
TEST_F(ProfilesTest, LeftoverChangeSetMarkersGoOnlyWhenNoJournalNamesThem)
{
    WriteGroupEverywhere(4, "Old", 3);
    const std::string first = kProfileFiles[0].fileName;
    const std::string unnamed = first + changeset::kInfix + "0123456789abcdef";
    const std::string named = first + changeset::kInfix + "fedcba9876543210";
    WriteBytes(m_dir.file(unnamed), {});
    WriteBytes(m_dir.file(named), {});
    const std::string other = m_dir.file("other.cfg");
    ASSERT_TRUE(RecordFile().WriteRecord(other, 87, 0, Bytes(20, 'a'), true).HasValue());
    RecordJournal journal(ReadBytes(other).size());
    journal.SetChangeSet(named);
    WriteBytes(JournalNameOf(other), journal.Encode());

    ASSERT_TRUE(SaveGroup(4, "New"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.file(unnamed)));
    EXPECT_TRUE(std::filesystem::exists(m_dir.file(named)));
    EXPECT_EQ(ChangeSetMarkers(), 1);
    EXPECT_EQ(InspectRecordFile(other).status, FileReadStatus::Read);
    EXPECT_EQ(ChangeSetMarkers(), 0);
}

} // namespace
} // namespace custodia
