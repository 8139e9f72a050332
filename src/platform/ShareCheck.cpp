#include "platform/ShareCheck.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace custodia {

namespace {

using Severity = ShareFinding::Severity;

constexpr int kStatRounds = 15;
// Above this a change of a group's twelve files, a few dozen calls, takes seconds.
constexpr double kSlowStatMilliseconds = 20.0;
constexpr const char kProbePrefix[] = ".custodia-probe-";

std::string SystemErrorText(int error)
{
    return std::strerror(error);
}

bool IsNetworkKind(FileSystemKind kind)
{
    return kind == FileSystemKind::Nfs || kind == FileSystemKind::Smb || kind == FileSystemKind::OtherRemote;
}

// The type as statfs sees it, with the mount table's own name ("nfs4", "cifs", "fuse.bindfs"), which
// says more.
std::string TypeText(const ShareReport& report)
{
    std::string text = report.type ? report.type->name : std::string("unknown");
    if (report.mount && report.mount->fileSystemType != text)
        text += " (" + report.mount->fileSystemType + ")";
    text += std::string(", ") + (report.type ? FileSystemKindName(report.type->kind) : "unknown") + " file system";
    if (report.mount)
        text += ", mounted at " + report.mount->mountPoint + " from " + report.mount->source;
    return text;
}

std::string JoinFolder(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

class Descriptor final {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};

// 0 when the lock was granted, else the errno of the refusal.
int TryLock(int fd, int operation)
{
    return ::flock(fd, operation | LOCK_NB) == 0 ? 0 : errno;
}

// The same file as reached through the folder behind a bind-style view (bindfs names that folder as
// the mount's source), or nothing when the view has no such folder.
std::optional<std::string> PathBehindView(const MountEntry& mount, const std::string& canonicalFile)
{
    if (mount.source.empty() || mount.source.front() != '/')
        return std::nullopt;
    struct stat info { };
    if (::stat(mount.source.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    std::string inside = canonicalFile.substr(mount.mountPoint == "/" ? 0 : mount.mountPoint.size());
    const std::string root = mount.root == "/" ? std::string() : mount.root;
    return mount.source + root + inside;
}

void CheckLocksBehindView(const ShareReport& report, const std::string& probe, std::vector<ShareFinding>& findings)
{
    if (!report.mount || !report.type || report.type->kind != FileSystemKind::Fuse)
        return;
    char resolved[PATH_MAX];
    if (::realpath(probe.c_str(), resolved) == nullptr)
        return;
    const std::optional<std::string> behind = PathBehindView(*report.mount, resolved);
    if (!behind)
        return;
    Descriptor other(::open(behind->c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!other.IsOpen())
        return;
    if (TryLock(other.Get(), LOCK_SH) == 0)
        findings.push_back({ "locks",
            "a lock taken here does not reach " + report.mount->source
                + ", the folder behind this view: programs using that folder can change a file while it "
                  "is changed here (a bindfs view needs --enable-lock-forwarding)",
            Severity::Unsafe });
    else
        findings.push_back({ "locks", "a lock taken here is seen through " + report.mount->source, Severity::Info });
}

// Takes an exclusive lock on a probe file and tries a second open of it, as a second program would.
void CheckLocks(const ShareReport& report, std::vector<ShareFinding>& findings)
{
    const std::string probe = JoinFolder(report.folder, kProbePrefix + std::to_string(::getpid()));
    Descriptor first(::open(probe.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!first.IsOpen()) {
        findings.push_back(
            { "locks", "no probe file could be made to try them: " + SystemErrorText(errno), Severity::Unsafe });
        return;
    }
    if (const int refused = TryLock(first.Get(), LOCK_EX); refused != 0) {
        findings.push_back({ "locks",
            refused == ENOLCK ? std::string("the file system offers no locks (ENOLCK): every change is refused here")
                              : "a lock was refused: " + SystemErrorText(refused),
            Severity::Unsafe });
    } else {
        Descriptor second(::open(probe.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
        const int crossed = second.IsOpen() ? TryLock(second.Get(), LOCK_SH) : errno;
        if (crossed == EWOULDBLOCK)
            findings.push_back({ "locks", "a lock holds against a second open of the file", Severity::Info });
        else if (crossed == 0)
            findings.push_back(
                { "locks", "a second open of the file is not stopped by a lock: two programs can change a file at once",
                    Severity::Unsafe });
        else
            findings.push_back(
                { "locks", "a second open could not be tried: " + SystemErrorText(crossed), Severity::Warning });
        CheckLocksBehindView(report, probe, findings);
    }
    ::unlink(probe.c_str());
}

void CheckWritable(const ShareReport& report, std::vector<ShareFinding>& findings, bool& mayWrite)
{
    struct statvfs volume { };
    const bool readOnly = (::statvfs(report.folder.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0)
        || (report.mount && report.mount->IsReadOnly());
    mayWrite = false;
    if (readOnly)
        findings.push_back(
            { "access", "the file system is mounted read-only: no change can be saved", Severity::Unsafe });
    else if (::access(report.folder.c_str(), W_OK) != 0)
        findings.push_back(
            { "access", "this account may not write in the folder: " + SystemErrorText(errno), Severity::Unsafe });
    else
        mayWrite = true;
}

void CheckNotification(const ShareReport& report, std::vector<ShareFinding>& findings)
{
    const FileSystemKind kind = report.type ? report.type->kind : FileSystemKind::Unknown;
    if (NotificationSeesOtherMachines(kind))
        findings.push_back({ "change notification", "the kernel's notification is trusted", Severity::Info });
    else
        findings.push_back({ "change notification",
            "the kernel does not hear of changes made by other machines here: the console polls the files every 2 "
            "seconds while its window is active",
            Severity::Info });
}

void MeasureStat(const ShareReport& report, std::vector<ShareFinding>& findings)
{
    std::vector<double> milliseconds;
    for (int round = 0; round < kStatRounds; ++round) {
        struct stat info { };
        const auto start = std::chrono::steady_clock::now();
        ::stat(report.folder.c_str(), &info);
        const auto took = std::chrono::steady_clock::now() - start;
        milliseconds.push_back(std::chrono::duration<double, std::milli>(took).count());
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + kStatRounds / 2, milliseconds.end());
    const double median = milliseconds[kStatRounds / 2];
    char text[80];
    if (median < 1.0)
        std::snprintf(text, sizeof text, "a stat takes %.1f microseconds (median of %d)", median * 1000.0, kStatRounds);
    else
        std::snprintf(text, sizeof text, "a stat takes %.1f ms (median of %d)", median, kStatRounds);
    findings.push_back({ "round trip", text, median > kSlowStatMilliseconds ? Severity::Warning : Severity::Info });
}

std::string OptionsText(const MountEntry& mount)
{
    std::string all;
    for (const std::string& option : mount.superOptions)
        all += (all.empty() ? "" : ",") + option;
    return all.empty() ? std::string("no options") : all;
}

} // namespace

bool ShareReport::IsUnsafe() const
{
    return std::any_of(findings.begin(), findings.end(),
        [](const ShareFinding& finding) { return finding.severity == Severity::Unsafe; });
}

std::vector<ShareFinding> CheckMountOptions(const MountEntry& mount, FileSystemKind kind)
{
    std::vector<ShareFinding> findings;
    if (kind == FileSystemKind::Nfs) {
        if (mount.HasOption("nolock"))
            findings.push_back({ "mount options",
                "NFS mounted with nolock: locks stay on this machine, so other machines can change a file while it is "
                "changed here",
                Severity::Unsafe });
        const std::optional<std::string> localLock = mount.OptionValue("local_lock");
        if (localLock && *localLock != "none")
            findings.push_back({ "mount options",
                "NFS mounted with local_lock=" + *localLock
                    + ": those locks stay on this machine and other machines do not see them",
                Severity::Unsafe });
    }
    if (kind == FileSystemKind::Smb && mount.HasOption("nobrl"))
        findings.push_back({ "mount options",
            "SMB mounted with nobrl: locks are not sent to the server, so other machines can change a file while it is "
            "changed here",
            Severity::Unsafe });
    return findings;
}

ShareReport CheckShare(const std::string& folder)
{
    ShareReport report;
    report.folder = folder;
    struct stat info { };
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        report.findings.push_back({ "folder", "not an existing folder", Severity::Unsafe });
        return report;
    }
    int error = 0;
    report.type = FileSystemOf(folder, &error);
    report.mount = FindMountOf(folder);
    report.findings.push_back({ "file system", TypeText(report), Severity::Info });
    if (report.mount) {
        const FileSystemKind kind = report.type ? report.type->kind : FileSystemKind::Unknown;
        for (ShareFinding& finding : CheckMountOptions(*report.mount, kind))
            report.findings.push_back(std::move(finding));
        if (IsNetworkKind(kind) || kind == FileSystemKind::Fuse)
            report.findings.push_back({ "mount options",
                report.mount->fileSystemType + " " + report.mount->source + " with " + OptionsText(*report.mount),
                Severity::Info });
    }
    bool mayWrite = false;
    CheckWritable(report, report.findings, mayWrite);
    if (mayWrite)
        CheckLocks(report, report.findings);
    CheckNotification(report, report.findings);
    MeasureStat(report, report.findings);
    return report;
}

} // namespace custodia
