#include "store/PasswordFileScan.h"

#include "platform/File.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace custodia {

using namespace passwordfile;

namespace {

// About 400 KB a read: few calls even at 10,000 users, and a buffer small enough to stay in memory
// that the process already has.
constexpr size_t kRecordsPerRead = 2048;

// A hint only: a length beyond any real file makes no caller reserve gigabytes.
constexpr uint64_t kMaxExpectedBytes = 64ull * 1024 * 1024;

static_assert(sizeof(PasswordFileRecord) == kRecordSize, "records are read straight into their arrays");

bool IsInUse(const PasswordFileRecord& record)
{
    const uint8_t type = RecordTypeOf(record);
    return type == kUserRecordType || type == kAccessRecordType;
}

} // namespace

size_t PasswordFileScan::HeaderLength() const
{
    return static_cast<size_t>(std::min<uint64_t>(length, kHeaderSize));
}

PasswordFileScan ScanPasswordFile(
    File& file, const PasswordRecordVisitor& visit, const std::function<void(uint64_t records)>& expect)
{
    PasswordFileScan scan;
    file.SeekToBegin();
    PasswordFileHeaderBytes headerBytes {};
    scan.length = file.Read(headerBytes.data(), headerBytes.size());
    if (scan.length < headerBytes.size())
        return scan;
    scan.header = PasswordFileHeader::Decode(headerBytes);
    if (!scan.header->HasValidTitle())
        return scan;
    if (expect)
        expect(
            std::min<uint64_t>(file.GetLength() - std::min<uint64_t>(file.GetLength(), kHeaderSize), kMaxExpectedBytes)
            / kRecordSize);

    // Read to the end rather than trusting the length, which another program may be changing; a
    // partial record is carried over to the next read.
    std::vector<PasswordFileRecord> chunk(kRecordsPerRead);
    auto* bytes = reinterpret_cast<unsigned char*>(chunk.data());
    const size_t chunkBytes = chunk.size() * kRecordSize;
    size_t carried = 0;
    uint64_t inUse = 0;
    for (;;) {
        const size_t wanted = chunkBytes - carried;
        const size_t got = file.Read(bytes + carried, wanted);
        const size_t available = carried + got;
        scan.length += got;
        const size_t whole = available / kRecordSize;
        for (size_t i = 0; i < whole; ++i) {
            inUse += IsInUse(chunk[i]) ? 1 : 0;
            visit(scan.wholeRecords + i, chunk[i]);
        }
        scan.wholeRecords += whole;
        carried = available - whole * kRecordSize;
        if (got < wanted)
            break; // the end of the file
        std::copy_n(bytes + whole * kRecordSize, carried, bytes);
    }
    // The file size cap keeps this far below the field's range; saturating keeps it from wrapping anyway.
    scan.recordsInUse = static_cast<uint32_t>(std::min<uint64_t>(inUse, std::numeric_limits<uint32_t>::max()));
    return scan;
}

} // namespace custodia
