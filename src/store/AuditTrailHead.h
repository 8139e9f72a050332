#pragma once

#include "platform/NativePath.h"

#include <functional>
#include <optional>
#include <string>

namespace custodia {

// The hash of the last trail line this user's programs wrote or checked, per login path, kept in the
// user's own state folder: a trail cut short after it (its last lines removed, which leaves the chain
// sound) is caught by the line going missing.
namespace audittrail {
inline constexpr const char kHeadsFileName[] = "trail-heads";
} // namespace audittrail

using EnvironmentLookup = std::function<const char*(const char*)>;

// $XDG_STATE_HOME/custodia, or ~/.local/state/custodia when that is unset or not absolute; empty when
// neither gives an absolute folder.
std::string TrailStateFolder(const EnvironmentLookup& environment);

// The remembered hash of the login path's trail, or nothing when none was kept.
std::optional<std::string> RememberedTrailHead(const NativePath& loginPath);
// Keeps the hash as the login path's last one. Best effort: a state folder that cannot be written
// costs the check, never the change.
void RememberTrailHead(const NativePath& loginPath, const std::string& hash);

} // namespace custodia
