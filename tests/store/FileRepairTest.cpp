#include "store/FileRepair.h"
#include "platform/Endian.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/PasswordFile.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"
#include "support/KillAtWrite.h"
#include "support/StoredAccounts.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::WriteBytes;

constexpr uint8_t kGroupKind = 82;

Bytes Pattern(size_t length, unsigned char seed)
{
    Bytes data(length);
    for (size_t i = 0; i < length; ++i)
        data[i] = static_cast<unsigned char>(seed + i * 7);
    return data;
}

Bytes Head(uint8_t kind, uint8_t subKind, uint16_t length)
{
    Bytes head(recordfile::kHeadSize);
    RecordHeader { kind, subKind, length }.Encode(head.data());
    return head;
}

// Writes the checksum (and, first, the stored length) that the bytes call for, as a seal does.
void Reseal(Bytes& file, bool length = true)
{
    if (length)
        WriteUint32LE(file.data() + recordfile::kStoredLengthOffset, static_cast<uint32_t>(file.size()));
    WriteUint32LE(file.data() + recordfile::kChecksumOffset, RecordChecksum(file.data(), file.size()));
}

void Append(Bytes& file, const Bytes& bytes)
{
    file.insert(file.end(), bytes.begin(), bytes.end());
}

class FileRepairTest : public ::testing::Test {
protected:
    FileRepairTest()
        : m_platform([](int) {}, {})
    {
        RecordFile records;
        EXPECT_TRUE(records.WriteRecord(Name(), kGroupKind, 1, Pattern(1200, 1), true).HasValue());
        EXPECT_TRUE(records.WriteRecord(Name(), kGroupKind, 2, Pattern(600, 2), true).HasValue());
        m_sound = ReadBytes(Name());
    }

    std::string Name() const { return m_dir.file("setup.prf"); }
    std::string Backup() const { return BackupNameOf(Name()); }
    bool BackupExists() const { return std::filesystem::exists(Backup()); }

    test::TempDir m_dir;
    ScopedPlatformOverride m_platform;
    Bytes m_sound;
};

// What a program of the suite leaves that died after writing its records and before sealing the file.
struct TornCase {
    const char* name;
    std::function<void(Bytes&)> tear;
};

std::vector<TornCase> TornCases()
{
    return {
        { "a record appended",
            [](Bytes& file) {
                Append(file, Head(kGroupKind, 3, 1204));
                Append(file, Pattern(1200, 3));
            } },
        { "a record changed in place", [](Bytes& file) { file[recordfile::kFirstRecordOffset + 4 + 300] ^= 0x5A; } },
        { "a record marked deleted",
            [](Bytes& file) { file[recordfile::kFirstRecordOffset] = recordfile::kDeletedKind; } },
        { "the stored length alone wrong",
            [](Bytes& file) {
                WriteUint32LE(file.data() + recordfile::kStoredLengthOffset, 35);
                Reseal(file, false);
            } },
    };
}

// The copy is the torn file byte for byte; the file verifies afterwards with every record as the torn
// file held it: only the checksum and the stored length change.
TEST_F(FileRepairTest, TornFileIsCopiedAndSealedAgainWithItsRecords)
{
    for (const TornCase& c : TornCases()) {
        Bytes torn = m_sound;
        c.tear(torn);
        WriteBytes(Name(), torn);
        ASSERT_FALSE(InspectRecordFile(Name()).WasRead()) << c.name;

        const RepairReport report = RepairRecordFile(Name());
        EXPECT_EQ(report.outcome, RepairOutcome::Repaired) << c.name << ": " << report.detail;
        EXPECT_EQ(report.backupName, Backup());
        EXPECT_EQ(ReadBytes(Backup()), torn) << c.name;
        EXPECT_TRUE(InspectRecordFile(Name()).WasRead()) << c.name;
        const Bytes repaired = ReadBytes(Name());
        ASSERT_EQ(repaired.size(), torn.size()) << c.name;
        EXPECT_TRUE(std::equal(repaired.begin() + recordfile::kHeaderTextOffset, repaired.end(),
            torn.begin() + recordfile::kHeaderTextOffset))
            << c.name;
        EXPECT_FALSE(JournalExists(Name()));

        EXPECT_EQ(RepairRecordFile(Name()).outcome, RepairOutcome::Sound) << c.name;
        std::filesystem::remove(Backup());
    }
}

struct HopelessCase {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* why; // part of the reason given
};

std::vector<HopelessCase> HopelessCases()
{
    const auto firstHead = [](uint16_t length) {
        return [length](Bytes& file) {
            WriteUint16LE(file.data() + recordfile::kFirstRecordOffset + 2, length);
            Reseal(file);
        };
    };
    return {
        { "first record 2 bytes long, sealed", firstHead(2), "record chain broken at offset 35" },
        { "first record 65535 bytes long, sealed", firstHead(65535), "record chain broken at offset 35" },
        { "a record cut short on its way in",
            [](Bytes& file) {
                Append(file, Head(kGroupKind, 3, 1204));
                Append(file, Pattern(500, 3));
            },
            "record chain broken at offset 1843" },
        { "three bytes after the last record",
            [](Bytes& file) {
                Append(file, { 1, 2, 3 });
            },
            "record chain broken at offset 1843" },
        { "no header record", [](Bytes& file) { file[recordfile::kHeaderRecordOffset] = 0x82; }, "no header record" },
        { "another header text",
            [](Bytes& file) {
                file[recordfile::kHeaderTextOffset] = 'X';
                Reseal(file);
            },
            "header record is not the suite's" },
        { "cut to a few bytes", [](Bytes& file) { file.resize(20); }, "20 bytes, too short" },
        { "empty", [](Bytes& file) { file.clear(); }, "0 bytes, too short" },
    };
}

TEST_F(FileRepairTest, HopelessFileIsRefusedAndLeftAsItIs)
{
    for (const HopelessCase& c : HopelessCases()) {
        Bytes damaged = m_sound;
        c.damage(damaged);
        WriteBytes(Name(), damaged);

        const RepairReport report = RepairRecordFile(Name());
        EXPECT_EQ(report.outcome, RepairOutcome::Refused) << c.name;
        EXPECT_NE(report.detail.find(c.why), std::string::npos) << c.name << ": " << report.detail;
        EXPECT_NE(report.detail.find("nothing was changed"), std::string::npos) << report.detail;
        EXPECT_EQ(ReadBytes(Name()), damaged) << c.name;
        EXPECT_FALSE(BackupExists()) << c.name;
    }
}

TEST_F(FileRepairTest, SoundOrMissingFileIsLeftAlone)
{
    const RepairReport sound = RepairRecordFile(Name());
    EXPECT_EQ(sound.outcome, RepairOutcome::Sound);
    EXPECT_EQ(sound.detail, "sound, 2 records; nothing to do");
    EXPECT_EQ(ReadBytes(Name()), m_sound);
    EXPECT_FALSE(BackupExists());

    EXPECT_EQ(RepairRecordFile(m_dir.file("view.prf")).outcome, RepairOutcome::Missing);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("view.prf")));
}

// An earlier copy is never overwritten; one that is the file as it stands now is the copy already.
TEST_F(FileRepairTest, ExistingCopyIsKeptAndStopsTheRepairUnlessItIsTheFile)
{
    Bytes torn = m_sound;
    torn[100] ^= 1;
    WriteBytes(Name(), torn);
    WriteBytes(Backup(), m_sound);
    const RepairReport stopped = RepairRecordFile(Name());
    EXPECT_EQ(stopped.outcome, RepairOutcome::Refused);
    EXPECT_NE(stopped.detail.find("setup.prf.bak is there already and differs from the file"), std::string::npos)
        << stopped.detail;
    EXPECT_EQ(ReadBytes(Name()), torn);
    EXPECT_EQ(ReadBytes(Backup()), m_sound);

    WriteBytes(Backup(), torn);
    EXPECT_EQ(RepairRecordFile(Name()).outcome, RepairOutcome::Repaired);
    EXPECT_TRUE(InspectRecordFile(Name()).WasRead());
    EXPECT_EQ(ReadBytes(Backup()), torn);
}

TEST_F(FileRepairTest, FileHeldByAnotherProgramIsRefused)
{
    Bytes torn = m_sound;
    torn[100] ^= 1;
    WriteBytes(Name(), torn);
    SharedFile reader;
    ASSERT_TRUE(reader.Open(Name(), openflags::kRead | openflags::kShareDenyNone));

    const RepairReport report = RepairRecordFile(Name());
    EXPECT_EQ(report.outcome, RepairOutcome::Refused);
    EXPECT_NE(report.detail.find("in use by another program"), std::string::npos) << report.detail;
    EXPECT_EQ(ReadBytes(Name()), torn);
    EXPECT_FALSE(BackupExists());
}

// A repair killed at any of its writes (the copy, the journal, the seal, the journal's removal) leaves
// the file torn as it was or sealed, never worse; the next repair finishes the work, taking a copy
// that is the torn file as its own.
TEST_F(FileRepairTest, RepairKilledAtEveryWriteIsFinishedByTheNext)
{
    Bytes torn = m_sound;
    Append(torn, Head(kGroupKind, 3, 1204));
    Append(torn, Pattern(1200, 3));
    const auto repair = [&] { RepairRecordFile(Name()); };
    WriteBytes(Name(), torn);
    const int writes = test::RunKilledAtWrite(repair, 0);
    ASSERT_GT(writes, 3);
    const Bytes sealed = ReadBytes(Name());

    int finished = 0;
    for (int killAt = 1; killAt <= writes; ++killAt) {
        WriteBytes(Name(), torn);
        std::filesystem::remove(Backup());
        test::RunKilledAtWrite(repair, killAt);
        const RepairReport next = RepairRecordFile(Name());
        EXPECT_TRUE(next.IsFine()) << "kill at write " << killAt << ": " << next.detail;
        EXPECT_EQ(ReadBytes(Name()), sealed) << "kill at write " << killAt;
        EXPECT_EQ(ReadBytes(Backup()), torn) << "kill at write " << killAt;
        finished += next.IsFine() ? 1 : 0;
    }
    std::cout << "[ figures ] repair of a torn file: " << writes << " kills, " << finished
              << " finished by the next repair\n";
}

class PasswordFileRepairTest : public ::testing::Test {
protected:
    PasswordFileRepairTest()
        : m_platform([](int) {}, {})
    {
        for (const char* name : { "anna", "bert" })
            EXPECT_TRUE(test::StoreUser(m_dir.path(), UserRecord { 0, 0, name, "", "", "pw", 1 }));
        m_sound = ReadBytes(Name());
    }

    std::string Name() const { return PasswordFilePath(m_dir.path()); }
    Bytes WithCount(uint32_t count) const
    {
        Bytes file = m_sound;
        WriteUint32LE(file.data() + passwordfile::kRecordCountOffset, count);
        return file;
    }

    test::TempDir m_dir;
    ScopedPlatformOverride m_platform;
    Bytes m_sound;
};

// A count of 0 with users in it lets the console start without a log-on; one too high asks for a
// log-on nobody may pass. Both become the records in use; nothing else of the file changes.
TEST_F(PasswordFileRepairTest, WrongRecordCountIsRecounted)
{
    for (uint32_t wrong : { 0u, 3u, 0xFFFFFFFFu }) {
        const Bytes damaged = WithCount(wrong);
        WriteBytes(Name(), damaged);
        const RepairReport report = RepairPasswordFile(m_dir.path());
        EXPECT_EQ(report.outcome, RepairOutcome::Repaired) << wrong << ": " << report.detail;
        EXPECT_EQ(ReadBytes(Name()), m_sound) << wrong;
        EXPECT_EQ(ReadBytes(BackupNameOf(Name())), damaged) << wrong;
        std::filesystem::remove(BackupNameOf(Name()));
    }
    EXPECT_EQ(RepairPasswordFile(m_dir.path()).detail, "record count 4, 4 records in use; nothing to do");
}

TEST_F(PasswordFileRepairTest, EverythingElseIsRefusedAndLeftAsItIs)
{
    Bytes noUsers = WithCount(2);
    for (size_t index = 0; index < 4; ++index)
        noUsers[PasswordRecordOffset(index)] = passwordfile::kFreeRecordType;
    Bytes torn = WithCount(7);
    torn.push_back(0);
    const struct {
        Bytes file;
        const char* why;
    } cases[] = {
        { noUsers, "a count of 0 would let the console start without a log-on" },
        { torn, "1 bytes after the last whole record" },
        { Bytes(m_sound.begin(), m_sound.begin() + 20), "header is 20 bytes" },
        { Bytes {}, "empty, so no user is in it" },
    };
    for (const auto& c : cases) {
        WriteBytes(Name(), c.file);
        const RepairReport report = RepairPasswordFile(m_dir.path());
        EXPECT_EQ(report.outcome, RepairOutcome::Refused) << c.why;
        EXPECT_NE(report.detail.find(c.why), std::string::npos) << report.detail;
        EXPECT_EQ(ReadBytes(Name()), c.file) << c.why;
        EXPECT_FALSE(std::filesystem::exists(BackupNameOf(Name()))) << c.why;
    }
}

} // namespace
} // namespace custodia
