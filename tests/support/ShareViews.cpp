#include "support/ShareViews.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace custodia::test {

namespace {

bool OnPath(const std::string& program)
{
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

bool IsMountPoint(const std::string& path)
{
    struct stat here { };
    struct stat parent { };
    return ::stat(path.c_str(), &here) == 0 && ::stat((path + "/..").c_str(), &parent) == 0
        && here.st_dev != parent.st_dev;
}

void Unmount(const std::string& view)
{
    if (!IsMountPoint(view))
        return;
    if (std::system(("fusermount -u '" + view + "' 2>/dev/null").c_str()) != 0)
        std::system(("umount -l '" + view + "' 2>/dev/null").c_str());
}

} // namespace

std::optional<std::string> ShareViews::Unavailable()
{
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return "/dev/fuse cannot be used";
    if (!OnPath("bindfs"))
        return "bindfs is not installed (scripts/setup installs it)";
    if (!OnPath("fusermount"))
        return "fusermount is not installed";
    return std::nullopt;
}

ShareViews::ShareViews()
    : ShareViews(Options {})
{
}

ShareViews::ShareViews(Options options)
    : m_server(m_dir.file("server"))
    , m_a(m_dir.file("a"))
    , m_b(m_dir.file("b"))
{
    for (const std::string* folder : { &m_server, &m_a, &m_b })
        std::filesystem::create_directory(*folder);
    if (const auto unavailable = Unavailable()) {
        m_problem = *unavailable;
        return;
    }
    m_problem = Mount(m_a, options);
    m_aMounted = m_problem.empty();
    if (m_aMounted) {
        m_problem = Mount(m_b, options);
        m_bMounted = m_problem.empty();
    }
}

ShareViews::~ShareViews()
{
    // Before the folder goes: removing it with the views still mounted would remove through them.
    if (m_aMounted)
        Unmount(m_a);
    if (m_bMounted)
        Unmount(m_b);
}

std::string ShareViews::Mount(const std::string& view, const Options& options)
{
    std::string command = "bindfs --multithreaded";
    if (options.lockForwarding)
        command += " --enable-lock-forwarding";
    std::string mountOptions = options.directIo ? "direct_io" : "";
    if (options.readOnly)
        mountOptions += mountOptions.empty() ? "ro" : ",ro";
    if (!mountOptions.empty())
        command += " -o " + mountOptions;
    command += " '" + m_server + "' '" + view + "' 2>&1";
    if (std::system(command.c_str()) != 0 || !IsMountPoint(view))
        return "bindfs could not mount " + view;
    return {};
}

} // namespace custodia::test
