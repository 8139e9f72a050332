#pragma once

#include <vector>

namespace custodia {

// How the item list's columns share its width. Each column has a part of the width; the last column
// takes what the others leave, so together they fill the list and nothing hides behind a scroll bar.

// The parts that widths given in units give: the units of a mode add up to more than the list is wide
// (16 u among the users, where the list is about 13 u), so they are kept as proportions.
std::vector<double> SharesOfUnits(const std::vector<double>& units);
// The widths in pixels of a list `width` pixels wide: every column but the last its part of the width,
// cut to whole pixels; the last what is left, never less than nothing.
std::vector<int> WidthsOfShares(const std::vector<double>& shares, int width);

} // namespace custodia
