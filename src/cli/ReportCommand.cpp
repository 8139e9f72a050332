// "report": who can do what in a login path, for people to read or print.
#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/ListFiles.h"
#include "platform/CodePage.h"
#include "store/AccountService.h"
#include "store/GroupImportPlan.h"

#include <map>
#include <ostream>

namespace custodia::cli {

namespace {

// One user's line: name, full name, group number and name, then the rights of each program.
using ReportRow = std::vector<std::string>;

std::vector<std::string> Header()
{
    std::vector<std::string> header { "user", "full name", "group", "group name" };
    for (int program = 0; program < kProgramCount; ++program)
        header.push_back(ProgramName(program));
    return header;
}

// Every group's rights, read once per group that a user belongs to.
class GroupRights final {
public:
    GroupRights(const AccountService& service, const std::vector<GroupEntry>& groups)
        : m_service(service)
        , m_names(InstalledRightNames())
    {
        for (const GroupEntry& group : groups)
            m_groupNames[group.groupNumber] = StoredToUtf8(group.name);
    }

    ReportRow RowOf(const UserRecord& user)
    {
        ReportRow row { StoredToUtf8(user.userName), StoredToUtf8(user.fullName), std::to_string(user.groupNumber) };
        const auto name = m_groupNames.find(user.groupNumber);
        // A user of a group that no file holds has no right at all: say so rather than leave it blank.
        row.push_back(name == m_groupNames.end() ? "(no such group)" : name->second);
        const std::vector<std::string>& rights = Rights(user.groupNumber, name != m_groupNames.end());
        row.insert(row.end(), rights.begin(), rights.end());
        return row;
    }

private:
    const std::vector<std::string>& Rights(int group, bool exists)
    {
        auto [found, added] = m_rights.try_emplace(group, kProgramCount);
        if (!added || !exists)
            return found->second;
        const auto loaded = m_service.LoadGroupRights(static_cast<uint8_t>(group));
        Require(loaded ? Status() : Status(loaded.Error()));
        for (int program = 0; program < kProgramCount; ++program)
            found->second[static_cast<size_t>(program)] = RightsText(program, *loaded->second.GetRow(program), m_names);
        return found->second;
    }

    const AccountService& m_service;
    std::vector<RightName> m_names;
    std::map<int, std::string> m_groupNames;
    std::map<int, std::vector<std::string>> m_rights;
};

std::string EscapeHtml(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&#39;";
            break;
        default:
            // Another program may have stored a control character; the page shows it as custodiactl's
            // lists escape it.
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                escaped += "\\x";
                escaped += kHex[static_cast<unsigned char>(c) >> 4];
                escaped += kHex[static_cast<unsigned char>(c) & 0xF];
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

void AppendHtmlRow(std::string& html, const std::vector<std::string>& fields, const char* cell)
{
    html += "<tr>";
    for (const std::string& field : fields)
        html += std::string("<") + cell + ">" + EscapeHtml(field) + "</" + cell + ">";
    html += "</tr>\n";
}

// A page that a browser shows and prints as it is: no script, no file beside it.
std::string Html(const std::string& loginPath, const std::vector<ReportRow>& rows)
{
    const std::string title = "Rights of the users of " + EscapeHtml(loginPath);
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title
        + "</title>\n<style>\nbody { font-family: sans-serif; font-size: 10pt; }\n"
          "table { border-collapse: collapse; }\nth, td { border: 1px solid #888; padding: 2px 4px; "
          "vertical-align: top; text-align: left; }\nthead { display: table-header-group; }\n"
          "tr { page-break-inside: avoid; }\n@media print { @page { size: landscape; } }\n</style>\n</head>\n"
          "<body>\n<h1>"
        + title + "</h1>\n<table>\n<thead>\n";
    AppendHtmlRow(html, Header(), "th");
    html += "</thead>\n<tbody>\n";
    for (const ReportRow& row : rows)
        AppendHtmlRow(html, row, "td");
    html += "</tbody>\n</table>\n</body>\n</html>\n";
    return html;
}

int Report(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const std::string format = arguments.Value("--format").value_or("csv");
    if (format != "csv" && format != "html")
        throw UsageError("--format is csv or html, not '" + format + "'");
    const AccountService service { NativePath(path) };
    const Result<std::vector<GroupEntry>> groups = service.LoadGroups();
    Require(groups ? Status() : Status(groups.Error()));
    GroupRights rights(service, *groups);
    std::vector<ReportRow> rows;
    Require(service.ForEachUser([&](const UserRecord& user) { rows.push_back(rights.RowOf(user)); }));

    std::string text;
    if (format == "html") {
        text = Html(path, rows);
    } else {
        delimited::AppendRow(text, Header(), delimited::Format::Csv);
        for (const ReportRow& row : rows)
            delimited::AppendRow(text, row, delimited::Format::Csv);
    }
    FlushPiece(text, context, true);
    return kExitSuccess;
}

} // namespace

std::vector<Command> ReportCommands()
{
    return {
        {
            "report",
            "",
            "PATH [--format csv|html]",
            "report who can do what in a login path",
            "Prints one line per user, in file order: name, full name, group number, group name, and for\n"
            "each of the twelve programs the rights the user's group grants in it, by the names the\n"
            "console's pages give them (\"; \" between them, #POSITION for a right without a name). A\n"
            "group that no profile file holds is named \"(no such group)\" and grants nothing. CSV (the\n"
            "default, with a header line) or HTML: one page with a table, for a browser to show and\n"
            "print, every text escaped.\n",
            { { "PATH" }, { { "--format", true, false } }, {} },
            Report,
        },
    };
}

} // namespace custodia::cli
