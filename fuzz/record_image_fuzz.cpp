#include "FuzzImage.h"

#include "store/DatabaseList.h"
#include "store/FixedText.h"
#include "store/GroupRecord.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/RecordImage.h"

#include <algorithm>
#include <vector>

using namespace custodia;
using fuzz::Require;

namespace {

// The chain walk agrees with the check that finds where it breaks, and every record lies back to back
// inside the image.
std::vector<RecordView> WalkChain(const std::vector<unsigned char>& image)
{
    std::vector<RecordView> records;
    RecordChain chain(image);
    size_t expected = recordfile::kHeaderRecordOffset;
    while (const auto record = chain.Next()) {
        Require(record->offset == expected);
        Require(record->data.data() == image.data() + record->offset + recordfile::kHeadSize);
        expected = record->offset + recordfile::kHeadSize + record->data.size();
        Require(expected <= image.size());
        records.push_back(*record);
    }
    const auto broken = FindBrokenHead(image.data(), image.size());
    Require(broken ? *broken == chain.Offset() && !chain.RanToTheEnd() : chain.Offset() >= image.size());
    return records;
}

// A lookup delivers the first record of its kind and sub-kind that fits, as the walk saw them.
void CheckLookup(const std::vector<unsigned char>& image, const std::vector<RecordView>& records,
    const RecordView& asked, size_t maxLength)
{
    const auto found = FindRecordIn(image, asked.kind, asked.subKind, maxLength);
    const auto first = std::find_if(records.begin(), records.end(), [&](const RecordView& record) {
        return record.kind == asked.kind && record.subKind == asked.subKind && record.data.size() <= maxLength;
    });
    Require(found.has_value() == (first != records.end()));
    Require(!found || found->offset == first->offset);
}

// What the store asks of one read of "tessel.dbs", "officena.mes", "custo.cfg" and a profile: each
// request gets a record of its own kind that fits, and the list and texts read from them stay in
// their fields.
void CheckRequests(const std::vector<unsigned char>& image, const std::vector<RecordView>& records)
{
    DatabaseList databases;
    OfficeNameList::Entries offices {};
    std::vector<unsigned char> path(loginpaths::kRecordSize), group(grouprecord::kSize);
    const auto firstGroup = std::find_if(
        records.begin(), records.end(), [](const RecordView& record) { return record.kind == grouprecord::kKind; });
    const uint8_t groupNumber = firstGroup == records.end() ? 1 : firstGroup->subKind;
    std::vector<RecordRequest> requests { { databaselist::kKind, databaselist::kSubKind, databases.GetImage(), 0 },
        { officenames::kKind, officenames::kSubKind, offices, 0 },
        { loginpaths::kRecordKind, loginpaths::kRecordSubKind, path, 0 },
        { grouprecord::kKind, groupNumber, group, 0 } };
    FillRecordRequests(image, requests);
    for (const RecordRequest& request : requests) {
        Require(request.bytesRead <= request.buffer.size());
        if (request.bytesRead > 0)
            Require(std::any_of(records.begin(), records.end(), [&](const RecordView& record) {
                return record.kind == request.kind && record.subKind == request.subKind
                    && record.data.size() == request.bytesRead;
            }));
    }
    for (int slot = 0; slot < databaselist::kSlotCount; ++slot) {
        databases.IsSlotEmpty(slot);
        databases.IsMirrorOn(slot);
        Require(databases.GetPath(slot).size() < databaselist::kPathSize);
        Require(databases.GetMirrorPath(slot).size() < databaselist::kPathSize);
        Require(databases.GetDescription(slot).size() < databaselist::kDescriptionSize);
    }
    for (size_t entry = 0; entry < officenames::kOfficeCount; ++entry) {
        const unsigned char* bytes = offices.data() + entry * officenames::kEntrySize;
        Require(ReadFixedText(bytes + officenames::kNumberTextOffset, officenames::kNumberTextSize).size()
            <= officenames::kMaxNumberTextLength);
        Require(ReadFixedText(bytes + officenames::kNameOffset, officenames::kNameSize).size()
            <= officenames::kMaxNameLength);
    }
    // A group decoded and written back as a save does reads the same again.
    GroupRecordBytes bytes {};
    std::copy_n(group.begin(), bytes.size(), bytes.begin());
    const GroupRecord decoded = GroupRecord::Decode(bytes);
    const GroupRecord again = GroupRecord::Decode(decoded.Encode());
    Require(again.name == decoded.name && again.description == decoded.description && again.rights == decoded.rights);
}

// The groups of a profile: each number once, in order, each a record that a lookup finds.
void CheckGroups(const std::vector<unsigned char>& image)
{
    int previous = -1;
    for (const GroupEntry& group : GroupEntriesIn(image)) {
        Require(group.groupNumber > previous && group.groupNumber < grouprecord::kGroupCount);
        Require(group.name.size() <= grouprecord::kMaxNameLength);
        Require(FindRecordIn(image, grouprecord::kKind, static_cast<uint8_t>(group.groupNumber), grouprecord::kSize)
                    .has_value());
        previous = group.groupNumber;
    }
}

} // namespace

// A record file's bytes in memory, through everything the store does with what it read: the check,
// the chain, lookups, the requests of its readers, the groups of a profile, the database list and the
// office names. The same code runs on the image of every file the store reads.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<unsigned char> image = fuzz::SealedRecordImage(data, size);
    const FileReadResult check = CheckRecordImage(image);
    // Sound only when its checksum and length are right and its chain of records runs to the end.
    const bool sound = VerifyRecordImage(image.data(), image.size()) == recordfile::kVerifyOk
        && !FindBrokenHead(image.data(), image.size());
    Require(check.WasRead() == sound);
    Require(check.WasRead() || !check.problem.empty());

    const std::vector<RecordView> records = WalkChain(image);
    for (size_t index = 0; index < std::min<size_t>(records.size(), 8); ++index) {
        CheckLookup(image, records, records[index], records[index].data.size());
        CheckLookup(image, records, records[index], records[index].data.size() / 2);
    }
    CheckRequests(image, records);
    CheckGroups(image);
    return 0;
}
