#include "store/AuditTrail.h"
#include "store/AuditTrailFields.h"

#include "platform/FieldEscape.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/SharedFile.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <ctime>
#include <pwd.h>
#include <span>
#include <stdexcept>
#include <unistd.h>

namespace custodia {

namespace {

// Tag, time, offset, machine, account, console user, program, action, object; then the changes, one
// field each, and the hash last.
constexpr size_t kFixedFields = 9;
// Where the fields a list is searched by stand.
constexpr size_t kTimeField = 1;
constexpr size_t kAccountField = 4;
constexpr size_t kConsoleUserField = 5;
constexpr size_t kActionField = 7;
constexpr size_t kObjectField = 8;
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

// Hashes line after line with one digest context, fetched once: a trail of 100,000 lines is hashed
// in the time the hashing takes, not in the time of setting up a digest per line.
class ChainHasher final {
public:
    ChainHasher()
        : m_md(EVP_MD_fetch(nullptr, "SHA256", nullptr))
        , m_context(EVP_MD_CTX_new())
    {
        if (m_md == nullptr || m_context == nullptr)
            throw std::runtime_error("SHA-256 is not available");
    }
    ~ChainHasher()
    {
        EVP_MD_CTX_free(m_context);
        EVP_MD_free(m_md);
    }
    ChainHasher(const ChainHasher&) = delete;
    ChainHasher& operator=(const ChainHasher&) = delete;

    // The hex hash of the previous hash, a line end and the text, into `hex`.
    void Hash(std::string_view previousHash, std::string_view text, std::array<char, audittrail::kHashLength>& hex)
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (EVP_DigestInit_ex(m_context, m_md, nullptr) != 1
            || EVP_DigestUpdate(m_context, previousHash.data(), previousHash.size()) != 1
            || EVP_DigestUpdate(m_context, "\n", 1) != 1 || EVP_DigestUpdate(m_context, text.data(), text.size()) != 1
            || EVP_DigestFinal_ex(m_context, digest, &length) != 1 || length * 2 != hex.size())
            throw std::runtime_error("SHA-256 is not available");
        static constexpr char kDigits[] = "0123456789abcdef";
        for (unsigned int i = 0; i < length; ++i) {
            hex[2 * i] = kDigits[digest[i] >> 4];
            hex[2 * i + 1] = kDigits[digest[i] & 0x0F];
        }
    }

private:
    EVP_MD* m_md;
    EVP_MD_CTX* m_context;
};

// Into a vector the caller keeps, so that a long trail is split without an allocation per line.
void SplitTabs(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
        if (tab == std::string_view::npos)
            return;
        start = tab + 1;
    }
}

// A field without a backslash holds no escape, so only those with one need the full check.
bool IsEscapedField(std::string_view field)
{
    return field.find('\\') == std::string_view::npos || UnescapeTsvField(field).has_value();
}

// Whether the split line is in the trail's form: the tag, the fixed fields, the changes, the hash.
// A line without any backslash holds no escape at all, so its fields need no check one by one.
bool IsTrailLine(std::span<const std::string_view> fields, bool holdsBackslash = true)
{
    if (fields.size() < kFixedFields + 1 || fields[0] != audittrail::kFormatTag || !IsHash(fields.back()))
        return false;
    return !holdsBackslash || std::all_of(fields.begin() + 1, fields.end() - 1, IsEscapedField);
}

// The entry of a line in the trail's form.
TrailEntry EntryOf(std::span<const std::string_view> fields)
{
    std::vector<std::string> texts;
    for (size_t i = 1; i + 1 < fields.size(); ++i)
        texts.push_back(UnescapeTsvField(fields[i]).value_or(std::string()));
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

// The entry of one line (without its line end), or nothing when the line is not a trail line.
std::optional<TrailEntry> ParseLine(std::string_view line)
{
    std::vector<std::string_view> fields;
    SplitTabs(line, fields);
    if (!IsTrailLine(fields))
        return std::nullopt;
    return EntryOf(fields);
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

namespace {

// The line's text without its hash, appended to out.
void AppendLineText(std::string& out, const TrailEntry& entry)
{
    out.append(audittrail::kFormatTag);
    for (const std::string* field : { &entry.time, &entry.offset, &entry.actor.machine, &entry.actor.account })
        out.append("\t").append(EscapeTsvFieldExactly(*field));
    out.append("\t").append(
        entry.actor.consoleUser.empty() ? kNoConsoleUser : EscapeTsvFieldExactly(entry.actor.consoleUser));
    for (const std::string* field : { &entry.actor.program, &entry.action, &entry.object })
        out.append("\t").append(EscapeTsvFieldExactly(*field));
    for (const TrailChange& change : entry.changes)
        out.append("\t").append(EscapeTsvFieldExactly(ChangeText(change)));
}

// The whole line appended to out, hashed by the hasher the caller keeps for all its lines.
void AppendLine(std::string& out, TrailEntry& entry, std::string_view previousHash, ChainHasher& hasher)
{
    const size_t start = out.size();
    AppendLineText(out, entry);
    std::array<char, audittrail::kHashLength> hash {};
    hasher.Hash(previousHash, std::string_view(out).substr(start), hash);
    entry.hash.assign(hash.data(), hash.size());
    out.append("\t").append(entry.hash).append("\n");
}

} // namespace

std::string FormatTrailLine(TrailEntry& entry, std::string_view previousHash)
{
    ChainHasher hasher;
    std::string line;
    AppendLine(line, entry, previousHash, hasher);
    return line;
}

std::string FormatTrailLines(std::vector<TrailEntry>& entries, std::string_view previousHash)
{
    ChainHasher hasher;
    std::string lines;
    std::string_view previous = previousHash;
    for (TrailEntry& entry : entries) {
        AppendLine(lines, entry, previous, hasher);
        previous = entry.hash;
    }
    return lines;
}

TrailCheck ScanTrail(std::string_view text, const TrailLineVisitor& visit)
{
    TrailCheck check;
    ChainHasher hasher;
    std::array<char, audittrail::kHashLength> last {};
    std::copy_n(audittrail::kChainStart, last.size(), last.begin());
    std::array<char, audittrail::kHashLength> hash {};
    std::vector<std::string_view> fields;
    size_t lineNumber = 0;
    const auto broken = [&](const char* problem) {
        check.brokenLine = lineNumber;
        check.problem = problem;
    };
    while (!text.empty() && !check.brokenLine) {
        ++lineNumber;
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            broken("the last line is cut short");
            break;
        }
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        SplitTabs(line, fields);
        if (!IsTrailLine(fields, line.find('\\') != std::string_view::npos)) {
            broken("not a line of the trail");
            break;
        }
        hasher.Hash(std::string_view(last.data(), last.size()), HashedText(line), hash);
        if (std::string_view(hash.data(), hash.size()) != fields.back()) {
            broken("its hash does not match its text and the line before it: the line was changed, or a line before "
                   "it was changed, removed, inserted or moved");
            break;
        }
        last = hash;
        ++check.soundLines;
        if (visit)
            visit(TrailLineView { lineNumber, std::span<const std::string_view>(fields) });
    }
    check.lastHash.assign(last.data(), last.size());
    return check;
}

TrailCheck CheckTrail(std::string_view text)
{
    std::vector<TrailEntry> entries;
    TrailCheck check = ScanTrail(text, [&](const TrailLineView& line) {
        TrailEntry entry = EntryOf(line.fields);
        entry.line = line.line;
        entries.push_back(std::move(entry));
    });
    check.entries = std::move(entries);
    return check;
}

TrailLineKeys TrailKeysOf(std::span<const std::string_view> fields)
{
    const auto text = [&](size_t index) { return UnescapeTsvField(fields[index]).value_or(std::string()); };
    TrailLineKeys keys;
    keys.time = text(kTimeField);
    keys.account = text(kAccountField);
    keys.consoleUser = fields[kConsoleUserField] == kNoConsoleUser ? std::string() : text(kConsoleUserField);
    keys.action = text(kActionField);
    keys.object = text(kObjectField);
    return keys;
}

TrailEntry DecodeTrailLine(std::span<const std::string_view> fields)
{
    return EntryOf(fields);
}

std::vector<TrailEntry> TrailEntriesIn(std::string_view text)
{
    std::vector<TrailEntry> entries;
    for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        if (std::optional<TrailEntry> entry = ParseLine(text.substr(0, end)))
            entries.push_back(std::move(*entry));
        text.remove_prefix(end + 1);
    }
    return entries;
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

namespace {

// The trail's bytes, or the failure to read them; a missing trail is an empty one.
Result<std::vector<unsigned char>> TrailBytes(const NativePath& loginPath)
{
    const NativePath fileName(JoinPath(loginPath, audittrail::kFileName));
    std::vector<unsigned char> bytes;
    if (!FileExists(fileName))
        return bytes;
    SharedFile file;
    if (!file.OpenWithRetry(fileName, kReadFlags))
        return TrailFailure(fileName, "read the audit trail", file.LastOpenError());
    if (!file.ReadWhole(bytes, audittrail::kMaxFileLength))
        return DamagedTrail(fileName, "read the audit trail", "larger than any trail can be");
    return bytes;
}

std::string_view TextOf(const std::vector<unsigned char>& bytes)
{
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

Result<TrailCheck> ReadTrail(const NativePath& loginPath)
{
    const Result<std::vector<unsigned char>> bytes = TrailBytes(loginPath);
    if (!bytes)
        return bytes.Error();
    return CheckTrail(TextOf(*bytes));
}

Result<TrailCheck> ScanTrailFile(const NativePath& loginPath, const TrailLineVisitor& visit)
{
    const Result<std::vector<unsigned char>> bytes = TrailBytes(loginPath);
    if (!bytes)
        return bytes.Error();
    return ScanTrail(TextOf(*bytes), visit);
}

} // namespace custodia
