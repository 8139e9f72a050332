#include "bulk/UserListFile.h"

#include "store/UserColumns.h"

#include <algorithm>
#include <cctype>

namespace custodia {

delimited::Format ListFormatOfFileName(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return delimited::Format::Csv;
    std::string extension(fileName.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "tsv" || extension == "tab" ? delimited::Format::Tsv : delimited::Format::Csv;
}

std::string UserListText(
    const std::vector<UserEntry>& users, const std::vector<GroupEntry>& groups, delimited::Format format)
{
    std::vector<std::string> fields;
    for (const UserColumnName& column : ExportedUserColumns())
        fields.push_back(column.name);
    std::string text;
    delimited::AppendRow(text, fields, format);
    const std::array<std::string, 256> groupNames = GroupNamesByNumber(groups);
    for (const UserEntry& entry : users) {
        ExportUserFields(entry, groupNames, fields);
        delimited::AppendRow(text, fields, format);
    }
    return text;
}

std::vector<ImportLine> ImportLinesOf(
    std::string_view text, delimited::Format format, std::vector<ImportProblem>& problems)
{
    delimited::Rows rows = delimited::Parse(text, format);
    std::vector<ImportLine> lines;
    lines.reserve(rows.rows.size());
    for (delimited::Row& row : rows.rows)
        lines.push_back({ row.line, std::move(row.fields) });
    if (rows.error)
        problems.push_back({ rows.error->line, rows.error->reason + "; the lines after it were not read" });
    return lines;
}

} // namespace custodia
