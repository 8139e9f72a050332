#include "store/RightsCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace custodia {
namespace {

struct PageShape {
    int program;
    int titleWord;
    size_t rowCount;
    RightRow firstRow;
};

// The other programs read their rights by position, so the whole shape of every page is pinned here.
TEST(RightsCatalogueTest, PagesAreInTabOrderWithTheirProgramsTitlesAndRows)
{
    const std::vector<PageShape> expected {
        { kProgramSetup, 895, 28, { 897, 22 } },
        { kProgramSetup, 894, 9, { 812, 0 } },
        { kProgramDownload, 915, 10, { 1004, 0 } },
        { kProgramSetup, 804, 8, { 893, 21 } },
        { kProgramDownload, 805, 1, { 888, 3 } },
        { kProgramView, 806, 22, { 836, 0 } },
        { kProgramAutocall, 807, 9, { 838, 0 } },
        { kProgramAlarmpro, 883, 4, { 890, 3 } },
        { kProgramAlarmin, 808, 2, { 889, 4 } },
        { kProgramDatagen, 882, 1, { 884, 0 } },
        { kProgramExport, 891, 1, { 892, 0 } },
        { kProgramTranslator, 959, 1, { 960, 0 } },
        { kProgramCustodia, 809, 1, { 847, 0 } },
        { kProgramReporter, 992, 1, { 993, 0 } },
    };
    const auto& pages = RightsPages();
    ASSERT_EQ(pages.size(), expected.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pages[i].program, expected[i].program);
        EXPECT_EQ(pages[i].titleWord, expected[i].titleWord);
        ASSERT_EQ(pages[i].rows.size(), expected[i].rowCount);
        EXPECT_EQ(pages[i].rows[0].labelWord, expected[i].firstRow.labelWord);
        EXPECT_EQ(pages[i].rows[0].position, expected[i].firstRow.position);
    }
}

TEST(RightsCatalogueTest, RowsFollowTheirDisplayOrder)
{
    const auto& pages = RightsPages();
    const std::vector<std::pair<int, int>> setupTools { { 893, 21 }, { 821, 9 }, { 822, 10 }, { 954, 40 }, { 955, 41 },
        { 956, 42 }, { 957, 43 }, { 958, 44 } };
    for (size_t row = 0; row < setupTools.size(); ++row) {
        EXPECT_EQ(pages[3].rows[row].labelWord, setupTools[row].first);
        EXPECT_EQ(pages[3].rows[row].position, setupTools[row].second);
    }
    // The setup page counts words and positions together; the view page from its third row on.
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(pages[1].rows[static_cast<size_t>(k)].labelWord, 812 + k);
    for (int k = 2; k < 22; ++k) {
        EXPECT_EQ(pages[5].rows[static_cast<size_t>(k)].labelWord, 964 + k);
        EXPECT_EQ(pages[5].rows[static_cast<size_t>(k)].position, k);
    }
    EXPECT_EQ(pages[0].rows.back().labelWord, 832);
    EXPECT_EQ(pages[0].rows.back().position, 20);
}

TEST(RightsCatalogueTest, EveryPositionIsInsideItsRowAndShownOnce)
{
    std::set<std::pair<int, int>> shown;
    for (const RightsPage& page : RightsPages()) {
        const int length = static_cast<int>(kProfileFiles[static_cast<size_t>(page.program)].rowLength);
        for (const RightRow& row : page.rows) {
            EXPECT_GE(row.position, 0);
            EXPECT_LT(row.position, length) << "program " << page.program;
            EXPECT_TRUE(shown.emplace(page.program, row.position).second)
                << "program " << page.program << " position " << row.position;
        }
    }
}

TEST(RightsCatalogueTest, UnshownPositionsAreTheOnesNoPageSets)
{
    const std::vector<std::vector<int>> expected { { 0 }, {}, { 1 }, {}, { 3 }, { 0, 2, 3 }, {}, {}, {}, {}, {}, {} };
    for (int program = 0; program < kProgramCount; ++program)
        EXPECT_EQ(UnshownPositions(program), expected[static_cast<size_t>(program)]) << program;
    EXPECT_TRUE(UnshownPositions(kProgramCount).empty());
    EXPECT_TRUE(UnshownPositions(-1).empty());
}

} // namespace
} // namespace custodia
