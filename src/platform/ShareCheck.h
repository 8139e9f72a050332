#pragma once

#include "platform/FileSystemKind.h"
#include "platform/MountTable.h"

#include <optional>
#include <string>
#include <vector>

namespace custodia {

// One thing found out about the folder a login path is in.
struct ShareFinding {
    enum class Severity {
        Info,
        Warning, // works, but slower or weaker than it should
        Unsafe, // the suite's programs can lose or damage each other's changes here, or save nothing
    };

    std::string topic; // "file system", "locks", "change notification", "mount options", "round trip", ...
    std::string text;
    Severity severity = Severity::Info;
};

// What a folder offers the suite's programs that share it: its file system, whether locks cross to
// a second open and behind the view, whether change notification can be trusted, mount options that
// break the suite, and how long a stat takes.
struct ShareReport {
    std::string folder;
    std::optional<FileSystemType> type;
    std::optional<MountEntry> mount;
    std::vector<ShareFinding> findings;

    bool IsUnsafe() const;
};

// Tries the folder: makes one small probe file of its own there (removed again) to see whether locks
// hold. Changes nothing else.
ShareReport CheckShare(const std::string& folder);

// The mount options that are known to break the suite's sharing, as findings (none when the mount is
// fine): NFS without locks or with local locks, SMB without byte-range locks, a read-only mount.
std::vector<ShareFinding> CheckMountOptions(const MountEntry& mount, FileSystemKind kind);

} // namespace custodia
