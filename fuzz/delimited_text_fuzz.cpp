#include "parsers/DelimitedText.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace custodia;

namespace {

// A C1 control character in a TSV field is escaped by its number, as custodiactl prints it, and
// reads back as the lone byte of that number, which may join the next byte; such fields (their
// escapes "\x80" to "\x9F" stand for either) are compared by their number only.
bool SameFields(const std::vector<std::string>& read, const std::vector<std::string>& again, delimited::Format format)
{
    if (format == delimited::Format::Csv || read.size() != again.size())
        return read == again;
    for (size_t i = 0; i < read.size(); ++i) {
        const std::string escaped = EscapeTsvField(read[i]);
        const bool lossy = escaped.find("\\x8") != std::string::npos || escaped.find("\\x9") != std::string::npos;
        if (!lossy && read[i] != again[i])
            return false;
    }
    return true;
}

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
        if (!SameFields(read.rows[i].fields, again.rows[i].fields, format))
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
