#pragma once

#include "platform/FileEnvironment.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace custodia {

// A change of several record files in one folder commits at one step: an empty marker file
// "<first file>-changeset-<16 hex digits>" is made and flushed before their journals, each journal
// names it, and removing it once every file is sealed is the change's commit. A journal naming a
// marker that is still there belongs to a change that never committed and is played back; one naming
// a marker that is gone belongs to a committed change and is only removed. A marker is removed only
// when no journal names it any more, so that no half-undone change ever looks committed.
namespace changeset {
inline constexpr const char kInfix[] = "-changeset-";
inline constexpr size_t kIdDigits = 16;
inline constexpr size_t kMaxNameLength = 255; // the longest name a folder entry may have
} // namespace changeset

// Whether the text is a marker's bare name: never a path, so a journal cannot point anywhere else.
bool IsChangeSetMarkerName(std::string_view name);

// For a change of several files, all held exclusively by the caller, the first of them firstFileName:
// removes markers that earlier changes starting with that file left and that no journal names, then
// makes a new marker beside the file and flushes it and the folder. Returns the marker's bare name.
// Throws FileException.
std::string CreateChangeSetMarker(
    const std::string& firstFileName, const FileEnvironment& environment = FileEnvironment::System());

// Whether a journal beside the file names the marker; also when one cannot be read, or the folder cannot be
// listed, as such a journal might.
bool ChangeSetNamedByJournal(const std::string& fileName, const std::string& marker);

// Whether anything by the marker's name lies beside the file (a change not committed).
bool ChangeSetMarkerExists(const std::string& fileName, const std::string& marker);

// The commit of a change of several files: removes the marker beside the file and flushes the folder.
// Throws FileException when the marker stays, and then the change has not happened.
void CommitChangeSet(const std::string& fileName, const std::string& marker,
    const FileEnvironment& environment = FileEnvironment::System());

// Once a journal naming the marker has been played back and removed: removes the marker when no
// journal in the folder names it any more. Best effort: a marker that stays only takes a name.
void ForgetChangeSetUnlessNamed(const std::string& fileName, const std::string& marker);

} // namespace custodia
