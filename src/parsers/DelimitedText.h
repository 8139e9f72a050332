#pragma once

#include "platform/FieldEscape.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// Lists of accounts as people keep them: comma-separated values (RFC 4180, as spreadsheets write
// them) and tab-separated lines whose fields escape what would break a line ("\t", "\n", "\r",
// "\\", "\xHH"), as custodiactl prints them. Both carry UTF-8; a byte-order mark in front is skipped.
namespace delimited {

enum class Format { Csv, Tsv };

// One line of the list, or one record of several lines where a quoted CSV field holds line breaks.
struct Row {
    size_t line = 0; // where the row begins, counted from 1
    std::vector<std::string> fields;
};

// Why a row could not be read: the rows before it were read, none after it.
struct RowError {
    size_t line = 0;
    std::string reason;
};

struct Rows {
    std::vector<Row> rows;
    std::optional<RowError> error;
};

// Every row of the text, empty lines left out. Reading stops at the first row that is not in the
// format: a quote inside an unquoted CSV field, text after a closing quote, a quoted field that never
// ends, an escape that TSV does not know.
Rows Parse(std::string_view text, Format format);

// The text of one row, its line end included (CSV: "\r\n" as RFC 4180 has it; TSV: "\n"). CSV quotes
// a field only where it must (a comma, quote, line break, or space at either end). A TSV row of one
// empty field cannot be told from an empty line.
void AppendRow(std::string& out, const std::vector<std::string>& fields, Format format);

} // namespace delimited

} // namespace custodia
