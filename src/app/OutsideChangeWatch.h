#pragma once

#include "platform/FileEnvironment.h"
#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/AccountSnapshot.h"
#include "store/AuditTrailHold.h"

#include <cstddef>
#include <map>
#include <string>

namespace custodia {

// What the console last read of each login path's accounts, so that when it reads one again (a
// refresh, or another program's change seen) what other programs changed meanwhile goes into that
// login path's trail. The console's own changes are accounted for by their own lines.
class OutsideChangeWatch final {
public:
    bool Knows(const NativePath& loginPath) const;
    // Notes the accounts as they are now, unless the login path was read before: the first look at a
    // login path has nothing to compare with.
    void NoteShown(const NativePath& loginPath, const FileEnvironment& environment);
    // Reads the login path's accounts again and notes what changed outside the console since the last
    // read in its trail: the number of lines written, or why the trail could not take them.
    Result<size_t> LookAgain(
        const NativePath& loginPath, const TrailOptions& trail, const FileEnvironment& environment);

private:
    std::map<std::string, AccountSnapshot> m_lastRead; // by the login path's bytes
};

} // namespace custodia
