#include "parsers/DelimitedText.h"

#include <gtest/gtest.h>

namespace custodia::test {
namespace {

using delimited::Format;
using delimited::Parse;
using Fields = std::vector<std::string>;

struct CsvCase {
    const char* name;
    std::string text;
    std::vector<Fields> rows;
    std::vector<size_t> lines;
};

class CsvReadTest : public ::testing::TestWithParam<CsvCase> { };

TEST_P(CsvReadTest, ReadsRowsAndTheLineEachBeginsOn)
{
    const delimited::Rows read = Parse(GetParam().text, Format::Csv);
    ASSERT_FALSE(read.error) << read.error->reason;
    ASSERT_EQ(read.rows.size(), GetParam().rows.size());
    for (size_t i = 0; i < read.rows.size(); ++i) {
        EXPECT_EQ(read.rows[i].fields, GetParam().rows[i]) << i;
        EXPECT_EQ(read.rows[i].line, GetParam().lines[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rfc4180, CsvReadTest,
    ::testing::Values(CsvCase { "Plain", "a,b\r\nc,d\r\n", { { "a", "b" }, { "c", "d" } }, { 1, 2 } },
        CsvCase { "BareLineFeedsAndNoLastLineEnd", "a,b\nc,d", { { "a", "b" }, { "c", "d" } }, { 1, 2 } },
        CsvCase { "ByteOrderMark", "\xEF\xBB\xBFname\r\n", { { "name" } }, { 1 } },
        CsvCase { "QuotesCommasAndDoubledQuotes", "\"a,b\",\"say \"\"hi\"\"\",\"\"\r\n",
            { { "a,b", "say \"hi\"", "" } }, { 1 } },
        // The line numbers go on counting inside a quoted field.
        CsvCase { "LineBreakInsideQuotes", "\"two\r\nlines\",x\r\nnext\r\n", { { "two\r\nlines", "x" }, { "next" } },
            { 1, 3 } },
        CsvCase { "EmptyLinesArePassedOver", "\r\na\r\n\r\n\nb\r\n", { { "a" }, { "b" } }, { 2, 5 } },
        CsvCase { "EmptyFieldsAtEitherEnd", ",a,\r\n", { { "", "a", "" } }, { 1 } },
        CsvCase { "LoneEmptyQuotedField", "\"\"\r\n", { { "" } }, { 1 } },
        CsvCase { "Utf8KeptAsItIs", "M\xC3\xBCller\r\n", { { "M\xC3\xBCller" } }, { 1 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvErrorTest, AMalformedRowStopsTheReadingAndNamesItsLine)
{
    struct Case {
        std::string text;
        size_t line;
        const char* reason;
    };
    for (const Case& c : { Case { "a\r\nb\"c\r\n", 2, "a quote inside a field" },
             Case { "a\r\n\"b\"c\r\n", 2, "text after the closing quote" },
             Case { "a\r\nb\r\n\"never\r\nends", 3, "never ends" } }) {
        const delimited::Rows read = Parse(c.text, Format::Csv);
        ASSERT_TRUE(read.error) << c.text;
        EXPECT_EQ(read.error->line, c.line) << c.text;
        EXPECT_NE(read.error->reason.find(c.reason), std::string::npos) << read.error->reason;
        EXPECT_EQ(read.rows.size(), c.line - 1) << c.text;
    }
}

TEST(TsvTest, EscapesRoundTripAndAnUnknownEscapeNamesItsLine)
{
    const Fields fields { "tab\there", "line\nfeed", "back\\slash", "bell\a", "M\xC3\xBCller", "" };
    std::string text;
    delimited::AppendRow(text, fields, Format::Tsv);
    EXPECT_EQ(text, "tab\\there\tline\\nfeed\tback\\\\slash\tbell\\x07\tM\xC3\xBCller\t\n");
    const delimited::Rows read = Parse(text + "\r\n" + "x\\q\n", Format::Tsv);
    ASSERT_EQ(read.rows.size(), 1U);
    EXPECT_EQ(read.rows[0].fields, fields);
    ASSERT_TRUE(read.error);
    EXPECT_EQ(read.error->line, 3U);
    for (const char* bad : { "\\", "\\x4", "\\xZZ", "\\u00e9" })
        EXPECT_FALSE(UnescapeTsvField(bad)) << bad;
}

TEST(CsvWriteTest, WhatIsWrittenReadsBackTheSame)
{
    const std::vector<Fields> rows { { "plain", "with,comma", "with \"quote\"", " padded ", "two\r\nlines" }, { "" },
        { "", "" } };
    std::string text;
    for (const Fields& row : rows)
        delimited::AppendRow(text, row, Format::Csv);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "plain,\"with,comma\",\"with \"\"quote\"\"\",\" padded \",\"two");
    const delimited::Rows read = Parse(text, Format::Csv);
    ASSERT_FALSE(read.error);
    ASSERT_EQ(read.rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(read.rows[i].fields, rows[i]);
}

} // namespace
} // namespace custodia::test
