#include "store/OutsideChangeLog.h"

#include "store/AuditTrailHead.h"
#include "store/TrailExplanations.h"

#include <ctime>
#include <string_view>

namespace custodia {

namespace {

long long Now(const TrailOptions& options)
{
    return options.clock ? options.clock() : static_cast<long long>(std::time(nullptr));
}

// The lines appended since the offset. A length taken while a line was being appended may fall
// inside it: that line's change was in the files before the length was taken, so it is passed over.
Result<std::vector<TrailEntry>> LinesSince(TrailHold& hold, uint64_t offset)
{
    // A trail shorter than the offset was cut or replaced: all of it is read as appended since.
    const uint64_t from = offset > hold.Length() ? 0 : offset;
    Result<std::string> text = hold.ReadFrom(from == 0 ? 0 : from - 1);
    if (!text)
        return text.Error();
    std::string_view lines = *text;
    if (from != 0) {
        const size_t end = lines.find('\n');
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
    }
    return TrailEntriesIn(lines);
}

// A part that could not be read this time stays as it was last read.
void KeepWhatWasRead(AccountSnapshot& last, AccountSnapshot&& now)
{
    if (!now.users)
        now.users = std::move(last.users);
    if (!now.groups)
        now.groups = std::move(last.groups);
    if (!now.rights)
        now.rights = std::move(last.rights);
    last = std::move(now);
}

} // namespace

Result<size_t> NoteOutsideChanges(
    const NativePath& loginPath, AccountSnapshot& last, const TrailOptions& options, const FileEnvironment& environment)
{
    const long long seenAt = Now(options);
    // Most looks find nothing: those take no hold of the trail, which other programs wait for.
    AccountSnapshot now = ReadAccountSnapshot(loginPath, environment);
    if (SnapshotDifferences(last, now, options.rightName, seenAt).empty()) {
        if (now.IsWhole())
            last = std::move(now);
        return size_t { 0 };
    }
    TrailHold hold(loginPath, environment);
    if (const Status held = hold.Take(); !held)
        return held.Error();
    now = ReadAccountSnapshot(loginPath, environment);
    const Result<std::vector<TrailEntry>> since = LinesSince(hold, last.trailLength);
    if (!since)
        return since.Error();
    const TrailExplanations explanations(*since);
    std::vector<TrailEntry> lines;
    for (TrailEntry& difference : SnapshotDifferences(last, now, options.rightName, seenAt)) {
        if (std::optional<TrailEntry> line = explanations.Unexplained(std::move(difference))) {
            StampTrailEntry(*line, seenAt);
            line->actor = options.actor;
            lines.push_back(std::move(*line));
        }
    }
    if (!lines.empty()) {
        if (const Status appended = hold.Append(lines); !appended)
            return appended.Error();
        RememberTrailHead(loginPath, hold.LastHash());
    }
    now.trailLength = hold.Length();
    KeepWhatWasRead(last, std::move(now));
    return lines.size();
}

} // namespace custodia
