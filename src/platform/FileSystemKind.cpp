#include "platform/FileSystemKind.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <sys/vfs.h>

namespace custodia {

namespace {

struct KnownType {
    uint64_t magic;
    const char* name;
    FileSystemKind kind;
};

// The magic numbers of <linux/magic.h> and the file systems' own headers, written out here so that
// the table does not depend on which of them the build machine's headers know.
constexpr std::array kKnownTypes {
    KnownType { 0xEF53, "ext4", FileSystemKind::Local }, // ext2, ext3 and ext4 share it
    KnownType { 0x58465342, "xfs", FileSystemKind::Local },
    KnownType { 0x9123683E, "btrfs", FileSystemKind::Local },
    KnownType { 0x01021994, "tmpfs", FileSystemKind::Local },
    KnownType { 0x858458F6, "ramfs", FileSystemKind::Local },
    KnownType { 0x794C7630, "overlayfs", FileSystemKind::Local },
    KnownType { 0x2FC12FC1, "zfs", FileSystemKind::Local },
    KnownType { 0xF2F52010, "f2fs", FileSystemKind::Local },
    KnownType { 0x4D44, "vfat", FileSystemKind::Local },
    KnownType { 0x2011BAB0, "exfat", FileSystemKind::Local },
    KnownType { 0x5346544E, "ntfs", FileSystemKind::Local },
    KnownType { 0x7366746E, "ntfs3", FileSystemKind::Local },
    KnownType { 0x6969, "nfs", FileSystemKind::Nfs },
    KnownType { 0x517B, "smb", FileSystemKind::Smb },
    KnownType { 0xFF534D42, "cifs", FileSystemKind::Smb },
    KnownType { 0xFE534D42, "smb2", FileSystemKind::Smb },
    KnownType { 0x65735546, "fuse", FileSystemKind::Fuse },
    KnownType { 0x00C36400, "ceph", FileSystemKind::OtherRemote },
    KnownType { 0x5346414F, "afs", FileSystemKind::OtherRemote },
    KnownType { 0x6B414653, "afs", FileSystemKind::OtherRemote },
    KnownType { 0x01021997, "9p", FileSystemKind::OtherRemote },
    KnownType { 0x01161970, "gfs2", FileSystemKind::OtherRemote },
    KnownType { 0x7461636F, "ocfs2", FileSystemKind::OtherRemote },
    KnownType { 0x47504653, "gpfs", FileSystemKind::OtherRemote },
    KnownType { 0x0BD00BD0, "lustre", FileSystemKind::OtherRemote },
};

} // namespace

FileSystemType ClassifyFileSystem(uint64_t magic)
{
    for (const KnownType& known : kKnownTypes) {
        if (known.magic == magic)
            return { known.kind, known.name };
    }
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(magic));
    return { FileSystemKind::Unknown, hex };
}

std::optional<FileSystemType> FileSystemOf(const std::string& path, int* error)
{
    struct statfs info { };
    if (::statfs(path.c_str(), &info) != 0) {
        if (error != nullptr)
            *error = errno;
        return std::nullopt;
    }
    // f_type is a signed word on some architectures; the magic numbers are 32-bit patterns.
    return ClassifyFileSystem(static_cast<uint32_t>(info.f_type));
}

bool NotificationSeesOtherMachines(FileSystemKind kind)
{
    return kind == FileSystemKind::Local;
}

bool MayBeShared(FileSystemKind kind)
{
    return kind != FileSystemKind::Local;
}

const char* FileSystemKindName(FileSystemKind kind)
{
    switch (kind) {
    case FileSystemKind::Local:
        return "local";
    case FileSystemKind::Nfs:
        return "NFS";
    case FileSystemKind::Smb:
        return "SMB";
    case FileSystemKind::Fuse:
        return "FUSE";
    case FileSystemKind::OtherRemote:
        return "network";
    case FileSystemKind::Unknown:
        break;
    }
    return "unknown";
}

} // namespace custodia
