#pragma once

#include "store/GroupRecord.h"
#include "store/ProgramIndex.h"

#include <array>
#include <cstdint>

namespace custodia {

// The rights of one group: one 1000-byte row per program, 0 denied and 1 granted at each position.
class RightsTable final {
public:
    using Row = std::array<unsigned char, grouprecord::kRightsSize>;

    // Null for a program outside 0..11.
    Row* GetRow(int program);
    const Row* GetRow(int program) const;

    // The byte at a position; 0 outside the table.
    uint8_t Get(int program, int position) const;
    // Ignored outside the table.
    void Set(int program, int position, uint8_t value);
    void Clear();

private:
    std::array<Row, kProgramCount> m_rows {};
};

} // namespace custodia
