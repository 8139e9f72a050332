#pragma once

#include "store/AuditTrail.h"

#include <span>
#include <string>
#include <string_view>

namespace custodia {

// The sound lines ScanTrail hands over, decoded when they are needed: a list of a long trail keeps
// each line as it stands, decodes what it is searched by once, and a whole line only when it is shown.

// What a list of the trail is searched by, unescaped; no console user is an empty text.
struct TrailLineKeys {
    std::string time;
    std::string account;
    std::string consoleUser;
    std::string action;
    std::string object;
};
TrailLineKeys TrailKeysOf(std::span<const std::string_view> fields);

// The whole entry of the line, as CheckTrail gives it (without its line number).
TrailEntry DecodeTrailLine(std::span<const std::string_view> fields);

} // namespace custodia
