#include "FuzzFile.h"

#include "platform/Endian.h"
#include "store/RecordFile.h"
#include "store/SharedFile.h"

#include <vector>

using namespace custodia;

// Every reader of record files on one input, then a write and a delete, after which the file must
// verify: a change re-seals whatever it found.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = fuzz::WriteInput("fuzz.prf", data, size);
    const uint8_t kind = size > 36 ? data[35] : 82;
    const uint8_t subKind = size > 36 ? data[36] : 0;
    RecordFile records;

    std::vector<unsigned char> buffer(1200);
    records.ReadRecord(name, kind, subKind, buffer.data(), 1200, 1, false);
    records.ReadRecord(name, kind, subKind, buffer.data(), 1200, 1, true);
    records.ForEachRecord(name, kind, subKind, buffer.data(), 40, 30, [](const unsigned char*) {});

    std::vector<unsigned char> first(255), second(19296);
    RecordRequest secondRequest { 87, 1, second.data(), 19296, 1, 0, nullptr };
    RecordRequest firstRequest { kind, subKind, first.data(), 255, 1, 0, &secondRequest };
    records.ReadRecords(name, &firstRequest);

    const std::vector<unsigned char> record(size % 300, 0x5A);
    records.WriteRecord(name, kind, subKind, record.data(), record.size(), 1, (size & 1) != 0);
    records.DeleteRecord(name, kind, subKind, record.data(), record.size(), record.size(), 1);

    SharedFile file;
    if (file.Open(name, openflags::kRead | openflags::kShareDenyNone) && file.GetLength() > 4) {
        unsigned char head = 0;
        file.Seek(4, File::SeekFrom::Begin);
        file.Read(&head, 1);
        if (head == recordfile::kHeaderKind && VerifyRecordFile(file) != recordfile::kVerifyOk)
            __builtin_trap();
    }
    return 0;
}
