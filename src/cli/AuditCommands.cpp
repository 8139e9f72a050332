#include "cli/Command.h"
#include "cli/Output.h"
#include "parsers/DelimitedText.h"
#include "platform/FieldEscape.h"
#include "platform/NativePath.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailHead.h"

#include <algorithm>

#include <ostream>
#include <span>

namespace custodia::cli {

namespace {

constexpr size_t kDateLength = 10; // "2026-12-11"
constexpr size_t kTimeLength = 20; // "2026-12-11T01:46:43Z"
constexpr size_t kPieceSize = 64 * 1024;

bool IsDigits(const std::string& text, size_t from, size_t count)
{
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// A day ("2026-12-11") or a moment in UTC ("2026-12-11T01:46:43Z"), as the trail writes them.
std::string DateOption(const std::string& what, const std::string& text)
{
    const bool day = text.size() == kDateLength && IsDigits(text, 0, 4) && text[4] == '-' && IsDigits(text, 5, 2)
        && text[7] == '-' && IsDigits(text, 8, 2);
    const bool moment = text.size() == kTimeLength && IsDigits(text, 0, 4) && text[4] == '-' && IsDigits(text, 5, 2)
        && text[7] == '-' && IsDigits(text, 8, 2) && text[10] == 'T' && IsDigits(text, 11, 2) && text[13] == ':'
        && IsDigits(text, 14, 2) && text[16] == ':' && IsDigits(text, 17, 2) && text[19] == 'Z';
    if (!day && !moment)
        throw UsageError(what + " '" + text + "' is neither YYYY-MM-DD nor YYYY-MM-DDTHH:MM:SSZ");
    return text;
}

// Which lines to list. Times in the trail are UTC in a fixed form, so they compare as texts; names
// compare in the trail's escaped form, so that no line needs to be decoded to be passed over.
struct Filter {
    std::optional<std::string> since;
    std::optional<std::string> until;
    std::optional<std::string> user; // escaped

    bool Keeps(std::string_view time, std::string_view account, std::string_view consoleUser) const
    {
        if (since && time.substr(0, since->size()) < *since)
            return false;
        if (until && time.substr(0, until->size()) > *until)
            return false;
        return !user || consoleUser == *user || account == *user;
    }
};

// The fields of a trail line as the trail holds them: the tag first, the hash last.
enum TrailField : size_t {
    kTime = 1,
    kOffset,
    kMachine,
    kAccount,
    kConsoleUser,
    kProgram,
    kAction,
    kObject,
    kFirstChange,
};

std::string_view ConsoleUserOf(std::span<const std::string_view> fields)
{
    return fields[kConsoleUser] == "-" ? std::string_view() : fields[kConsoleUser];
}

// A listed line in tab-separated form, which is the trail's own escaping: the fields go out as they
// stand, the changes joined by "; ".
void AppendTsvLine(std::string& out, std::span<const std::string_view> fields)
{
    for (size_t i = kTime; i < kFirstChange; ++i) {
        out.append(i == kConsoleUser ? ConsoleUserOf(fields) : fields[i]);
        out.push_back('\t');
    }
    for (size_t i = kFirstChange; i + 1 < fields.size(); ++i) {
        if (i > kFirstChange)
            out.append("; ");
        out.append(fields[i]);
    }
    out.push_back('\n');
}

void AppendCsvLine(std::string& out, std::span<const std::string_view> fields)
{
    std::vector<std::string> texts;
    for (size_t i = kTime; i < kFirstChange; ++i)
        texts.push_back(UnescapeTsvField(i == kConsoleUser ? ConsoleUserOf(fields) : fields[i]).value_or(""));
    std::string changes;
    for (size_t i = kFirstChange; i + 1 < fields.size(); ++i) {
        if (i > kFirstChange)
            changes += "; ";
        changes += UnescapeTsvField(fields[i]).value_or("");
    }
    texts.push_back(std::move(changes));
    delimited::AppendRow(out, texts, delimited::Format::Csv);
}

Result<TrailCheck> ScanOrFail(const std::string& path, const TrailLineVisitor& visit)
{
    Result<TrailCheck> scanned = ScanTrailFile(NativePath(path), visit);
    if (!scanned)
        throw OperationFailed(scanned.Error().fileName.Bytes() + ": " + scanned.Error().detail);
    return scanned;
}

void ReportBroken(std::ostream& err, const std::string& path, const TrailCheck& check)
{
    WriteError(
        err, path + "/" + audittrail::kFileName + ": line " + std::to_string(*check.brokenLine) + ": " + check.problem);
}

int List(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& path = arguments.Operand(0);
    Filter filter;
    if (auto since = arguments.Value("--since"))
        filter.since = DateOption("--since", *since);
    if (auto until = arguments.Value("--until"))
        filter.until = DateOption("--until", *until);
    if (auto user = arguments.Value("--user"))
        filter.user = EscapeTsvFieldExactly(*user);
    const std::string format = arguments.Value("--format").value_or("tsv");
    if (format != "tsv" && format != "csv")
        throw UsageError("--format must be tsv or csv");
    const auto kind = format == "csv" ? delimited::Format::Csv : delimited::Format::Tsv;

    std::string out;
    if (kind == delimited::Format::Csv)
        delimited::AppendRow(out,
            { "time", "offset", "machine", "account", "console user", "program", "action", "object", "changes" }, kind);
    const Result<TrailCheck> scanned = ScanOrFail(path, [&](const TrailLineView& line) {
        if (!filter.Keeps(line.fields[kTime], line.fields[kAccount], ConsoleUserOf(line.fields)))
            return;
        if (kind == delimited::Format::Csv)
            AppendCsvLine(out, line.fields);
        else
            AppendTsvLine(out, line.fields);
        if (out.size() >= kPieceSize) {
            context.out.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    });
    const TrailCheck& check = *scanned;
    context.out.write(out.data(), static_cast<std::streamsize>(out.size()));
    // What follows a broken line cannot be trusted, so it is not listed as if it could.
    if (!check.IsSound()) {
        ReportBroken(context.err, path, check);
        return kExitFailed;
    }
    return kExitSuccess;
}

int Verify(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string& path = arguments.Operand(0);
    const std::optional<std::string> seen = RememberedTrailHead(NativePath(path));
    bool seenIsThere = !seen || *seen == audittrail::kChainStart;
    const Result<TrailCheck> scanned = ScanOrFail(
        path, [&](const TrailLineView& line) { seenIsThere = seenIsThere || line.fields.back() == *seen; });
    const TrailCheck& check = *scanned;
    if (!check.IsSound()) {
        ReportBroken(context.err, path, check);
        WriteFields(context.out, { "broken", std::to_string(*check.brokenLine) });
        return kExitFailed;
    }
    // A trail cut short after a line we saw is still a sound chain: only the missing line tells.
    if (!seenIsThere) {
        WriteError(context.err,
            path + "/" + audittrail::kFileName + ": shorter than it was: the line " + *seen
                + " that this user's programs last wrote or checked is gone (lines were removed from its end, or the "
                  "trail was replaced)");
        WriteFields(context.out, { "cut", std::to_string(check.soundLines) });
        return kExitFailed;
    }
    RememberTrailHead(NativePath(path), check.lastHash);
    WriteFields(context.out, { "ok", std::to_string(check.soundLines) });
    return kExitSuccess;
}

} // namespace

std::vector<Command> AuditCommands()
{
    return {
        {
            "audit",
            "list",
            "PATH [--since DATE] [--until DATE] [--user NAME] [--format tsv|csv]",
            "list the audit trail of a login path",
            "Prints one line per change recorded in the login path's trail \"custodia-audit.trail\", oldest\n"
            "first: time (UTC), the machine's offset from UTC, machine, account, console user, program,\n"
            "action, object, and the changed fields as \"field: before \xE2\x86\x92 after\" separated by \"; \".\n"
            "DATE is YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ (UTC); both ends are included. --user keeps the\n"
            "changes made by that console user or operating-system account. --format csv writes RFC 4180\n"
            "lines with a header line. Where the trail's chain is broken, the lines before the break are\n"
            "listed and the exit status is 1.\n",
            { { "PATH" },
                { { "--since", true, false }, { "--until", true, false }, { "--user", true, false },
                    { "--format", true, false } },
                {} },
            List,
        },
        {
            "audit",
            "verify",
            "PATH",
            "check that nobody edited the audit trail",
            "Checks that every line of the login path's trail is whole and chained to the one before it by\n"
            "its SHA-256, so that a line edited, removed, inserted or moved is found. Prints \"ok\" and the\n"
            "number of lines, or \"broken\" and the first line that breaks the chain (exit status 1, with\n"
            "the reason on stderr). A missing trail is an empty one. The last line this user's programs\n"
            "wrote or checked is remembered (in $XDG_STATE_HOME/custodia): a trail that no longer holds it\n"
            "was cut short, and verify prints \"cut\" and the number of lines (exit status 1).\n",
            { { "PATH" }, {}, {} },
            Verify,
        },
    };
}

} // namespace custodia::cli
