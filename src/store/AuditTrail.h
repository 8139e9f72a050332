#pragma once

#include "platform/NativePath.h"
#include "platform/Result.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// The audit trail of a login path: one line for every change of its accounts, appended and never
// rewritten, readable with standard tools (tab-separated fields, UTF-8, escaped as custodiactl prints
// fields). Each line ends in the SHA-256 of its text and of the line before it, so a line edited,
// removed, inserted or moved breaks the chain from there on.
namespace audittrail {
// A name of our own: the suite's other programs pass over files they do not know.
inline constexpr const char kFileName[] = "custodia-audit.trail";
inline constexpr const char kFormatTag[] = "CT1";
// What the first line's hash is chained to.
inline constexpr const char kChainStart[] = "0000000000000000000000000000000000000000000000000000000000000000";
inline constexpr size_t kHashLength = 64;
// Read from its end to find the hash to chain to: far more than any line takes.
inline constexpr size_t kTailWindow = 64 * 1024;
// A trail this large is refused as damaged without being read whole.
inline constexpr uint64_t kMaxFileLength = uint64_t { 1 } << 30;
} // namespace audittrail

// One changed field: its name and its value before and after, as people read them.
struct TrailChange {
    std::string field;
    std::string before;
    std::string after;

    bool operator==(const TrailChange&) const = default;
};

// Who made a change, from where and with what.
struct TrailActor {
    std::string machine;
    std::string account; // of the operating system
    std::string consoleUser; // logged on to the console, or empty
    std::string program; // "console" or "custodiactl"
};

// One line of the trail. Texts are UTF-8; a password never appears, not even scrambled.
struct TrailEntry {
    std::string time; // UTC, to the second: "2026-12-11T01:46:43Z"
    std::string offset; // of the machine's clock from UTC: "+0100"
    TrailActor actor;
    std::string action; // "user added", "right granted", "rolled back", ...
    std::string object; // "user ann", "group 001 Supervisors", "database slot 3", ...
    std::vector<TrailChange> changes;
    std::string hash; // set when written or read
    size_t line = 0; // counted from 1, when read
};

// The line's text, its hash chained to the previous line's, and its line end.
std::string FormatTrailLine(TrailEntry& entry, std::string_view previousHash);
// The lines of several entries, each chained to the one before it and the first to previousHash;
// each entry's hash is set.
std::string FormatTrailLines(std::vector<TrailEntry>& entries, std::string_view previousHash);

// What a check of the whole trail found.
struct TrailCheck {
    std::vector<TrailEntry> entries; // the lines before the first broken one (CheckTrail only)
    size_t soundLines = 0; // how many there are
    std::optional<size_t> brokenLine; // the first line that is not in the format or breaks the chain
    std::string problem; // why, for people
    std::string lastHash; // the hash to chain the next line to (of the last sound line)

    bool IsSound() const { return !brokenLine.has_value(); }
};

// Reads and checks a trail's text: every line in the format and chained to the one before it.
TrailCheck CheckTrail(std::string_view text);

// One sound line as it stands in the file: its fields still escaped, the format tag first and the
// hash last.
struct TrailLineView {
    size_t line = 0; // counted from 1
    std::span<const std::string_view> fields;
};
using TrailLineVisitor = std::function<void(const TrailLineView& line)>;

// The same check without decoding the lines: each sound line goes to the visitor as it is found, for
// listing long trails without an entry per line. The check's entries stay empty.
TrailCheck ScanTrail(std::string_view text, const TrailLineVisitor& visit);

// The entries of the whole lines of the text that are in the trail's form, without checking their
// chain: for reading the lines appended after a known place, whose chain a full check verifies.
std::vector<TrailEntry> TrailEntriesIn(std::string_view text);

// Reads the whole trail of the login path and scans it as ScanTrail does.
Result<TrailCheck> ScanTrailFile(const NativePath& loginPath, const TrailLineVisitor& visit);

// The hash of the last whole line of the text's end, or the chain's start when it holds none;
// nothing when the last line is not a trail line (then nothing may be chained to it).
std::optional<std::string> LastTrailHash(std::string_view tail, bool tailIsWholeFile);

// The time stamp and offset of a moment, in the trail's form.
void StampTrailEntry(TrailEntry& entry, long long secondsSinceEpoch);

// This machine's name and this process's operating-system account.
TrailActor CurrentActor(std::string program, std::string consoleUser);

// Appends one line to the trail of the login path (created when missing), under an exclusive hold
// of the trail file so that lines of several machines never interleave and each is chained to the
// one before it. The line is on the disk when this returns. Refused, with nothing written, when the
// trail cannot be held or its last line is not a trail line.
Status AppendToTrail(const NativePath& loginPath, TrailEntry& entry);

// Reads the whole trail of the login path and checks it.
Result<TrailCheck> ReadTrail(const NativePath& loginPath);

} // namespace custodia
