#include "store/RecordFile.h"
#include "platform/Endian.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace custodia {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

constexpr uint8_t kPathKind = 87;

Bytes Data(size_t length, unsigned char fill)
{
    return Bytes(length, fill);
}

// Picks a record whose data is exactly the key.
std::function<bool(std::span<const unsigned char>)> SameAs(const Bytes& key)
{
    return [key](std::span<const unsigned char> stored) {
        return std::equal(stored.begin(), stored.end(), key.begin(), key.end());
    };
}

// Every test works on files in a fresh folder, with the retry waits and the error log kept out of the way.
class RecordFileTest : public ::testing::Test {
protected:
    RecordFileTest()
        : m_cwd(m_dir.path())
        , m_platform([](int) {}, {})
    {
    }

    std::string Name(const std::string& file = "test.prf") const { return m_dir.file(file); }

    void Append(uint8_t kind, uint8_t subKind, const Bytes& data, const std::string& file = "test.prf")
    {
        ASSERT_TRUE(m_records.WriteRecord(Name(file), kind, subKind, data, false).HasValue());
    }

    int Verify(const std::string& file = "test.prf")
    {
        SharedFile opened;
        EXPECT_TRUE(opened.Open(Name(file), openflags::kRead | openflags::kShareDenyNone));
        return VerifyRecordFile(opened);
    }

    // Rewrites the checksum of a file changed behind the record layer's back.
    void Reseal(Bytes& bytes) { WriteUint32LE(bytes.data(), RecordChecksum(bytes.data(), bytes.size())); }

    std::vector<Bytes> All(uint8_t kind, uint8_t subKind, size_t capacity)
    {
        std::vector<Bytes> seen;
        Bytes buffer(capacity);
        m_records.ForEachRecord(
            Name(), kind, subKind, buffer, [&](std::span<const unsigned char>) { seen.push_back(buffer); });
        return seen;
    }

    TempDir m_dir;
    test::ScopedCurrentDirectory m_cwd;
    ScopedPlatformOverride m_platform;
    RecordFile m_records;
};

TEST_F(RecordFileTest, FirstWriteCreatesHeaderAndRecord)
{
    Bytes path = Data(255, 0);
    std::memcpy(path.data(), "/srv/loggers", 12);
    Append(kPathKind, 0, path, "custo.cfg");

    const Bytes file = ReadBytes(Name("custo.cfg"));
    ASSERT_EQ(file.size(), 294u);
    EXPECT_EQ(ReadUint32LE(file.data() + 8), 294u);
    EXPECT_EQ(RecordHeader::Decode(file.data() + 4).kind, 0x81);
    EXPECT_EQ(RecordHeader::Decode(file.data() + 4).length, 31);
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 35), "QUARVA FOR WINDOWS V1.0");
    const RecordHeader head = RecordHeader::Decode(file.data() + 35);
    EXPECT_EQ(head.kind, kPathKind);
    EXPECT_EQ(head.subKind, 0);
    EXPECT_EQ(head.length, 259);
    EXPECT_EQ(Bytes(file.begin() + 39, file.end()), path);
    EXPECT_EQ(Verify("custo.cfg"), recordfile::kVerifyOk);
}

TEST_F(RecordFileTest, NewFileIs35BytesWithChecksum1770)
{
    SharedFile file;
    ASSERT_TRUE(CreateRecordFile(file, Name()).HasValue());
    file.Close();
    const Bytes bytes = ReadBytes(Name());
    ASSERT_EQ(bytes.size(), 35u);
    EXPECT_EQ(ReadUint32LE(bytes.data()), 1770u);
    EXPECT_EQ(ReadUint32LE(bytes.data() + 8), 35u);
    EXPECT_EQ(Verify(), recordfile::kVerifyOk);
}

TEST_F(RecordFileTest, ReplaceSameLengthInPlaceOtherLengthDeletesAndAppends)
{
    Append(82, 3, Data(10, 'a'));
    Append(82, 4, Data(10, 'b'));
    const size_t before = ReadBytes(Name()).size();

    const Bytes same = Data(10, 'c');
    ASSERT_TRUE(m_records.WriteRecord(Name(), 82, 3, same, true).HasValue());
    Bytes file = ReadBytes(Name());
    EXPECT_EQ(file.size(), before);
    EXPECT_EQ(file[35 + 4], 'c');

    const Bytes longer = Data(12, 'd');
    ASSERT_TRUE(m_records.WriteRecord(Name(), 82, 3, longer, true).HasValue());
    file = ReadBytes(Name());
    EXPECT_EQ(file.size(), before + 16);
    EXPECT_EQ(file[35], recordfile::kDeletedKind);
    EXPECT_EQ(RecordHeader::Decode(file.data() + before).length, 16);
    EXPECT_EQ(Verify(), recordfile::kVerifyOk);

    Bytes buffer(12);
    EXPECT_EQ(m_records.ReadRecord(Name(), 82, 3, buffer, true), 12u);
    EXPECT_EQ(buffer, longer);
    EXPECT_EQ(m_records.ReadRecord(Name(), 82, 4, buffer, true), 10u);
}

TEST_F(RecordFileTest, ReplaceDeletesEarlierOtherLengthsAndLeavesLaterOnes)
{
    Append(65, 0, Data(5, '1'));
    Append(65, 0, Data(8, '2'));
    Append(65, 0, Data(5, '3'));
    const Bytes next = Data(8, '9');
    ASSERT_TRUE(m_records.WriteRecord(Name(), 65, 0, std::span(next).first(8), true).HasValue());
    EXPECT_EQ(All(65, 0, 8),
        (std::vector<Bytes> {
            Bytes { '9', '9', '9', '9', '9', '9', '9', '9' }, Bytes { '3', '3', '3', '3', '3', '9', '9', '9' } }));
}

TEST_F(RecordFileTest, ReadersDeliverInFileOrderAndSkipRecordsLargerThanTheBuffer)
{
    Append(87, 0, Data(4, 'x'));
    Append(87, 0, Data(20, 'y'));
    Append(87, 1, Data(4, 'n'));
    Append(87, 0, Data(3, 'z'));

    EXPECT_EQ(All(87, 0, 4).size(), 2u);
    EXPECT_EQ(All(87, 0, 4)[1], (Bytes { 'z', 'z', 'z', 'x' })); // the buffer keeps what a shorter record left
    EXPECT_EQ(All(87, 0, 20).size(), 3u);

    Bytes buffer(3, 0);
    EXPECT_EQ(m_records.ReadRecord(Name(), 87, 0, std::span(buffer).first(3), false), 3u);
    EXPECT_EQ(buffer, (Bytes { 'z', 'z', 'z' }));
    EXPECT_EQ(m_records.ReadRecord(Name(), 99, 0, std::span(buffer).first(3), false), 0u);
}

TEST_F(RecordFileTest, ForEachCallsOnRecordWithTheHeadOffsetWhenNoFunctionIsGiven)
{
    struct Collector : RecordFile {
        std::vector<uint64_t> offsets;
        void OnRecord(std::span<const unsigned char>, uint64_t offset) override { offsets.push_back(offset); }
    } collector;
    Append(1, 2, Data(6, 'a'));
    Append(1, 2, Data(6, 'b'));
    Bytes buffer(6);
    collector.ForEachRecord(Name(), 1, 2, buffer);
    EXPECT_EQ(collector.offsets, (std::vector<uint64_t> { 35, 45 }));
}

TEST_F(RecordFileTest, DeleteMarksTheFirstExactMatchOnly)
{
    Append(87, 0, Data(6, 'a'));
    Append(87, 0, Data(6, 'b'));
    Append(87, 0, Data(6, 'b'));
    Append(87, 0, Data(5, 'b'));
    const Bytes key = Data(6, 'b');
    const Result<bool> deleted = m_records.DeleteFirstRecord(Name(), 87, 0, SameAs(key), "delete");
    ASSERT_TRUE(deleted.HasValue());
    EXPECT_TRUE(*deleted);

    const Bytes file = ReadBytes(Name());
    EXPECT_EQ(file[35], 87);
    EXPECT_EQ(file[45], recordfile::kDeletedKind);
    EXPECT_EQ(file[55], 87);
    EXPECT_EQ(Verify(), recordfile::kVerifyOk);
    EXPECT_EQ(All(87, 0, 6).size(), 3u);
}

TEST_F(RecordFileTest, DeleteNeverCreatesAFile)
{
    const Bytes key = Data(6, 'b');
    const Result<bool> deleted = m_records.DeleteFirstRecord(Name(), 87, 0, SameAs(key), "delete");
    ASSERT_FALSE(deleted.HasValue());
    EXPECT_TRUE(IsMissingFile(deleted.Error()));
    EXPECT_FALSE(FileExists(Name()));
}

TEST_F(RecordFileTest, VerificationResults)
{
    Append(82, 1, Data(30, 7));
    const Bytes good = ReadBytes(Name());
    EXPECT_EQ(Verify(), recordfile::kVerifyOk);

    for (size_t offset = 4; offset < good.size(); ++offset) {
        Bytes flipped = good;
        flipped[offset] ^= 0x5A;
        WriteBytes(Name(), flipped);
        ASSERT_EQ(Verify(), recordfile::kVerifyChecksumWrong) << "byte " << offset;
    }

    Bytes lengthWrong = good;
    WriteUint32LE(lengthWrong.data() + 8, 1000);
    WriteBytes(Name(), lengthWrong);
    EXPECT_EQ(Verify(), recordfile::kVerifyChecksumWrong);
    Reseal(lengthWrong);
    WriteBytes(Name(), lengthWrong);
    EXPECT_EQ(Verify(), recordfile::kVerifyLengthWrong);

    Bytes noHeader = good;
    noHeader[4] = 0x80;
    Reseal(noHeader);
    WriteBytes(Name(), noHeader);
    EXPECT_EQ(Verify(), recordfile::kVerifyNoHeader);
}

TEST_F(RecordFileTest, DamagedFilesAreRefusedByVerifyingReaders)
{
    Append(82, 1, Data(30, 7));
    Bytes file = ReadBytes(Name());
    file[40] ^= 1;
    WriteBytes(Name(), file);

    Bytes buffer(30);
    EXPECT_EQ(m_records.ReadRecord(Name(), 82, 1, buffer, true), 0u);
    EXPECT_EQ(m_records.ReadRecord(Name(), 82, 1, buffer, false), 30u);
    EXPECT_TRUE(All(82, 1, 30).empty());
    std::vector<RecordRequest> requests { { 82, 1, buffer, 99 } };
    EXPECT_EQ(m_records.ReadRecords(Name(), requests).status, FileReadStatus::Damaged);

    // A change re-seals the file, so it verifies again.
    Append(82, 2, Data(3, 1));
    EXPECT_EQ(Verify(), recordfile::kVerifyOk);
}

// Peers read some files whatever their checksum says; such a reader still hears that the file is damaged.
TEST_F(RecordFileTest, ReadRecordsCanReadADamagedFileAndSaysSo)
{
    Append(82, 1, Data(6, 'a'));
    Bytes file = ReadBytes(Name());
    file[40] ^= 1;
    WriteBytes(Name(), file);

    Bytes buffer(6, 0);
    std::vector<RecordRequest> requests { { 82, 1, buffer, 0 } };
    const FileReadResult read = m_records.ReadRecords(Name(), requests, true);
    EXPECT_EQ(read.status, FileReadStatus::Damaged);
    EXPECT_EQ(read.problem, "checksum wrong");
    EXPECT_EQ(requests[0].bytesRead, 6u);
    EXPECT_EQ(InspectRecordFile(Name()).problem, "checksum wrong");
    EXPECT_EQ(m_records.ForEachRecord(Name(), 82, 1, buffer).status, FileReadStatus::Damaged);
}

TEST_F(RecordFileTest, ReadRecordsFillsRequestsInOrder)
{
    Append(82, 1, Data(10, 'a'));
    Append(82, 1, Data(4, 'b'));
    Append(82, 1, Data(6, 'c'));
    Append(87, 1, Data(8, 'd'));

    Bytes small(5, 0), any1(10, 0), any2(10, 0), other(8, 0), missing(8, 0);
    std::vector<RecordRequest> requests { { 82, 1, small, 7 }, { 82, 1, any1, 7 }, { 82, 1, any2, 7 },
        { 87, 1, other, 7 }, { 70, 0, missing, 7 } };
    const RecordRequest& requestSmall = requests[0];
    const RecordRequest& requestAny1 = requests[1];
    const RecordRequest& requestAny2 = requests[2];
    const RecordRequest& requestOther = requests[3];
    const RecordRequest& requestMissing = requests[4];

    ASSERT_TRUE(m_records.ReadRecords(Name(), requests).WasRead());
    // The first record is too big for the small request and goes to the next one; the small one is
    // filled from the later, smaller record.
    EXPECT_EQ(requestSmall.bytesRead, 4u);
    EXPECT_EQ(small, (Bytes { 'b', 'b', 'b', 'b', 0 }));
    EXPECT_EQ(requestAny1.bytesRead, 10u);
    EXPECT_EQ(any1, Data(10, 'a'));
    EXPECT_EQ(requestAny2.bytesRead, 6u);
    EXPECT_EQ(requestOther.bytesRead, 8u);
    EXPECT_EQ(requestMissing.bytesRead, 0u);
}

TEST_F(RecordFileTest, ReadRecordsOnTinyOrMissingFilesLeavesRequestsAlone)
{
    Bytes buffer(4);
    std::vector<RecordRequest> requests { { 1, 0, buffer, 42 } };
    EXPECT_EQ(m_records.ReadRecords(Name("absent"), requests).status, FileReadStatus::Missing);
    for (size_t length : { 0, 3, 4 }) {
        WriteBytes(Name("tiny"), Bytes(length, 0));
        EXPECT_EQ(m_records.ReadRecords(Name("tiny"), requests).status, FileReadStatus::Damaged) << length;
    }
    EXPECT_EQ(requests[0].bytesRead, 42u);
}

// Heads that claim less than themselves or more than the file holds end every scan; nothing is read
// past the end of the file whatever a length says, and a reader of the whole file calls it damaged
// rather than short.
TEST_F(RecordFileTest, HostileHeadsEndTheScan)
{
    Append(5, 0, Data(4, 'a'));
    const Bytes good = ReadBytes(Name());

    struct Case {
        uint16_t length;
        const char* why;
    };
    const Case cases[] = { { 0, "zero" }, { 3, "shorter than a head" }, { 4, "head only" },
        { 9, "one byte past the end" }, { 0xFFFF, "far past the end" } };
    for (const Case& c : cases) {
        Bytes bad = good;
        WriteUint16LE(bad.data() + 35 + 2, c.length);
        Reseal(bad);
        WriteBytes(Name(), bad);
        Bytes buffer(0x10000, 0);
        EXPECT_EQ(m_records.ReadRecord(Name(), 5, 0, buffer, true), 0u) << c.why;
        EXPECT_TRUE(All(5, 0, buffer.size()).empty()) << c.why;
        std::vector<RecordRequest> requests { { 5, 0, buffer, 0 } };
        const FileReadResult read = m_records.ReadRecords(Name(), requests);
        EXPECT_EQ(read.status, FileReadStatus::Damaged) << c.why;
        EXPECT_NE(read.problem.find("offset 35"), std::string::npos) << c.why << ": " << read.problem;
        EXPECT_EQ(requests[0].bytesRead, 0u) << c.why;
    }
}

TEST_F(RecordFileTest, TruncatedFilesAreRefusedAtEveryLength)
{
    Append(82, 0, Data(12, 3));
    Append(82, 1, Data(12, 4));
    const Bytes good = ReadBytes(Name());
    for (size_t length = 0; length < good.size(); ++length) {
        WriteBytes(Name(), Bytes(good.begin(), good.begin() + static_cast<long>(length)));
        Bytes buffer(12);
        std::vector<RecordRequest> requests { { 82, 1, buffer, 0 } };
        EXPECT_EQ(m_records.ReadRecords(Name(), requests).status, FileReadStatus::Damaged) << length;
        EXPECT_EQ(m_records.ReadRecord(Name(), 82, 1, buffer, true), 0u) << length;
        EXPECT_TRUE(All(82, 1, 12).empty()) << length;
    }
}

TEST_F(RecordFileTest, ExistingFileThatCannotBeOpenedForWritingIsNotRecreated)
{
    Append(82, 0, Data(12, 3));
    const Bytes before = ReadBytes(Name());
    SharedFile holder;
    ASSERT_TRUE(holder.Open(Name(), openflags::kReadWrite | openflags::kShareExclusive));
    const Bytes data = Data(12, 9);
    EXPECT_FALSE(m_records.WriteRecord(Name(), 82, 1, std::span(data).first(12), false).HasValue());
    holder.Close();
    EXPECT_EQ(ReadBytes(Name()), before);
}

TEST_F(RecordFileTest, WriteIntoAMissingFolderFails)
{
    const Bytes data = Data(12, 9);
    EXPECT_FALSE(
        m_records.WriteRecord(m_dir.file("missing/x.prf"), 82, 1, std::span(data).first(12), false).HasValue());
}

TEST_F(RecordFileTest, RecordsThatCannotBeStoredAreRefused)
{
    const Bytes data(recordfile::kMaxDataLength + 1, 1);
    for (const size_t length : { data.size(), size_t { 0 } }) {
        const Status written = m_records.WriteRecord(Name(), 82, 1, std::span(data).first(length), false);
        ASSERT_FALSE(written.HasValue()) << length;
        EXPECT_EQ(written.Error().refusal, Failure::Refusal::BadValue) << length;
    }
    EXPECT_FALSE(FileExists(Name()));
    EXPECT_TRUE(
        m_records.WriteRecord(Name(), 82, 1, std::span(data).first(recordfile::kMaxDataLength), false).HasValue());
}

} // namespace
} // namespace custodia
