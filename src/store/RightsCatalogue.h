#pragma once

#include "store/ProgramIndex.h"

#include <array>
#include <span>
#include <vector>

namespace custodia {

// One right as the group dialog shows it: the word that labels it and the byte of its program's row
// that holds it.
struct RightRow {
    int labelWord = 0;
    int position = 0;
};

// One page of rights: the program whose row its ticks are stored in, the word of its tab and its rows
// in display order.
struct RightsPage {
    int program = 0;
    int titleWord = 0;
    std::span<const RightRow> rows;
};

inline constexpr int kRightsPageCount = 14;

// The fourteen pages of rights, in the order the group dialog shows their tabs. The programs read
// these positions by number, so neither the positions nor the order may change.
const std::array<RightsPage, kRightsPageCount>& RightsPages();

// The positions of a program's row that no page shows, ascending. They are written back as they were
// loaded. Empty for a program outside 0..11.
std::vector<int> UnshownPositions(int program);

} // namespace custodia
