#include "parsers/DelimitedText.h"

#include "platform/FieldEscape.h"

namespace custodia::delimited {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kCsvSeparator = ',';
constexpr char kQuote = '"';
constexpr char kTsvSeparator = '\t';

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Reads one CSV record at a time; a quoted field may run over several lines.
class CsvScanner final {
public:
    explicit CsvScanner(std::string_view text)
        : m_text(text)
    {
    }

    bool AtEnd() const { return m_pos >= m_text.size(); }
    size_t Line() const { return m_line; }

    // Passes over empty lines; true when a row follows.
    bool SkipEmptyLines()
    {
        while (!AtEnd() && IsLineEnd(m_text[m_pos]))
            EndLine();
        return !AtEnd();
    }

    // The fields of the row at the position, or the reason it is not CSV.
    std::optional<std::string> ReadRow(std::vector<std::string>& fields)
    {
        for (;;) {
            std::string field;
            if (auto problem = ReadField(field))
                return problem;
            fields.push_back(std::move(field));
            if (AtEnd())
                return std::nullopt;
            if (m_text[m_pos] == kCsvSeparator) {
                ++m_pos;
                continue;
            }
            EndLine();
            return std::nullopt;
        }
    }

private:
    std::optional<std::string> ReadField(std::string& field)
    {
        if (!AtEnd() && m_text[m_pos] == kQuote)
            return ReadQuoted(field);
        const size_t start = m_pos;
        while (!AtEnd() && m_text[m_pos] != kCsvSeparator && !IsLineEnd(m_text[m_pos])) {
            if (m_text[m_pos] == kQuote)
                return std::string("a quote inside a field that does not begin with one");
            ++m_pos;
        }
        field.assign(m_text.substr(start, m_pos - start));
        return std::nullopt;
    }

    std::optional<std::string> ReadQuoted(std::string& field)
    {
        ++m_pos;
        for (;;) {
            if (AtEnd())
                return std::string("a quoted field never ends");
            const char c = m_text[m_pos++];
            if (c == kQuote) {
                if (!AtEnd() && m_text[m_pos] == kQuote) {
                    field.push_back(kQuote);
                    ++m_pos;
                    continue;
                }
                break;
            }
            if (c == '\n')
                ++m_line;
            field.push_back(c);
        }
        if (!AtEnd() && m_text[m_pos] != kCsvSeparator && !IsLineEnd(m_text[m_pos]))
            return std::string("text after the closing quote of a field");
        return std::nullopt;
    }

    // "\r\n", "\n" or a lone "\r" ends a line.
    void EndLine()
    {
        if (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }

    std::string_view m_text;
    size_t m_pos = 0;
    size_t m_line = 1;
};

Rows ParseCsv(std::string_view text)
{
    Rows result;
    CsvScanner scanner(text);
    while (scanner.SkipEmptyLines()) {
        Row row;
        row.line = scanner.Line();
        if (auto problem = scanner.ReadRow(row.fields)) {
            result.error = RowError { row.line, std::move(*problem) };
            return result;
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

std::optional<std::vector<std::string>> TsvFields(std::string_view line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find(kTsvSeparator, start);
        auto field = UnescapeTsvField(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
        if (!field)
            return std::nullopt;
        fields.push_back(std::move(*field));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

Rows ParseTsv(std::string_view text)
{
    Rows result;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // A line end that an editor on another system wrote.
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        auto fields = TsvFields(line);
        if (!fields) {
            result.error = RowError { lineNumber, "an escape that is not \\t, \\n, \\r, \\\\ or \\xHH" };
            return result;
        }
        result.rows.push_back({ lineNumber, std::move(*fields) });
    }
    return result;
}

bool NeedsQuotes(std::string_view field)
{
    if (field.empty())
        return false;
    if (field.front() == ' ' || field.back() == ' ')
        return true;
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvField(std::string& out, std::string_view field)
{
    if (!NeedsQuotes(field)) {
        out.append(field);
        return;
    }
    out.push_back(kQuote);
    for (const char c : field) {
        if (c == kQuote)
            out.push_back(kQuote);
        out.push_back(c);
    }
    out.push_back(kQuote);
}

} // namespace

Rows Parse(std::string_view text, Format format)
{
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    return format == Format::Csv ? ParseCsv(text) : ParseTsv(text);
}

void AppendRow(std::string& out, const std::vector<std::string>& fields, Format format)
{
    // A lone empty field would be an empty line, which readers pass over.
    if (format == Format::Csv && fields.size() == 1 && fields[0].empty()) {
        out += "\"\"\r\n";
        return;
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.push_back(format == Format::Csv ? kCsvSeparator : kTsvSeparator);
        if (format == Format::Csv)
            AppendCsvField(out, fields[i]);
        else
            out += EscapeTsvField(fields[i]);
    }
    out += format == Format::Csv ? "\r\n" : "\n";
}

} // namespace custodia::delimited
