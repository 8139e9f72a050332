#include "FuzzFile.h"

#include "platform/Endian.h"
#include "platform/SharedFile.h"
#include "store/RecordFile.h"

#include <algorithm>
#include <vector>

using namespace custodia;

// A record file's bytes through the file readers, then a write and a delete, after which the file must
// verify: a change re-seals whatever it found. What the readers make of the bytes is fuzzed in memory
// (record_image_fuzz); here one read of each kind goes through the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<unsigned char> image = fuzz::SealedRecordImage(data, size);
    const std::string name = fuzz::WriteInput("fuzz.prf", image);
    const uint8_t kind = size > 36 ? image[35] : 82;
    const uint8_t subKind = size > 36 ? image[36] : 0;
    RecordFile records;

    std::vector<unsigned char> buffer(1200);
    records.ForEachRecord(name, kind, subKind, std::span(buffer).first(40 * 30), [](std::span<const unsigned char>) {});
    std::vector<unsigned char> first(255), second(19296);
    std::vector<RecordRequest> requests { { kind, subKind, first, 0 }, { 87, 1, second, 0 } };
    records.ReadRecords(name, requests, true);
    if (!fuzz::ShouldWrite(image))
        return 0;

    const std::vector<unsigned char> record(size % 300, 0x5A);
    // A write refuses a damaged file or a broken record chain; one that was written is sealed.
    const bool written = static_cast<bool>(records.WriteRecord(name, kind, subKind, record, (size & 1) != 0));
    records.DeleteFirstRecord(
        name, kind, subKind, [&](std::span<const unsigned char> stored) { return std::ranges::equal(stored, record); },
        "fuzz");

    SharedFile file;
    if (file.Open(name, openflags::kRead | openflags::kShareDenyNone) && file.GetLength() > 4) {
        unsigned char head = 0;
        file.Seek(4, File::SeekFrom::Begin);
        file.Read(&head, 1);
        fuzz::Require(!written || head != recordfile::kHeaderKind || VerifyRecordFile(file) == recordfile::kVerifyOk);
    }
    return 0;
}
