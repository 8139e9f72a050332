#pragma once

#include "store/RecordFile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace custodia {

// One record of a record file's image: where its head lies, and its data bytes where they lie.
struct RecordView {
    size_t offset = 0; // of the head
    uint8_t kind = 0;
    uint8_t subKind = 0;
    std::span<const unsigned char> data;
};

// Walks the records of a record file's image in file order, from the header record on. The walk ends
// at the end of the image, or at a head that says its record is no longer than the head or runs past
// the end: nothing behind such a head can be trusted. Safe on any bytes at all; the image must
// outlive the walk.
class RecordChain final {
public:
    explicit RecordChain(std::span<const unsigned char> image)
        : m_image(image)
    {
    }

    // The next record, or nothing at the end of the chain.
    std::optional<RecordView> Next();
    // Where the walk stopped, or stands: the image's length once the chain has run to its very end.
    size_t Offset() const { return m_offset; }
    bool RanToTheEnd() const { return m_offset == m_image.size(); }

private:
    std::span<const unsigned char> m_image;
    size_t m_offset = recordfile::kHeaderRecordOffset;
};

// The first record of the kind and sub-kind whose data is at most maxLength bytes long, as the readers
// pick it: larger records of that kind and sub-kind are passed over, never cut.
std::optional<RecordView> FindRecordIn(
    std::span<const unsigned char> image, uint8_t kind, uint8_t subKind, size_t maxLength);

// Hands each record of the image, in file order, to the first request it fits that has none yet, as
// ReadRecords does; a request left without a record has bytesRead 0.
void FillRecordRequests(std::span<const unsigned char> image, std::vector<RecordRequest>& requests);

} // namespace custodia
