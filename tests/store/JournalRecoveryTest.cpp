#include "platform/Endian.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/FileRepair.h"
#include "store/RecordFile.h"
#include "store/RecordJournal.h"
#include "support/KillAtWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sys/stat.h>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr uint8_t kGroupKind = 82;

Bytes Filled(size_t length, unsigned char seed)
{
    Bytes data(length);
    for (size_t i = 0; i < length; ++i)
        data[i] = static_cast<unsigned char>(seed + i * 7);
    return data;
}

// A program of the suite that knows nothing of our journals appends a record as the record writer of
// the format does: at the end, then the stored length and the checksum written again, in place.
void PeerAppends(const std::string& fileName, uint8_t subKind, const Bytes& data)
{
    Bytes image = ReadBytes(fileName);
    Bytes record(recordfile::kHeadSize + data.size());
    RecordHeader { kGroupKind, subKind, static_cast<uint16_t>(record.size()) }.Encode(record.data());
    std::copy(data.begin(), data.end(), record.begin() + recordfile::kHeadSize);
    image.insert(image.end(), record.begin(), record.end());
    WriteUint32LE(image.data() + recordfile::kStoredLengthOffset, static_cast<uint32_t>(image.size()));
    WriteUint32LE(image.data() + recordfile::kChecksumOffset, RecordChecksum(image.data(), image.size()));
    WriteBytes(fileName, image);
}

bool HoldsGroup(const std::string& fileName, uint8_t subKind, const Bytes& data)
{
    Bytes buffer(data.size());
    return RecordFile().ReadRecord(fileName, kGroupKind, subKind, buffer, true) == data.size() && buffer == data;
}

class JournalRecoveryTest : public ::testing::Test {
protected:
    JournalRecoveryTest()
        : m_platform([](int) {}, {})
    {
        EXPECT_TRUE(RecordFile().WriteRecord(Name(), kGroupKind, 1, Filled(1200, 1), true).HasValue());
        EXPECT_TRUE(RecordFile().WriteRecord(Name(), kGroupKind, 2, Filled(1200, 2), true).HasValue());
        m_sound = ReadBytes(Name());
    }

    std::string Name() const { return m_dir.file("convert.prf"); }
    // A group changed in place and a new one appended: the two kinds of write a group save makes.
    void Change() const
    {
        EXPECT_TRUE(RecordFile()
                        .ChangeRecord(Name(), kGroupKind, 2, 1200,
                            [](std::span<unsigned char> data) {
                                data[300] ^= 1;
                                return true;
                            })
                        .HasValue());
        EXPECT_TRUE(RecordFile().WriteRecord(Name(), kGroupKind, 7, Filled(1200, 7), true).HasValue());
    }
    void Append() const
    {
        EXPECT_TRUE(RecordFile().WriteRecord(Name(), kGroupKind, 7, Filled(1200, 7), true).HasValue());
    }

    TempDir m_dir;
    ScopedPlatformOverride m_platform;
    Bytes m_sound;
};

// A writer of ours killed at each of its writes, then a program that knows nothing of journals appends a
// record before any program of ours opens the file again: the next open never overwrites that record.
// Where the file holds nothing of the cut-short change the journal just goes; otherwise the file is left
// as the peer left it and the journal kept aside, and repair names it.
TEST_F(JournalRecoveryTest, PeerWriteAfterAKillIsNeverUndone)
{
    const int writes = test::RunKilledAtWrite([&] { Append(); }, 0);
    ASSERT_GT(writes, 2);
    const Bytes peerGroup = Filled(1200, 99);
    int kept = 0, removed = 0, lost = 0;
    for (int killAt = 1; killAt <= writes; ++killAt) {
        WriteBytes(Name(), m_sound);
        for (const std::string& name : KeptJournalNames(Name()))
            ::unlink(name.c_str());
        test::RunKilledAtWrite([&] { Append(); }, killAt);
        const bool journalLeft = JournalExists(Name());
        PeerAppends(Name(), 40, peerGroup);
        const Bytes peerLeft = ReadBytes(Name());

        const bool peerKept = HoldsGroup(Name(), 40, peerGroup);
        lost += peerKept ? 0 : 1;
        EXPECT_TRUE(peerKept) << "kill at write " << killAt;
        EXPECT_TRUE(HoldsGroup(Name(), 1, Filled(1200, 1))) << "kill at write " << killAt;
        EXPECT_FALSE(JournalExists(Name())) << "kill at write " << killAt;
        const auto keptNames = KeptJournalNames(Name());
        if (keptNames.empty()) {
            ++removed;
            continue;
        }
        ++kept;
        EXPECT_TRUE(journalLeft);
        EXPECT_EQ(ReadBytes(Name()), peerLeft) << "kill at write " << killAt << ": the file is left as it is";
        const RepairReport report = RepairRecordFile(Name());
        EXPECT_FALSE(report.IsFine());
        EXPECT_NE(report.detail.find(keptNames.front()), std::string::npos) << report.detail;
    }
    std::cout << "[ figures ] " << writes << " kills, " << writes << " peer writes, " << kept << " journals kept, "
              << removed << " removed, " << lost << " peer records lost\n";
    EXPECT_GT(kept, 0);
    EXPECT_EQ(lost, 0);
}

// Without a peer, a change cut short at any write is undone as ever, and never taken for someone else's.
TEST_F(JournalRecoveryTest, CutShortChangeAloneIsUndone)
{
    const int writes = test::RunKilledAtWrite([&] { Change(); }, 0);
    const Bytes changed = ReadBytes(Name());
    for (int killAt = 1; killAt <= writes; ++killAt) {
        WriteBytes(Name(), m_sound);
        test::RunKilledAtWrite([&] { Change(); }, killAt);
        EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read) << "kill at write " << killAt;
        const Bytes left = ReadBytes(Name());
        // The test's change is two changes in a row: the first may have finished.
        EXPECT_TRUE(left == m_sound || left == changed || !HoldsGroup(Name(), 7, Filled(1200, 7)))
            << "kill at write " << killAt;
        EXPECT_FALSE(JournalExists(Name()));
        EXPECT_TRUE(KeptJournalNames(Name()).empty()) << "kill at write " << killAt;
    }
}

// The journal against the file as it may be found, in memory: the file as it was (one journalled
// change of group 2 and one appended group), every step of the change, a write torn half way, and
// changes made by someone else inside and outside what the change writes.
TEST(JournalCheckTest, OnlyTheChangesOwnBytesCountAsCutShort)
{
    Bytes before(300);
    for (size_t i = 0; i < before.size(); ++i)
        before[i] = static_cast<unsigned char>(i * 31);
    const Bytes middle = Filled(40, 5), appended = Filled(60, 9), seal = Filled(12, 200);
    RecordJournal journal(before.size());
    journal.Keep(before, 0, 12);
    journal.Keep(before, 100, middle.size());
    journal.RecordWrites(before, before.size() + appended.size());
    journal.AddWrite(100, middle);
    journal.AddWrite(before.size(), appended);
    journal.AddWrite(0, seal);
    ASSERT_TRUE(RecordJournal::Decode(journal.Encode()));
    const RecordJournal decoded = *RecordJournal::Decode(journal.Encode());

    const auto put = [](Bytes image, size_t at, const Bytes& bytes, size_t count) {
        if (image.size() < at + count)
            image.resize(at + count);
        std::copy(
            bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(count), image.begin() + static_cast<ptrdiff_t>(at));
        return image;
    };
    const Bytes first = put(before, 100, middle, middle.size());
    const Bytes second = put(first, before.size(), appended, appended.size());
    const Bytes sealed = put(second, 0, seal, seal.size());
    Bytes outside = sealed;
    outside[200] ^= 1;
    Bytes inside = first;
    inside[110] ^= 0xFF;
    Bytes longer = sealed;
    longer.push_back(0);
    Bytes peerOnly = before;
    peerOnly[5] ^= 1;
    peerOnly.push_back(7);
    struct Case {
        const char* name;
        Bytes image;
        JournalFinding finding;
    };
    const Case cases[] = {
        { "as it was", before, JournalFinding::AsBefore },
        { "first write made", first, JournalFinding::CutShort },
        { "first write torn", put(before, 100, middle, 13), JournalFinding::CutShort },
        { "append torn", put(first, before.size(), appended, 21), JournalFinding::CutShort },
        { "sealed", sealed, JournalFinding::CutShort },
        { "a byte outside the change changed", outside, JournalFinding::ChangedSince },
        { "a byte inside the change is neither", inside, JournalFinding::ChangedSince },
        { "longer than the change leaves it", longer, JournalFinding::ChangedSince },
        { "shorter than it was", Bytes(first.begin(), first.end() - 1), JournalFinding::ChangedSince },
        // Someone else changed the file, but nothing of the change is in it: nothing to undo.
        { "only another program's change", peerOnly, JournalFinding::AsBefore },
    };
    for (const Case& c : cases) {
        const JournalCheck check = decoded.Check(c.image);
        EXPECT_EQ(check.finding, c.finding) << c.name << ": " << check.reason;
        EXPECT_EQ(check.reason.empty(), c.finding != JournalFinding::ChangedSince) << c.name;
    }
}

// Journals that cannot belong to the file, checksum right: an old length of 2^40 in either layout, or
// one byte more than the file and everything the journal keeps. Neither a reader nor a check grows the
// file; a reader keeps the journal aside, the check only reports what a reader would do.
TEST_F(JournalRecoveryTest, JournalBeyondTheFileNeverGrowsIt)
{
    const auto crafted = [&](uint64_t oldLength, bool withWrites) {
        RecordJournal journal(oldLength);
        if (withWrites)
            journal.RecordWrites(m_sound, oldLength);
        return journal.Encode();
    };
    const Bytes small = [&] {
        RecordJournal journal(m_sound.size() + 13);
        journal.Keep(m_sound, 0, 12);
        return journal.Encode();
    }();
    for (const Bytes& journal : { crafted(uint64_t { 1 } << 40, false), crafted(uint64_t { 1 } << 40, true), small }) {
        WriteBytes(JournalNameOf(Name()), journal);
        std::vector<unsigned char> image;
        JournalPlan plan;
        EXPECT_EQ(ReadRecordFileAsFound(Name(), image, plan).status, FileReadStatus::Read);
        EXPECT_EQ(plan.action, JournalRecovery::KeptAside) << plan.detail;
        EXPECT_EQ(ReadBytes(JournalNameOf(Name())), journal) << "the check changes nothing";

        EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read);
        EXPECT_EQ(ReadBytes(Name()), m_sound);
        EXPECT_FALSE(JournalExists(Name()));
        const auto kept = KeptJournalNames(Name());
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(ReadBytes(kept.front()), journal);
        ::unlink(kept.front().c_str());
    }
}

// A journal of the first layout, which keeps only the old bytes, is still played back.
TEST_F(JournalRecoveryTest, JournalOfTheFirstLayoutIsPlayedBack)
{
    RecordJournal journal(m_sound.size());
    journal.Keep(m_sound, 0, 12);
    journal.Keep(m_sound, recordfile::kFirstRecordOffset, 1204);
    WriteBytes(JournalNameOf(Name()), journal.Encode());
    Bytes changed = m_sound;
    changed[recordfile::kFirstRecordOffset + 50] ^= 1;
    changed.resize(changed.size() + 100, 0x55);
    WriteBytes(Name(), changed);
    EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read);
    EXPECT_EQ(ReadBytes(Name()), m_sound);
    EXPECT_FALSE(JournalExists(Name()));
}

} // namespace
} // namespace custodia
