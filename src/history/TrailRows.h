#pragma once

#include "platform/NativePath.h"
#include "platform/Result.h"
#include "store/AuditTrail.h"
#include "store/AuditTrailFields.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// The sound lines of a trail, oldest first, kept as they stand in the file: what the history is
// filtered by is decoded once per line, a whole line only when it is shown. A trail of 100,000 lines
// is then one text and a few small fields a line, not 100,000 decoded entries.
class TrailRows final {
public:
    struct Keys {
        long long seconds = 0; // the line's time since the epoch; 0 for a time not in the trail's form
        TrailLineKeys texts;
    };

    void Append(std::span<const std::string_view> fields);
    size_t Count() const { return m_keys.size(); }
    const Keys& KeysAt(size_t line) const { return m_keys[line]; }
    TrailEntry EntryAt(size_t line) const;

private:
    std::string m_text; // the lines one after the other, without their line ends
    std::vector<size_t> m_starts; // of each line in m_text
    std::vector<Keys> m_keys;
};

// What reading a trail for the history gave: its check (without entries) and its sound lines.
struct LoadedTrail {
    TrailCheck check;
    TrailRows rows;
};

// Reads and checks the whole trail of the login path, as ReadTrail does, keeping the lines before
// the first broken one.
Result<LoadedTrail> ReadTrailRows(const NativePath& loginPath);

// The seconds since the epoch of a trail time ("2026-12-11T01:46:43Z"); 0 for a text not in that form.
long long TrailSeconds(const std::string& time);

} // namespace custodia
