#include "store/RightsTable.h"

namespace custodia {

namespace {

bool IsPosition(int position)
{
    return position >= 0 && static_cast<size_t>(position) < grouprecord::kRightsSize;
}

} // namespace

RightsTable::Row* RightsTable::GetRow(int program)
{
    return IsProgramIndex(program) ? &m_rows[static_cast<size_t>(program)] : nullptr;
}

const RightsTable::Row* RightsTable::GetRow(int program) const
{
    return IsProgramIndex(program) ? &m_rows[static_cast<size_t>(program)] : nullptr;
}

uint8_t RightsTable::Get(int program, int position) const
{
    const Row* row = GetRow(program);
    return (row != nullptr && IsPosition(position)) ? (*row)[static_cast<size_t>(position)] : 0;
}

void RightsTable::Set(int program, int position, uint8_t value)
{
    if (Row* row = GetRow(program); row != nullptr && IsPosition(position))
        (*row)[static_cast<size_t>(position)] = value;
}

void RightsTable::Clear()
{
    for (Row& row : m_rows)
        row.fill(0);
}

} // namespace custodia
