#include "platform/UserFolder.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

// The packaged build names its folders on the compiler's command line (cmake/Package.cmake).
#ifndef CUSTODIA_PACKAGED
#define CUSTODIA_PACKAGED 0
#define CUSTODIA_DATA_FOLDER ""
#define CUSTODIA_CONFIG_FOLDER ""
#endif

namespace custodia {

namespace {

bool IsAbsolute(const char* path)
{
    return path != nullptr && path[0] == '/';
}

std::string Reason(const std::string& what, const std::string& path, int error)
{
    return what + " " + path + ": " + std::strerror(error);
}

// Every missing level of an absolute folder, the last one private to the user.
bool MakeFolders(const std::string& folder, std::string& error)
{
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string level = folder.substr(0, slash);
        const bool last = slash == std::string::npos;
        if (::mkdir(level.c_str(), last ? 0700 : 0755) != 0 && errno != EEXIST) {
            error = Reason("cannot make", level, errno);
            return false;
        }
        if (last)
            return true;
    }
}

} // namespace

const InstalledLayout& GetInstalledLayout()
{
    static const InstalledLayout layout { CUSTODIA_PACKAGED != 0, CUSTODIA_DATA_FOLDER, CUSTODIA_CONFIG_FOLDER };
    return layout;
}

std::string UserFolder(const std::function<const char*(const char*)>& environment)
{
    if (const char* config = environment("XDG_CONFIG_HOME"); IsAbsolute(config))
        return std::string(config) + "/" + kUserFolderName;
    if (const char* home = environment("HOME"); IsAbsolute(home))
        return std::string(home) + "/.config/" + kUserFolderName;
    return {};
}

std::vector<InstalledLink> InstalledLinks(const InstalledLayout& layout)
{
    std::vector<InstalledLink> links;
    if (DIR* data = ::opendir(layout.dataFolder.c_str())) {
        while (const dirent* entry = ::readdir(data)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                links.push_back({ name, layout.dataFolder + "/" + name });
        }
        ::closedir(data);
    }
    links.push_back({ kInstallationUserFile, layout.configFolder + "/" + kInstallationUserFile });
    return links;
}

bool EnterUserFolder(const std::string& folder, const std::vector<InstalledLink>& links, std::string& error)
{
    if (!IsAbsolute(folder.c_str())) {
        error = "no folder for the console's own files: neither XDG_CONFIG_HOME nor HOME is an absolute path";
        return false;
    }
    if (!MakeFolders(folder, error))
        return false;
    for (const InstalledLink& link : links) {
        const std::string name = folder + "/" + link.name;
        struct stat status { };
        if (::lstat(name.c_str(), &status) == 0 || errno != ENOENT)
            continue;
        if (::symlink(link.target.c_str(), name.c_str()) != 0 && errno != EEXIST) {
            error = Reason("cannot link", name, errno);
            return false;
        }
    }
    if (::chdir(folder.c_str()) != 0) {
        error = Reason("cannot enter", folder, errno);
        return false;
    }
    return true;
}

} // namespace custodia
