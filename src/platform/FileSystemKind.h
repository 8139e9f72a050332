#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace custodia {

// What kind of file system a folder is on, as far as sharing it with other machines goes.
enum class FileSystemKind {
    Local, // a disk or memory of this machine: the kernel sees every change and every lock
    Nfs,
    Smb, // SMB or CIFS
    Fuse, // a user-space file system, which may stand for anything, a share included
    OtherRemote, // another network file system (Ceph, AFS, 9p, ...)
    Unknown,
};

struct FileSystemType {
    FileSystemKind kind = FileSystemKind::Unknown;
    std::string name; // "ext4", "nfs", "smb2", "fuse", ... or the magic number in hexadecimal
};

// The type that statfs reports as this magic number.
FileSystemType ClassifyFileSystem(uint64_t magic);

// The type of the file system the path is on; nothing when statfs fails (error then says why).
std::optional<FileSystemType> FileSystemOf(const std::string& path, int* error = nullptr);

// Whether the kernel's change notification hears of changes that other machines make. Only a local
// file system is sure to; on any other (an unknown one included) changes are polled for.
bool NotificationSeesOtherMachines(FileSystemKind kind);

// Whether the file system may be shared with other machines, so that a refused access may be a
// peer's lock rather than a missing permission.
bool MayBeShared(FileSystemKind kind);

const char* FileSystemKindName(FileSystemKind kind);

} // namespace custodia
