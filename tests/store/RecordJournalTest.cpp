#include "store/RecordJournal.h"
#include "platform/Endian.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "store/RecordFile.h"
#include "support/KillAtWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <optional>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// The live records of a file as (kind, sub-kind, data), after its readers have had their say: what a
// program of the suite would see. A missing file holds none; a file that no reader accepts gives
// nothing at all.
using Record = std::tuple<uint8_t, uint8_t, Bytes>;
std::optional<std::vector<Record>> LiveRecords(const std::string& fileName)
{
    const FileReadResult check = InspectRecordFile(fileName);
    if (check.status == FileReadStatus::Missing)
        return std::vector<Record> {};
    if (!check.WasRead())
        return std::nullopt;
    const Bytes image = ReadBytes(fileName);
    std::vector<Record> records;
    for (size_t offset = recordfile::kFirstRecordOffset; offset + recordfile::kHeadSize <= image.size();) {
        const RecordHeader head = RecordHeader::Decode(image.data() + offset);
        if (head.length <= recordfile::kHeadSize || offset + head.length > image.size())
            return std::nullopt; // a chain that does not reach the end is no whole file
        if (head.kind != recordfile::kDeletedKind)
            records.emplace_back(head.kind, head.subKind,
                Bytes(image.begin() + static_cast<ptrdiff_t>(offset + recordfile::kHeadSize),
                    image.begin() + static_cast<ptrdiff_t>(offset + head.length)));
        offset += head.length;
    }
    return records;
}

Bytes Filled(size_t length, unsigned char seed)
{
    Bytes data(length);
    for (size_t i = 0; i < length; ++i)
        data[i] = static_cast<unsigned char>(seed + i * 13);
    return data;
}

struct KillCase {
    const char* name;
    const char* fileName;
    std::function<void(RecordFile&, const std::string&)> prepare;
    std::function<void(RecordFile&, const std::string&)> change;
};

constexpr uint8_t kGroupKind = 82, kListKind = 87, kOfficeKind = 65;

bool ToggleRight(std::span<unsigned char> data)
{
    data[200 + 7] ^= 1;
    return true;
}

std::vector<KillCase> KillCases()
{
    const auto none = [](RecordFile&, const std::string&) {};
    const auto twoGroups = [](RecordFile& records, const std::string& name) {
        EXPECT_TRUE(records.WriteRecord(name, kGroupKind, 1, Filled(1200, 1), true).HasValue());
        EXPECT_TRUE(records.WriteRecord(name, kGroupKind, 5, Filled(1200, 5), true).HasValue());
    };
    const auto databaseList = [](RecordFile& records, const std::string& name) {
        EXPECT_TRUE(records.WriteRecord(name, kListKind, 1, Filled(19296, 9), true).HasValue());
    };
    const auto officeFile = [](RecordFile& records, const std::string& name) {
        EXPECT_TRUE(records.WriteRecord(name, kOfficeKind, 0, Filled(6000, 3), true).HasValue());
    };
    const auto twoPaths = [](RecordFile& records, const std::string& name) {
        EXPECT_TRUE(records.WriteRecord(name, kListKind, 0, Filled(255, 'a'), false).HasValue());
        EXPECT_TRUE(records.WriteRecord(name, kListKind, 0, Filled(255, 'b'), false).HasValue());
    };
    return {
        { "a group's right changed in place", "translator.prf", twoGroups,
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records.ChangeRecord(name, kGroupKind, 5, 1200, ToggleRight).HasValue());
            } },
        { "a new group appended", "setup.prf", twoGroups,
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records.WriteRecord(name, kGroupKind, 9, Filled(1200, 9), true).HasValue());
            } },
        { "a shorter group record superseded by a whole one", "view.prf",
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records.WriteRecord(name, kGroupKind, 2, Filled(600, 2), true).HasValue());
            },
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records.WriteRecord(name, kGroupKind, 2, Filled(1200, 4), true).HasValue());
            } },
        { "a group saved into a missing profile file", "export.prf", none,
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records.ChangeRecord(name, kGroupKind, 3, 1200, ToggleRight).HasValue());
            } },
        { "a database slot changed", "tessel.dbs", databaseList,
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records
                                .ChangeRecord(name, kListKind, 1, 19296,
                                    [](std::span<unsigned char> data) {
                                        data[3 * 257] = 'X';
                                        return true;
                                    })
                                .HasValue());
            } },
        { "an office named", "officena.mes", officeFile,
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records
                                .ChangeRecord(name, kOfficeKind, 0, 6000,
                                    [](std::span<unsigned char> data) {
                                        data[60 * 4 + 10] = 'Q';
                                        return true;
                                    })
                                .HasValue());
            } },
        { "a login path added", "custo.cfg", twoPaths,
            [](RecordFile& records, const std::string& name) {
                EXPECT_TRUE(records.WriteRecord(name, kListKind, 0, Filled(255, 'c'), false).HasValue());
            } },
        { "a login path removed", "custo.cfg", twoPaths,
            [](RecordFile& records, const std::string& name) {
                const Bytes path = Filled(255, 'a');
                EXPECT_TRUE(records
                                .DeleteFirstRecord(name, kListKind, 0,
                                    [&](std::span<const unsigned char> stored) {
                                        return std::equal(stored.begin(), stored.end(), path.begin(), path.end());
                                    },
                                    {})
                                .HasValue());
            } },
    };
}

class RecordJournalKillTest : public ::testing::TestWithParam<KillCase> {
protected:
    RecordJournalKillTest()
        : m_platform([](int) {}, {})
    {
    }

    TempDir m_dir;
    ScopedPlatformOverride m_platform;
};

// A writer killed at each of its writes in turn (the journal's, the file's, the journal's removal)
// leaves a file that every reader takes whole, holding either what it held before or the change.
TEST_P(RecordJournalKillTest, WriterKilledAtEveryWriteLeavesOldOrNewContent)
{
    const KillCase& c = GetParam();
    const std::string name = m_dir.file(c.fileName);
    RecordFile records;
    c.prepare(records, name);
    const auto before = LiveRecords(name);
    ASSERT_TRUE(before);
    const Bytes original = ReadBytes(name);

    const int writes = test::RunKilledAtWrite([&] { c.change(records, name); }, 0);
    ASSERT_GT(writes, 2) << "the change, its journal and the journal's removal each write";
    const auto after = LiveRecords(name);
    ASSERT_TRUE(after);
    ASSERT_NE(*after, *before);
    EXPECT_FALSE(JournalExists(name));

    int asBefore = 0, asAfter = 0, unreadable = 0;
    for (int killAt = 1; killAt <= writes; ++killAt) {
        if (original.empty())
            ::unlink(name.c_str());
        else
            WriteBytes(name, original);
        test::RunKilledAtWrite([&] { c.change(records, name); }, killAt);
        const auto seen = LiveRecords(name);
        EXPECT_FALSE(JournalExists(name)) << "kill at write " << killAt;
        if (seen == before)
            ++asBefore;
        else if (seen == after)
            ++asAfter;
        else
            ++unreadable;
    }
    std::cout << "[ figures ] " << c.name << ": " << writes << " kills, " << asBefore << " as before, " << asAfter
              << " changed, " << unreadable << " unreadable or mixed\n";
    EXPECT_EQ(unreadable, 0);
    EXPECT_GT(asBefore, 0);
}

INSTANTIATE_TEST_SUITE_P(RecordFiles, RecordJournalKillTest, ::testing::ValuesIn(KillCases()),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

class RecordJournalTest : public ::testing::Test {
protected:
    RecordJournalTest()
        : m_platform([](int) {}, {})
    {
        EXPECT_TRUE(RecordFile().WriteRecord(Name(), kGroupKind, 1, Filled(1200, 1), true).HasValue());
        m_sound = ReadBytes(Name());
    }

    std::string Name() const { return m_dir.file("setup.prf"); }

    // The file as a killed writer leaves it: its journal complete and part of the change made.
    void CutShortChange(size_t journalBytes)
    {
        SharedFile file;
        ASSERT_TRUE(file.Open(Name(), openflags::kReadWrite | openflags::kShareExclusive));
        RecordJournal journal(file.GetLength());
        journal.Keep(file, 0, 12);
        journal.Keep(file, recordfile::kFirstRecordOffset, 1204);
        Bytes encoded = journal.Encode();
        encoded.resize(std::min(encoded.size(), journalBytes));
        WriteBytes(JournalNameOf(Name()), encoded);
        if (journalBytes >= journal.Encode().size()) {
            const Bytes torn = Filled(500, 77);
            file.Seek(recordfile::kFirstRecordOffset + 4, File::SeekFrom::Begin);
            file.Write(torn.data(), torn.size());
            file.Seek(0, File::SeekFrom::End);
            file.Write(torn.data(), torn.size());
        }
    }

    TempDir m_dir;
    ScopedPlatformOverride m_platform;
    Bytes m_sound;
};

TEST_F(RecordJournalTest, ReaderRollsBackAChangeCutShort)
{
    CutShortChange(SIZE_MAX);
    Bytes buffer(1200);
    EXPECT_EQ(RecordFile().ReadRecord(Name(), kGroupKind, 1, buffer, true), 1200u);
    EXPECT_EQ(buffer, Filled(1200, 1));
    EXPECT_EQ(ReadBytes(Name()), m_sound);
    EXPECT_FALSE(JournalExists(Name()));
}

TEST_F(RecordJournalTest, WriterRollsBackBeforeItsOwnChange)
{
    CutShortChange(SIZE_MAX);
    ASSERT_TRUE(RecordFile().WriteRecord(Name(), kGroupKind, 2, Filled(1200, 2), true).HasValue());
    EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read);
    Bytes buffer(1200);
    EXPECT_EQ(RecordFile().ReadRecord(Name(), kGroupKind, 1, buffer, true), 1200u);
    EXPECT_EQ(buffer, Filled(1200, 1));
}

// A journal is flushed whole before the file is touched: a torn one (cut at any length, or with one
// byte changed) means the file was never touched, so it is removed and the file left alone.
TEST_F(RecordJournalTest, TornJournalIsRemovedAndTheFileLeftAlone)
{
    RecordJournal journal(m_sound.size());
    {
        SharedFile file;
        ASSERT_TRUE(file.Open(Name(), openflags::kRead | openflags::kShareDenyNone));
        journal.Keep(file, 0, 12);
        journal.Keep(file, recordfile::kFirstRecordOffset, 100);
    }
    const Bytes whole = journal.Encode();
    for (size_t cut = 0; cut < whole.size(); cut += 7) {
        WriteBytes(JournalNameOf(Name()), Bytes(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(cut)));
        EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read) << "cut at " << cut;
        EXPECT_FALSE(JournalExists(Name())) << "cut at " << cut;
        EXPECT_EQ(ReadBytes(Name()), m_sound);
    }
    for (size_t flip = 0; flip < whole.size(); flip += 5) {
        Bytes damaged = whole;
        damaged[flip] ^= 0x20;
        EXPECT_FALSE(RecordJournal::Decode(damaged)) << "byte " << flip;
    }
}

TEST_F(RecordJournalTest, JournalWithLengthsPastItsEndOrTheFileIsRefused)
{
    RecordJournal journal(40);
    Bytes bytes = journal.Encode();
    bytes.resize(recordjournal::kHeaderSize + recordjournal::kRangeHeadSize + 4);
    WriteUint32LE(bytes.data() + recordjournal::kRangeCountOffset, 1);
    WriteUint32LE(bytes.data() + recordjournal::kHeaderSize, 38); // range at 38, 4 bytes: past the old end
    WriteUint32LE(bytes.data() + recordjournal::kHeaderSize + recordjournal::kRangeLengthOffset, 4);
    WriteUint32LE(bytes.data() + recordjournal::kChecksumOffset, JournalChecksum(bytes));
    EXPECT_FALSE(RecordJournal::Decode(bytes));
    WriteUint32LE(bytes.data() + recordjournal::kHeaderSize, 36);
    WriteUint32LE(bytes.data() + recordjournal::kChecksumOffset, JournalChecksum(bytes));
    EXPECT_TRUE(RecordJournal::Decode(bytes));
    WriteUint32LE(bytes.data() + recordjournal::kRangeCountOffset, 2);
    WriteUint32LE(bytes.data() + recordjournal::kChecksumOffset, JournalChecksum(bytes));
    EXPECT_FALSE(RecordJournal::Decode(bytes));
}

// A file's part in a change of several files, as a writer killed after sealing the file leaves it:
// group 1 replaced, and the journal of what it held naming the change's marker (or, for a change of one
// file, no marker).
class ChangeSetJournalTest : public RecordJournalTest {
protected:
    static constexpr const char* kMarker = "setup.prf-changeset-00112233445566aa";

    Bytes ChangedWithJournal(const std::string& fileName, const std::string& marker)
    {
        EXPECT_TRUE(RecordFile().WriteRecord(fileName, kGroupKind, 1, Filled(1200, 1), true).HasValue());
        RecordJournal journal(ReadBytes(fileName).size());
        {
            SharedFile file;
            EXPECT_TRUE(file.Open(fileName, openflags::kRead | openflags::kShareDenyNone));
            journal.Keep(file, 0, 12);
            journal.Keep(file, recordfile::kFirstRecordOffset, 1204);
        }
        EXPECT_TRUE(RecordFile().WriteRecord(fileName, kGroupKind, 1, Filled(1200, 9), true).HasValue());
        journal.SetChangeSet(marker);
        WriteBytes(JournalNameOf(fileName), journal.Encode());
        return ReadBytes(fileName);
    }
    bool MarkerExists() const { return ::access(m_dir.file(kMarker).c_str(), F_OK) == 0; }
};

// Until its marker is removed a change of several files has not happened, and each journal is played
// back; once the marker is gone the change has, and a journal left behind goes without undoing anything.
// A journal of one file's change keeps the first layout and is played back as ever.
TEST_F(ChangeSetJournalTest, JournalIsPlayedBackOnlyWhileItsMarkerIsThere)
{
    struct Case {
        const char* marker;
        bool markerThere;
        bool playedBack;
    };
    for (const Case& c : { Case { "", false, true }, Case { kMarker, true, true }, Case { kMarker, false, false } }) {
        WriteBytes(Name(), m_sound);
        const Bytes changed = ChangedWithJournal(Name(), c.marker);
        const Bytes journal = ReadBytes(JournalNameOf(Name()));
        const auto& magic = *c.marker ? recordjournal::kMagicInChangeSet : recordjournal::kMagic;
        EXPECT_TRUE(std::equal(std::begin(magic), std::end(magic), journal.begin())) << c.marker;
        if (c.markerThere)
            WriteBytes(m_dir.file(kMarker), {});
        EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read);
        EXPECT_EQ(ReadBytes(Name()), c.playedBack ? m_sound : changed) << c.marker << " " << c.markerThere;
        EXPECT_FALSE(JournalExists(Name()));
        EXPECT_FALSE(MarkerExists()) << "the last journal naming it is played back";
    }
}

// A marker stays while any journal still names it: removing it sooner would make the files not yet
// played back look committed.
TEST_F(ChangeSetJournalTest, MarkerGoesWithTheLastJournalNamingIt)
{
    const std::string view = m_dir.file("view.prf");
    ChangedWithJournal(Name(), kMarker);
    ChangedWithJournal(view, kMarker);
    WriteBytes(m_dir.file(kMarker), {});

    EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read);
    EXPECT_EQ(ReadBytes(Name()), m_sound);
    EXPECT_TRUE(MarkerExists());
    EXPECT_EQ(InspectRecordFile(view).status, FileReadStatus::Read);
    EXPECT_EQ(ReadBytes(view), m_sound) << "the same record as the first file";
    EXPECT_FALSE(MarkerExists());
}

// A journal names its marker by a bare name of the marker's form; anything else, a path above all,
// makes the journal no journal of ours.
TEST_F(ChangeSetJournalTest, JournalNamingAnythingButAMarkerIsRefused)
{
    RecordJournal journal(40);
    journal.SetChangeSet(kMarker);
    Bytes bytes = journal.Encode();
    ASSERT_TRUE(RecordJournal::Decode(bytes));
    EXPECT_EQ(RecordJournal::Decode(bytes)->ChangeSet(), kMarker);
    WriteUint16LE(bytes.data() + recordjournal::kChangeSetLengthOffset, static_cast<uint16_t>(bytes.size()));
    WriteUint32LE(bytes.data() + recordjournal::kChecksumOffset, JournalChecksum(bytes));
    EXPECT_FALSE(RecordJournal::Decode(bytes)) << "a name past the journal's end";
    for (const char* name : { "../setup.prf-changeset-00112233445566aa", "x/setup.prf-changeset-00112233445566aa",
             ".prf-changeset-00112233445566aa", "-changeset-00112233445566aa", "setup.prf-changeset-0011",
             "setup.prf-changeset-00112233445566ag", "setup.prf-journal" }) {
        journal.SetChangeSet(name);
        EXPECT_FALSE(RecordJournal::Decode(journal.Encode())) << name;
    }
}

// A link by the journal's name is neither written through nor read through.
TEST_F(RecordJournalTest, LinkInPlaceOfTheJournalIsNotFollowed)
{
    const std::string target = m_dir.file("elsewhere");
    test::WriteText(target, "keep me");
    ASSERT_EQ(::symlink(target.c_str(), JournalNameOf(Name()).c_str()), 0);
    EXPECT_EQ(InspectRecordFile(Name()).status, FileReadStatus::Read);
    EXPECT_EQ(test::ReadText(target), "keep me");
    EXPECT_FALSE(JournalExists(Name()));

    ASSERT_EQ(::symlink(target.c_str(), JournalNameOf(Name()).c_str()), 0);
    SharedFile file;
    ASSERT_TRUE(file.Open(Name(), openflags::kReadWrite | openflags::kShareExclusive));
    EXPECT_THROW(RecordJournal(file.GetLength()).Store(Name()), FileException);
    EXPECT_EQ(test::ReadText(target), "keep me");
}

// While a writer holds the file its journal is no reader's business: the reader waits as for any held
// file and never rolls back a change under way.
TEST_F(RecordJournalTest, ReaderLeavesTheJournalOfAWriterThatHoldsTheFile)
{
    CutShortChange(SIZE_MAX);
    const Bytes during = ReadBytes(Name());
    SharedFile writer;
    ASSERT_TRUE(writer.Open(Name(), openflags::kReadWrite | openflags::kShareExclusive));
    const FileReadResult read = InspectRecordFile(Name());
    EXPECT_EQ(read.status, FileReadStatus::Unopenable);
    EXPECT_TRUE(JournalExists(Name()));
    EXPECT_EQ(ReadBytes(Name()), during);
}

// Any program of ours that touches the folder undoes what killed writers left, file by file as named,
// without waiting for one that a living writer holds.
TEST_F(RecordJournalTest, TouchingTheFolderUndoesAbandonedChangesOfTheNamedFilesOnly)
{
    CutShortChange(SIZE_MAX);
    const Bytes during = ReadBytes(Name());
    EXPECT_TRUE(RecoverAbandonedChanges(m_dir.path(), { "view.prf" }, FileEnvironment::System()).empty());
    EXPECT_TRUE(JournalExists(Name()));
    {
        SharedFile writer;
        ASSERT_TRUE(writer.Open(Name(), openflags::kReadWrite | openflags::kShareExclusive));
        EXPECT_TRUE(RecoverAbandonedChanges(m_dir.path(), { "setup.prf" }, FileEnvironment::System()).empty());
        EXPECT_EQ(ReadBytes(Name()), during);
    }
    EXPECT_EQ(RecoverAbandonedChanges(m_dir.path(), { "view.prf", "setup.prf" }, FileEnvironment::System()),
        std::vector<std::string> { "setup.prf" });
    EXPECT_EQ(ReadBytes(Name()), m_sound);
    EXPECT_FALSE(JournalExists(Name()));
}

} // namespace
} // namespace custodia
