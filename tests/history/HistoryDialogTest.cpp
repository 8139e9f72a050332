#include "history/CHistoryDialog.h"
#include "history/TrailTableModel.h"
#include "parsers/DelimitedText.h"
#include "platform/Platform.h"
#include "store/AuditTrail.h"
#include "support/TempDir.h"
#include "words/WordTable.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace custodia::test {
namespace {

struct Line {
    long long seconds;
    const char* account;
    const char* consoleUser;
    const char* action;
    const char* object;
};

// 2026-12-11T00:00:00Z and the hours after it.
constexpr long long kMidnight = 1796947200;
constexpr long long kHour = 3600;

const Line kLines[] = {
    { kMidnight, "ops", "ann", "user added", "user ann" },
    { kMidnight + kHour, "ops", "ann", "user added", "user anna" },
    { kMidnight + 2 * kHour, "night", "", "group created", "group 004 Operators" },
    { kMidnight + 3 * kHour, "night", "bob", "right granted", "group 004 Shift" },
    { kMidnight + 4 * kHour, "ops", "bob", "user deleted", "user ann" },
};

class HistoryDialogTest : public ::testing::Test {
protected:
    HistoryDialogTest()
        : m_words(std::string(CUSTODIA_OUTPUT_DIR))
    {
        m_words.LoadWordFiles(ConsoleWordFamilies());
        for (const Line& line : kLines) {
            TrailEntry entry;
            StampTrailEntry(entry, line.seconds);
            entry.actor = { "north-pc", line.account, line.consoleUser, "console" };
            entry.action = line.action;
            entry.object = line.object;
            entry.changes = { { "description", "old", "new, \"quoted\"" } };
            EXPECT_TRUE(AppendToTrail(NativePath(m_dir.path()), entry));
        }
    }

    std::unique_ptr<CHistoryDialog> Open()
    {
        return std::make_unique<CHistoryDialog>(m_words, NativePath(m_dir.path()), nullptr, nullptr);
    }

    // The objects of the rows shown, top to bottom.
    static std::vector<std::string> Objects(const CHistoryDialog& dialog)
    {
        std::vector<std::string> objects;
        const TrailFilterProxy& rows = dialog.Rows();
        for (int row = 0; row < rows.rowCount(); ++row)
            objects.push_back(rows.index(row, TrailTableModel::Object).data().toString().toStdString()
                + (rows.index(row, TrailTableModel::Action).data().toString() == "user deleted" ? " (deleted)" : ""));
        return objects;
    }

    TempDir m_dir;
    WordTable m_words;
};

TEST_F(HistoryDialogTest, ShowsTheNewestLineFirstAndSaysTheChainVerifies)
{
    const auto dialog = Open();
    EXPECT_EQ(Objects(*dialog),
        (std::vector<std::string> {
            "user ann (deleted)", "group 004 Shift", "group 004 Operators", "user anna", "user ann" }));
    EXPECT_EQ(dialog->ChainText(), QString::fromStdString(m_words.GetWord(658)).arg(5));
}

struct FilterCase {
    const char* name;
    std::function<void(TrailFilterProxy&)> apply;
    std::vector<std::string> objects;
};

class HistoryFilterTest : public HistoryDialogTest, public ::testing::WithParamInterface<FilterCase> { };

TEST_P(HistoryFilterTest, ShowsOnlyTheLinesAskedFor)
{
    const auto dialog = Open();
    GetParam().apply(const_cast<TrailFilterProxy&>(dialog->Rows()));
    EXPECT_EQ(Objects(*dialog), GetParam().objects);
}

const FilterCase kFilters[] = {
    { "ConsoleUser", [](TrailFilterProxy& rows) { rows.SetUser("BOB"); }, { "user ann (deleted)", "group 004 Shift" } },
    { "Account", [](TrailFilterProxy& rows) { rows.SetUser("night"); }, { "group 004 Shift", "group 004 Operators" } },
    { "TypedObject", [](TrailFilterProxy& rows) { rows.SetObject("ANN"); },
        { "user ann (deleted)", "user anna", "user ann" } },
    // A user's properties ask for that user alone, never for a longer name.
    { "NamedUser", [](TrailFilterProxy& rows) { rows.SetObject("user ann", TrailFilterProxy::ObjectMatch::Named); },
        { "user ann (deleted)", "user ann" } },
    // A group by its number, under every name it had.
    { "NamedGroup", [](TrailFilterProxy& rows) { rows.SetObject("group 004", TrailFilterProxy::ObjectMatch::Named); },
        { "group 004 Shift", "group 004 Operators" } },
    { "Action", [](TrailFilterProxy& rows) { rows.SetAction("user added"); }, { "user anna", "user ann" } },
    { "TimeRangeBothEndsIncluded",
        [](TrailFilterProxy& rows) { rows.SetRange(kMidnight + kHour, kMidnight + 3 * kHour); },
        { "group 004 Shift", "group 004 Operators", "user anna" } },
    { "Together",
        [](TrailFilterProxy& rows) {
            rows.SetUser("ann");
            rows.SetRange(kMidnight + kHour, std::nullopt);
        },
        { "user anna" } },
};

INSTANTIATE_TEST_SUITE_P(History, HistoryFilterTest, ::testing::ValuesIn(kFilters),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST_F(HistoryDialogTest, ABrokenChainNamesItsFirstBrokenLineAndShowsTheLinesBefore)
{
    const std::string trail = m_dir.file(audittrail::kFileName);
    std::string text = ReadText(trail);
    const size_t third = text.find("group 004 Operators");
    ASSERT_NE(third, std::string::npos);
    text.replace(third, 9, "group 005");
    WriteText(trail, text);

    const auto dialog = Open();
    EXPECT_TRUE(dialog->ChainText().startsWith(
        QString::fromStdString(m_words.GetWord(659)).arg(3).section(QLatin1Char(':'), 0, 0)))
        << dialog->ChainText().toStdString();
    EXPECT_EQ(Objects(*dialog), (std::vector<std::string> { "user anna", "user ann" }));
}

TEST_F(HistoryDialogTest, ExportsTheFilteredRowsAsCsvThatReadsBack)
{
    const auto dialog = Open();
    const_cast<TrailFilterProxy&>(dialog->Rows()).SetUser("bob");
    const std::string file = m_dir.file("history.csv");
    ASSERT_TRUE(dialog->ExportCsv(QString::fromStdString(file)));

    const delimited::Rows rows = delimited::Parse(ReadText(file), delimited::Format::Csv);
    ASSERT_FALSE(rows.error);
    ASSERT_EQ(rows.rows.size(), 3u);
    EXPECT_EQ(rows.rows[0].fields.size(), static_cast<size_t>(TrailTableModel::ColumnCount));
    EXPECT_EQ(rows.rows[0].fields[TrailTableModel::Object], m_words.GetWord(649));
    EXPECT_EQ(rows.rows[1].fields[TrailTableModel::Object], "user ann");
    EXPECT_EQ(rows.rows[1].fields[TrailTableModel::Time], "2026-12-11T04:00:00Z");
    EXPECT_EQ(rows.rows[1].fields[TrailTableModel::ConsoleUser], "bob");
    EXPECT_EQ(rows.rows[2].fields[TrailTableModel::Object], "group 004 Shift");
    EXPECT_EQ(rows.rows[2].fields[TrailTableModel::Changes], "description: old \u2192 new, \"quoted\"");
}

} // namespace
} // namespace custodia::test
