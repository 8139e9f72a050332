#include "FuzzFile.h"

#include "platform/Endian.h"
#include "store/RecordFile.h"
#include "store/SharedFile.h"

#include <algorithm>
#include <vector>

using namespace custodia;

// Every reader of record files on one input, then a write and a delete, after which a file that was
// changed must verify: a change re-seals whatever it found. A file whose chain of records is broken
// is refused as it stands, so it may stay as damaged as it came.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = fuzz::WriteInput("fuzz.prf", data, size);
    const uint8_t kind = size > 36 ? data[35] : 82;
    const uint8_t subKind = size > 36 ? data[36] : 0;
    RecordFile records;

    std::vector<unsigned char> buffer(1200);
    records.ReadRecord(name, kind, subKind, buffer, false);
    records.ReadRecord(name, kind, subKind, buffer, true);
    records.ForEachRecord(name, kind, subKind, std::span(buffer).first(40 * 30), [](std::span<const unsigned char>) {});

    std::vector<unsigned char> first(255), second(19296);
    std::vector<RecordRequest> requests { { kind, subKind, first, 0 }, { 87, 1, second, 0 } };
    records.ReadRecords(name, requests);
    records.ReadRecords(name, requests, true);

    const std::vector<unsigned char> record(size % 300, 0x5A);
    records.WriteRecord(name, kind, subKind, record, (size & 1) != 0);
    records.DeleteRecord(name, kind, subKind, record, record.size());

    SharedFile file;
    if (file.Open(name, openflags::kRead | openflags::kShareDenyNone) && file.GetLength() > 4) {
        std::vector<unsigned char> now(static_cast<size_t>(file.GetLength()));
        file.Read(now.data(), now.size());
        const bool changed = !std::equal(now.begin(), now.end(), data, data + size);
        if (changed && now[recordfile::kHeaderRecordOffset] == recordfile::kHeaderKind
            && VerifyRecordFile(file) != recordfile::kVerifyOk)
            __builtin_trap();
    }
    return 0;
}
