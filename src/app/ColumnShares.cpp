#include "app/ColumnShares.h"

#include <algorithm>
#include <numeric>

namespace custodia {

std::vector<double> SharesOfUnits(const std::vector<double>& units)
{
    const double total = std::accumulate(units.begin(), units.end(), 0.0);
    std::vector<double> shares;
    for (const double unit : units)
        shares.push_back(total > 0.0 ? unit / total : 0.0);
    return shares;
}

std::vector<int> WidthsOfShares(const std::vector<double>& shares, int width)
{
    std::vector<int> widths;
    if (shares.empty())
        return widths;
    int used = 0;
    for (size_t column = 0; column + 1 < shares.size(); ++column) {
        const int columnWidth = std::max(0, static_cast<int>(shares[column] * width));
        widths.push_back(columnWidth);
        used += columnWidth;
    }
    widths.push_back(std::max(0, width - used));
    return widths;
}

} // namespace custodia
