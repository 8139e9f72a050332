#include "store/AuditTrail.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace custodia;

namespace {

bool SameEntry(const TrailEntry& a, const TrailEntry& b)
{
    return a.time == b.time && a.offset == b.offset && a.actor.machine == b.actor.machine
        && a.actor.account == b.actor.account && a.actor.consoleUser == b.actor.consoleUser
        && a.actor.program == b.actor.program && a.action == b.action && a.object == b.object && a.changes == b.changes;
}

} // namespace

// An audit trail of any shape, in memory: the check stops at the first line that is not sound, and
// what it read, written out again by our own writer, reads back as a sound chain of the same entries.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TrailCheck check = CheckTrail(text);
    if (check.brokenLine && *check.brokenLine != check.entries.size() + 1)
        std::abort();
    if (check.IsSound() && !check.entries.empty() && check.lastHash != check.entries.back().hash)
        std::abort();
    std::string written;
    std::string previous = audittrail::kChainStart;
    for (TrailEntry entry : check.entries) {
        written += FormatTrailLine(entry, previous);
        previous = entry.hash;
    }
    const TrailCheck again = CheckTrail(written);
    if (!again.IsSound() || again.entries.size() != check.entries.size())
        std::abort();
    for (size_t i = 0; i < again.entries.size(); ++i) {
        if (!SameEntry(again.entries[i], check.entries[i]))
            std::abort();
    }
    const std::optional<std::string> last = LastTrailHash(written, true);
    if (!last || *last != again.lastHash)
        std::abort();
    return 0;
}
