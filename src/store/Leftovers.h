#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace custodia {

// What a program of ours that died while changing a login path can leave beside the shared files:
// a new file made under a name of its own and not yet linked into place ("<file>-new-<process id>",
// also for a repair's copy "<file>.bak-new-<process id>"), and the marker of a change of several files
// that no journal names ("<file>-changeset-<id>"). None of them is read by any program of the suite;
// they only take names, and are safe to remove once nobody who may still use them is running.
struct Leftover {
    std::string name; // bare name in the login path's folder
    std::string what; // for people: what left it
};

// A living writer finishes with its new file or its marker within moments; one older than this was
// left by a program that stopped. The age is what tells on a share, where the writer may run on
// another machine and its process id means nothing here.
inline constexpr std::time_t kLeftoverAgeSeconds = 10 * 60;

// The leftovers beside the given files of the folder (bare names), judged at the time given: a new
// file or a marker old enough, not a link, whose maker is no living program of ours on this machine,
// and a marker that no journal names. Changes nothing.
std::vector<Leftover> FindLeftovers(
    const std::string& folder, const std::vector<std::string>& fileNames, std::time_t now);
// The same, from a listing of the folder that the caller made already.
std::vector<Leftover> FindLeftovers(const std::string& folder, const std::vector<std::string>& fileNames,
    std::time_t now, const std::vector<std::string>& folderEntries);

// Removes a leftover that FindLeftovers gave, after checking once more that it is one: a marker only
// while the file its change began with is held exclusively, so that no change can be starting meanwhile.
// Empty when it is gone; otherwise why it stays.
std::string RemoveLeftover(const std::string& folder, const Leftover& leftover);

} // namespace custodia
