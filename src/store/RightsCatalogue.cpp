#include "store/RightsCatalogue.h"

#include <algorithm>

namespace custodia {

namespace {

constexpr RightRow kSetupSettingsRows[] = {
    { 897, 22 },
    { 823, 11 },
    { 898, 23 },
    { 824, 12 },
    { 899, 24 },
    { 825, 13 },
    { 900, 25 },
    { 901, 26 },
    { 830, 18 },
    { 826, 14 },
    { 902, 27 },
    { 903, 28 },
    { 904, 29 },
    { 828, 16 },
    { 905, 30 },
    { 906, 31 },
    { 907, 32 },
    { 908, 33 },
    { 909, 34 },
    { 910, 35 },
    { 831, 19 },
    { 827, 15 },
    { 911, 36 },
    { 912, 37 },
    { 829, 17 },
    { 913, 38 },
    { 914, 39 },
    { 832, 20 },
};

constexpr RightRow kSetupRows[] = {
    { 812, 0 },
    { 813, 1 },
    { 814, 2 },
    { 815, 3 },
    { 816, 4 },
    { 817, 5 },
    { 818, 6 },
    { 819, 7 },
    { 820, 8 },
};

constexpr RightRow kDownloadRows[] = {
    { 1004, 0 },
    { 1005, 10 },
    { 1006, 2 },
    { 1007, 11 },
    { 998, 4 },
    { 999, 5 },
    { 1000, 6 },
    { 1001, 7 },
    { 1002, 8 },
    { 1003, 9 },
};

constexpr RightRow kSetupToolsRows[] = {
    { 893, 21 },
    { 821, 9 },
    { 822, 10 },
    { 954, 40 },
    { 955, 41 },
    { 956, 42 },
    { 957, 43 },
    { 958, 44 },
};

constexpr RightRow kDownloadOptionsRows[] = {
    { 888, 3 },
};

constexpr RightRow kViewRows[] = {
    { 836, 0 },
    { 837, 1 },
    { 966, 2 },
    { 967, 3 },
    { 968, 4 },
    { 969, 5 },
    { 970, 6 },
    { 971, 7 },
    { 972, 8 },
    { 973, 9 },
    { 974, 10 },
    { 975, 11 },
    { 976, 12 },
    { 977, 13 },
    { 978, 14 },
    { 979, 15 },
    { 980, 16 },
    { 981, 17 },
    { 982, 18 },
    { 983, 19 },
    { 984, 20 },
    { 985, 21 },
};

constexpr RightRow kAutocallRows[] = {
    { 838, 0 },
    { 839, 1 },
    { 840, 2 },
    { 842, 4 },
    { 961, 5 },
    { 962, 6 },
    { 963, 7 },
    { 964, 8 },
    { 965, 9 },
};

constexpr RightRow kAlarmproRows[] = {
    { 890, 3 },
    { 885, 0 },
    { 886, 1 },
    { 887, 2 },
};

constexpr RightRow kAlarminRows[] = {
    { 889, 4 },
    { 844, 1 },
};

constexpr RightRow kDatagenRows[] = { { 884, 0 } };
constexpr RightRow kExportRows[] = { { 892, 0 } };
constexpr RightRow kTranslatorRows[] = { { 960, 0 } };
// The console's own right: without it members of the group cannot start the console.
constexpr RightRow kCustodiaRows[] = { { 847, kConsoleRightPosition } };
constexpr RightRow kReporterRows[] = { { 993, 0 } };

constexpr std::array<RightsPage, kRightsPageCount> kPages { {
    { kProgramSetup, 895, kSetupSettingsRows },
    { kProgramSetup, 894, kSetupRows },
    { kProgramDownload, 915, kDownloadRows },
    { kProgramSetup, 804, kSetupToolsRows },
    { kProgramDownload, 805, kDownloadOptionsRows },
    { kProgramView, 806, kViewRows },
    { kProgramAutocall, 807, kAutocallRows },
    { kProgramAlarmpro, 883, kAlarmproRows },
    { kProgramAlarmin, 808, kAlarminRows },
    { kProgramDatagen, 882, kDatagenRows },
    { kProgramExport, 891, kExportRows },
    { kProgramTranslator, 959, kTranslatorRows },
    { kProgramCustodia, 809, kCustodiaRows },
    { kProgramReporter, 992, kReporterRows },
} };

bool IsShown(int program, int position)
{
    return std::any_of(kPages.begin(), kPages.end(), [&](const RightsPage& page) {
        return page.program == program && std::any_of(page.rows.begin(), page.rows.end(), [&](const RightRow& row) {
            return row.position == position;
        });
    });
}

} // namespace

const std::array<RightsPage, kRightsPageCount>& RightsPages()
{
    return kPages;
}

std::vector<int> UnshownPositions(int program)
{
    std::vector<int> positions;
    if (!IsProgramIndex(program))
        return positions;
    const int length = static_cast<int>(kProfileFiles[static_cast<size_t>(program)].rowLength);
    for (int position = 0; position < length; ++position) {
        if (!IsShown(program, position))
            positions.push_back(position);
    }
    return positions;
}

} // namespace custodia
