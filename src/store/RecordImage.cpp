#include "store/RecordImage.h"

#include <algorithm>

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

void FillRecordRequests(std::span<const unsigned char> image, std::vector<RecordRequest>& requests)
{
    for (RecordRequest& request : requests)
        request.bytesRead = 0;
    size_t open = requests.size();
    RecordChain chain(image);
    while (open > 0) {
        const auto record = chain.Next();
        if (!record)
            break;
        for (RecordRequest& request : requests) {
            if (request.bytesRead > 0 || request.kind != record->kind || request.subKind != record->subKind
                || request.buffer.size() < record->data.size())
                continue;
            std::copy(record->data.begin(), record->data.end(), request.buffer.begin());
            request.bytesRead = record->data.size();
            --open;
            break;
        }
    }
}

} // namespace custodia
