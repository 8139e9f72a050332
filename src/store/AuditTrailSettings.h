#pragma once

#include "platform/NativePath.h"

namespace custodia {

namespace audittrail {
// The console's own settings of a login path's trail: "key=value" lines, '#' starts a comment.
inline constexpr const char kSettingsFileName[] = "custodia-audit.settings";
// "unlogged-changes=allowed" lets changes go ahead when the trail cannot be written.
inline constexpr const char kUnloggedChangesKey[] = "unlogged-changes";
inline constexpr const char kAllowedValue[] = "allowed";
} // namespace audittrail

// Whether the login path's settings let a change go ahead without its trail line. A missing or
// unreadable settings file allows nothing: the trail is the rule, its absence the exception.
bool AllowsChangesWithoutTrail(const NativePath& loginPath);

} // namespace custodia
