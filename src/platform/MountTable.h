#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// One mounted file system as the kernel lists it in /proc/self/mountinfo.
struct MountEntry {
    std::string root; // the folder of the file system that is mounted here ("/" for all of it)
    std::string mountPoint;
    std::vector<std::string> mountOptions; // of this mount: "ro", "nosuid", ...
    std::string fileSystemType; // "ext4", "nfs4", "cifs", "fuse", ...
    std::string source; // "server:/export", "//server/share", "/dev/vda", or a folder for bindfs
    std::vector<std::string> superOptions; // of the file system: "vers=4.2", "local_lock=none", ...

    // Whether either list holds the option, as a bare name ("nolock") or with a value ("local_lock=").
    bool HasOption(std::string_view name) const;
    // The value of "name=value" in either list, the mount's own first.
    std::optional<std::string> OptionValue(std::string_view name) const;
    bool IsReadOnly() const;
};

// The entries of a mountinfo text, in its order; a line that is not in the format is left out.
// Names keep the kernel's octal escapes undone ("\040" is a space).
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mount a canonical absolute path lies on: the one with the longest mount point that holds it,
// the last listed when several share that point (it is mounted over the others).
std::optional<MountEntry> MountOfPath(const std::vector<MountEntry>& mounts, const std::string& canonicalPath);

// The same for any existing path of this machine, read from /proc/self/mountinfo; nothing when the
// path or the table cannot be read.
std::optional<MountEntry> FindMountOf(const std::string& path);

} // namespace custodia
