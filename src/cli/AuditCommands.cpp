#include "cli/Command.h"
#include "cli/Output.h"
#include "parsers/DelimitedText.h"
#include "platform/NativePath.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailHead.h"

#include <algorithm>

#include <ostream>

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

// Which entries to list. Times in the trail are UTC in a fixed form, so they compare as texts.
struct Filter {
    std::optional<std::string> since;
    std::optional<std::string> until;
    std::optional<std::string> user;

    bool Keeps(const TrailEntry& entry) const
    {
        if (since && entry.time.compare(0, since->size(), *since) < 0)
            return false;
        if (until && entry.time.compare(0, until->size(), *until) > 0)
            return false;
        return !user || entry.actor.consoleUser == *user || entry.actor.account == *user;
    }
};

std::vector<std::string> EntryFields(const TrailEntry& entry)
{
    std::string changes;
    for (const TrailChange& change : entry.changes) {
        if (!changes.empty())
            changes += "; ";
        changes += change.field + ": " + change.before + " \xE2\x86\x92 " + change.after;
    }
    return { entry.time, entry.offset, entry.actor.machine, entry.actor.account, entry.actor.consoleUser,
        entry.actor.program, entry.action, entry.object, changes };
}

TrailCheck ReadTrailOrFail(const std::string& path)
{
    Result<TrailCheck> read = ReadTrail(NativePath(path));
    if (!read)
        throw OperationFailed(read.Error().fileName.Bytes() + ": " + read.Error().detail);
    return std::move(read).Value();
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
    filter.user = arguments.Value("--user");
    const std::string format = arguments.Value("--format").value_or("tsv");
    if (format != "tsv" && format != "csv")
        throw UsageError("--format must be tsv or csv");
    const auto kind = format == "csv" ? delimited::Format::Csv : delimited::Format::Tsv;

    const TrailCheck check = ReadTrailOrFail(path);
    std::string out;
    if (kind == delimited::Format::Csv)
        delimited::AppendRow(out,
            { "time", "offset", "machine", "account", "console user", "program", "action", "object", "changes" }, kind);
    for (const TrailEntry& entry : check.entries) {
        if (!filter.Keeps(entry))
            continue;
        delimited::AppendRow(out, EntryFields(entry), kind);
        if (out.size() >= kPieceSize) {
            context.out.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    }
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
    const TrailCheck check = ReadTrailOrFail(path);
    if (!check.IsSound()) {
        ReportBroken(context.err, path, check);
        WriteFields(context.out, { "broken", std::to_string(*check.brokenLine) });
        return kExitFailed;
    }
    // A trail cut short after a line we saw is still a sound chain: only the missing line tells.
    const std::optional<std::string> seen = RememberedTrailHead(NativePath(path));
    if (seen && *seen != audittrail::kChainStart
        && std::none_of(
            check.entries.begin(), check.entries.end(), [&](const TrailEntry& entry) { return entry.hash == *seen; })) {
        WriteError(context.err,
            path + "/" + audittrail::kFileName + ": shorter than it was: the line " + *seen
                + " that this user's programs last wrote or checked is gone (lines were removed from its end, or the "
                  "trail was replaced)");
        WriteFields(context.out, { "cut", std::to_string(check.entries.size()) });
        return kExitFailed;
    }
    RememberTrailHead(NativePath(path), check.lastHash);
    WriteFields(context.out, { "ok", std::to_string(check.entries.size()) });
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
