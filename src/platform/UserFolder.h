#pragma once

#include <functional>
#include <string>
#include <vector>

namespace custodia {

// Where an installation keeps its files. The build's output folder and `cmake --install` keep
// everything in the program's folder; a packaged installation must write nothing under /usr, so its
// programs read the installed data from read-only folders and keep what they write in the user's own.
struct InstalledLayout {
    bool packaged = false;
    std::string dataFolder; // word files, help text, pictures, support text
    std::string configFolder; // the installation's user file, which the administrator may change
};

// The layout this build was made for.
const InstalledLayout& GetInstalledLayout();

inline constexpr const char kUserFolderName[] = "custodia";
inline constexpr const char kInstallationUserFile[] = "tessel.pwd";

// The user's folder for the console's own files: $XDG_CONFIG_HOME/custodia, or ~/.config/custodia
// when that is unset or not absolute (the base directory rules ignore a relative one). Empty when
// neither variable gives an absolute folder.
std::string UserFolder(const std::function<const char*(const char*)>& environment);

// One name the user's folder shows for an installed file.
struct InstalledLink {
    std::string name;
    std::string target;
};

// A link for every file of the data folder, and one for the installation's user file.
std::vector<InstalledLink> InstalledLinks(const InstalledLayout& layout);

// Makes the user's folder (mode 0700, parents as needed), adds each link whose name is free, and makes
// the folder the current directory, so that the programs' bare file names (the list of login paths,
// the error log, the installed files) all resolve there. A name the user has taken (a file or a link
// of their own) is left alone: that is how one user replaces a picture or the help text. False, with
// the reason in error, when the folder cannot be made or entered.
bool EnterUserFolder(const std::string& folder, const std::vector<InstalledLink>& links, std::string& error);

} // namespace custodia
