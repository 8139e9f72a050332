#include "store/RecordImage.h"

namespace custodia {

using namespace recordfile;

std::optional<RecordView> RecordChain::Next()
{
    if (m_offset >= m_image.size() || m_image.size() - m_offset < kHeadSize)
        return std::nullopt;
    const RecordHeader head = RecordHeader::Decode(m_image.data() + m_offset);
    if (head.length <= kHeadSize || head.length > m_image.size() - m_offset)
        return std::nullopt;
    const RecordView record { m_offset, head.kind, head.subKind,
        m_image.subspan(m_offset + kHeadSize, head.length - kHeadSize) };
    m_offset += head.length;
    return record;
}

std::optional<RecordView> FindRecordIn(
    std::span<const unsigned char> image, uint8_t kind, uint8_t subKind, size_t maxLength)
{
    RecordChain chain(image);
    while (const auto record = chain.Next())
        if (record->kind == kind && record->subKind == subKind && record->data.size() <= maxLength)
            return record;
    return std::nullopt;
}

} // namespace custodia
