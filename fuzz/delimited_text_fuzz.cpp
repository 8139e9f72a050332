#include "parsers/DelimitedText.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace custodia;

namespace {

// Rows come in the order of their lines, and what is written of them reads back the same.
void CheckFormat(std::string_view text, delimited::Format format)
{
    const delimited::Rows read = delimited::Parse(text, format);
    size_t line = 0;
    std::string written;
    for (const delimited::Row& row : read.rows) {
        if (row.line <= line || row.fields.empty())
            std::abort();
        line = row.line;
        delimited::AppendRow(written, row.fields, format);
    }
    if (read.error && read.error->line < line)
        std::abort();
    // With a byte-order mark of its own in front, as a field that begins with one needs.
    const delimited::Rows again = delimited::Parse("\xEF\xBB\xBF" + written, format);
    if (again.error || again.rows.size() != read.rows.size())
        std::abort();
    for (size_t i = 0; i < again.rows.size(); ++i) {
        if (again.rows[i].fields != read.rows[i].fields)
            std::abort();
    }
}

} // namespace

// A list of users or groups to import, in either format, of any shape.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckFormat(text, delimited::Format::Csv);
    CheckFormat(text, delimited::Format::Tsv);
    return 0;
}
