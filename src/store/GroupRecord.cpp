#include "store/GroupRecord.h"

#include "store/FixedText.h"

#include <algorithm>

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

} // namespace custodia
