#include "store/AuditTrail.h"

#include "platform/FieldEscape.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/Sha256.h"
#include "platform/SharedFile.h"

#include <climits>
#include <cstdio>
#include <ctime>
#include <pwd.h>
#include <unistd.h>

namespace custodia {

namespace {

// Tag, time, offset, machine, account, console user, program, action, object; then the changes, one
// field each, and the hash last.
constexpr size_t kFixedFields = 9;
constexpr const char kNoConsoleUser[] = "-";
constexpr std::string_view kFieldSeparator = ": ";
constexpr std::string_view kArrow = " \xE2\x86\x92 "; // " → "

constexpr unsigned kReadFlags = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;

std::string ChangeText(const TrailChange& change)
{
    return change.field + std::string(kFieldSeparator) + change.before + std::string(kArrow) + change.after;
}

// The field name runs to the first ": ", the old value to the first arrow after it.
TrailChange ParseChange(const std::string& text)
{
    TrailChange change;
    const size_t colon = text.find(kFieldSeparator);
    if (colon == std::string::npos) {
        change.field = text;
        return change;
    }
    change.field = text.substr(0, colon);
    const std::string rest = text.substr(colon + kFieldSeparator.size());
    const size_t arrow = rest.find(kArrow);
    if (arrow == std::string::npos) {
        change.after = rest;
        return change;
    }
    change.before = rest.substr(0, arrow);
    change.after = rest.substr(arrow + kArrow.size());
    return change;
}

bool IsHash(std::string_view text)
{
    if (text.size() != audittrail::kHashLength)
        return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

std::string ChainedHash(std::string_view previousHash, std::string_view text)
{
    std::string input;
    input.reserve(previousHash.size() + 1 + text.size());
    input.append(previousHash).append("\n").append(text);
    return Sha256Hex(input);
}

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

// The entry of one line (without its line end), or nothing when the line is not a trail line.
std::optional<TrailEntry> ParseLine(std::string_view line)
{
    const std::vector<std::string_view> fields = SplitTabs(line);
    if (fields.size() < kFixedFields + 1 || fields[0] != audittrail::kFormatTag || !IsHash(fields.back()))
        return std::nullopt;
    std::vector<std::string> texts;
    for (size_t i = 1; i + 1 < fields.size(); ++i) {
        auto text = UnescapeTsvField(fields[i]);
        if (!text)
            return std::nullopt;
        texts.push_back(std::move(*text));
    }
    TrailEntry entry;
    entry.time = texts[0];
    entry.offset = texts[1];
    entry.actor = { texts[2], texts[3], texts[4] == kNoConsoleUser ? std::string() : texts[4], texts[5] };
    entry.action = texts[6];
    entry.object = texts[7];
    for (size_t i = kFixedFields - 1; i < texts.size(); ++i)
        entry.changes.push_back(ParseChange(texts[i]));
    entry.hash = std::string(fields.back());
    return entry;
}

// The line's text without its hash field, which the hash covers.
std::string_view HashedText(std::string_view line)
{
    return line.substr(0, line.rfind('\t'));
}

Failure TrailFailure(const NativePath& fileName, std::string operation, const OpenError& error)
{
    Failure failure;
    failure.operation = std::move(operation);
    failure.fileName = fileName;
    failure.cause = error.cause;
    failure.systemError = error.systemError;
    failure.detail = DescribeOpenError(error);
    return failure;
}

Failure DamagedTrail(const NativePath& fileName, std::string operation, std::string detail)
{
    Failure failure;
    failure.operation = std::move(operation);
    failure.fileName = fileName;
    failure.refusal = Failure::Refusal::Damaged;
    failure.detail = std::move(detail);
    return failure;
}

} // namespace

std::string FormatTrailLine(TrailEntry& entry, std::string_view previousHash)
{
    std::string text = audittrail::kFormatTag;
    for (const std::string* field : { &entry.time, &entry.offset, &entry.actor.machine, &entry.actor.account })
        text.append("\t").append(EscapeTsvField(*field));
    text.append("\t").append(
        entry.actor.consoleUser.empty() ? kNoConsoleUser : EscapeTsvField(entry.actor.consoleUser));
    for (const std::string* field : { &entry.actor.program, &entry.action, &entry.object })
        text.append("\t").append(EscapeTsvField(*field));
    for (const TrailChange& change : entry.changes)
        text.append("\t").append(EscapeTsvField(ChangeText(change)));
    entry.hash = ChainedHash(previousHash, text);
    return text + "\t" + entry.hash + "\n";
}

TrailCheck CheckTrail(std::string_view text)
{
    TrailCheck check;
    check.lastHash = audittrail::kChainStart;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            check.brokenLine = lineNumber;
            check.problem = "the last line is cut short";
            return check;
        }
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        std::optional<TrailEntry> entry = ParseLine(line);
        if (!entry) {
            check.brokenLine = lineNumber;
            check.problem = "not a line of the trail";
            return check;
        }
        if (ChainedHash(check.lastHash, HashedText(line)) != entry->hash) {
            check.brokenLine = lineNumber;
            check.problem = "its hash does not match its text and the line before it: the line was changed, or a "
                            "line before it was changed, removed, inserted or moved";
            return check;
        }
        entry->line = lineNumber;
        check.lastHash = entry->hash;
        check.entries.push_back(std::move(*entry));
    }
    return check;
}

std::optional<std::string> LastTrailHash(std::string_view tail, bool tailIsWholeFile)
{
    if (tail.empty())
        return tailIsWholeFile ? std::optional<std::string>(audittrail::kChainStart) : std::nullopt;
    if (tail.back() != '\n')
        return std::nullopt;
    tail.remove_suffix(1);
    const size_t start = tail.rfind('\n');
    if (start == std::string_view::npos && !tailIsWholeFile)
        return std::nullopt;
    const std::string_view line = start == std::string_view::npos ? tail : tail.substr(start + 1);
    const std::optional<TrailEntry> entry = ParseLine(line);
    if (!entry)
        return std::nullopt;
    return entry->hash;
}

void StampTrailEntry(TrailEntry& entry, long long secondsSinceEpoch)
{
    const std::time_t moment = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm utc {};
    std::tm local {};
    ::gmtime_r(&moment, &utc);
    ::localtime_r(&moment, &local);
    char time[96];
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
        utc.tm_hour, utc.tm_min, utc.tm_sec);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char offset[48];
    std::snprintf(offset, sizeof offset, "%c%02ld%02ld", offsetMinutes < 0 ? '-' : '+', absolute / 60, absolute % 60);
    entry.time = time;
    entry.offset = offset;
}

TrailActor CurrentActor(std::string program, std::string consoleUser)
{
    TrailActor actor;
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) == 0)
        actor.machine = host;
    if (const passwd* account = ::getpwuid(::geteuid()); account != nullptr && account->pw_name != nullptr)
        actor.account = account->pw_name;
    else
        actor.account = std::to_string(::geteuid());
    actor.consoleUser = std::move(consoleUser);
    actor.program = std::move(program);
    return actor;
}

Result<TrailCheck> ReadTrail(const NativePath& loginPath)
{
    const NativePath fileName(JoinPath(loginPath, audittrail::kFileName));
    if (!FileExists(fileName))
        return CheckTrail({});
    SharedFile file;
    if (!file.OpenWithRetry(fileName, kReadFlags))
        return TrailFailure(fileName, "read the audit trail", file.LastOpenError());
    std::vector<unsigned char> bytes;
    if (!file.ReadWhole(bytes, audittrail::kMaxFileLength))
        return DamagedTrail(fileName, "read the audit trail", "larger than any trail can be");
    return CheckTrail(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace custodia
