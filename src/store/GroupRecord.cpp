#include "store/GroupRecord.h"

#include "store/FixedText.h"
#include "store/RecordImage.h"

#include <algorithm>
#include <optional>

namespace custodia {

using namespace grouprecord;

GroupRecord GroupRecord::Decode(const GroupRecordBytes& bytes)
{
    GroupRecord group;
    group.name = ReadFixedText(bytes.data() + kNameOffset, kNameSize);
    group.description = ReadFixedText(bytes.data() + kDescriptionOffset, kDescriptionSize);
    std::copy_n(bytes.begin() + kRightsOffset, kRightsSize, group.rights.begin());
    return group;
}

GroupRecordBytes GroupRecord::Encode() const
{
    GroupRecordBytes bytes {};
    WriteFixedText(bytes.data() + kNameOffset, kNameSize, name);
    WriteFixedText(bytes.data() + kDescriptionOffset, kDescriptionSize, description);
    std::copy(rights.begin(), rights.end(), bytes.begin() + kRightsOffset);
    return bytes;
}

std::vector<GroupEntry> GroupEntriesIn(std::span<const unsigned char> image)
{
    // All 256 possible groups in one pass over the image rather than 256 lookups.
    std::array<std::optional<std::span<const unsigned char>>, kGroupCount> found;
    RecordChain chain(image);
    while (const auto record = chain.Next())
        if (record->kind == kKind && record->data.size() <= kSize && !found[record->subKind])
            found[record->subKind] = record->data;
    std::vector<GroupEntry> groups;
    for (int number = 0; number < kGroupCount; ++number) {
        if (!found[static_cast<size_t>(number)])
            continue;
        std::array<unsigned char, kRightsOffset> texts {};
        const std::span<const unsigned char> data = *found[static_cast<size_t>(number)];
        std::copy_n(data.begin(), std::min(data.size(), texts.size()), texts.begin());
        groups.push_back(GroupEntry { number, ReadFixedText(texts.data() + kNameOffset, kNameSize),
            ReadFixedText(texts.data() + kDescriptionOffset, kDescriptionSize) });
    }
    return groups;
}

} // namespace custodia
