#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "platform/SharedFile.h"
#include "store/AuditTrail.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace custodia {

// An exclusive hold of a login path's trail file, taken before a change and let go after its lines
// are written, so that lines of several programs and machines never interleave and each is chained to
// the one before it.
class TrailHold final {
public:
    TrailHold(const NativePath& loginPath, const FileEnvironment& environment);
    TrailHold(const TrailHold&) = delete;
    TrailHold& operator=(const TrailHold&) = delete;

    // Opens the trail, holds it and finds the hash to chain to; a missing trail is made by the first
    // append, once its folder is known to allow that. Refused when the trail cannot be held or its last
    // line is not a trail line: nothing may be chained to that.
    Status Take();
    // Appends the lines in one write, each chained to the one before; on the disk when this returns.
    Status Append(std::vector<TrailEntry>& entries);
    // The hash of the last line, once held or appended.
    const std::string& LastHash() const { return m_lastHash; }
    // How long the trail is while it is held: 0 for one that is not there yet.
    uint64_t Length() const { return m_length; }
    // What the held trail holds from the offset on (nothing from past its end): the lines other
    // programs appended since the offset was its length.
    Result<std::string> ReadFrom(uint64_t offset);

private:
    // Opens and holds the file, creating it when missing, and reads the hash to chain to.
    Status Hold();

    NativePath m_fileName;
    SharedFile m_file;
    uint64_t m_length = 0;
    std::string m_lastHash;
    bool m_deferred = false; // missing when taken: made and held by the first append
};

// Who makes the changes of a service, and how it hears of a change that went ahead without its line.
struct TrailOptions {
    TrailActor actor;
    // Seconds since the epoch; empty for the system's clock.
    std::function<long long()> clock;
    // Told when a change took effect without its line: the login path allows changes without a trail,
    // or the trail failed after the change was made. Custodiactl warns, the window says so in its status.
    std::function<void(const Failure& failure)> unlogged;
    // How a right is named in its lines; empty: by its profile file and position.
    std::function<std::string(int program, int position)> rightName;
};

// This process: the program named after the running executable, no console user.
TrailOptions ProcessTrailOptions();

// A change of the login path's accounts that fills in the lines it made: action, object and changes;
// time and actor are filled in after it.
using LoggedChange = std::function<Status(std::vector<TrailEntry>& entries)>;

// Runs the change inside a hold of the login path's trail. The trail is held first, so a trail that
// cannot be written refuses the change before anything of it is written, unless the login path's
// settings allow changes without a trail (then `unlogged` is told and the change goes ahead). The
// lines are appended only once the change took effect and before the trail is let go: a change that
// failed, or a program killed on the way, never leaves a line for a change that is not in the files.
Status ChangeWithTrail(const NativePath& loginPath, const TrailOptions& options, const FileEnvironment& environment,
    const LoggedChange& change);

} // namespace custodia
