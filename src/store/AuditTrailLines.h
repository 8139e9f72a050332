#pragma once

#include "store/AccountService.h"
#include "store/AuditTrail.h"
#include "store/RightsTable.h"
#include "store/UserEntry.h"
#include "store/UserImportPlan.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// The trail lines of each kind of change: action, object and each changed field as before and after,
// in UTF-8. Stored texts come in the suite's code page. A password never appears: "password set" is
// all its line says.

// A new user (no `before`), a rename, a change of its fields and a password set: one line each, and
// none when the save changed nothing.
// What a line is about: "user ann", "group 001 Supervisors" (no name when it is empty).
std::string UserTrailObject(std::string_view storedName);
std::string GroupTrailObject(int groupNumber, std::string_view storedName);

// The fields a person edits, the name and password aside, that differ.
std::vector<TrailChange> UserFieldChanges(const UserEntry& before, const UserEntry& after);

std::vector<TrailEntry> UserSavedLines(const std::optional<UserEntry>& before, const UserEntry& after);
TrailEntry UserDeletedLine(std::string_view storedName);
// One line for each user an import added, changed or deleted, with its changed fields; a new password
// is the field "password" → "set", so that each user keeps to one line however many are imported.
std::vector<TrailEntry> UserImportLines(const UserImportPlan& plan);

// How a right is named for people: by the program's profile file and its position unless the caller
// has the words that label it.
using RightNamer = std::function<std::string(int program, int position)>;
std::string DefaultRightName(int program, int position);

// The group's line (created, or changed when it was stored before: its old name then, as stored), and
// one line for each right granted or revoked.
std::vector<TrailEntry> GroupSavedLines(int groupNumber, const std::optional<std::string>& storedNameBefore,
    std::string_view storedName, const RightsTable& before, const RightsTable& after, const RightNamer& rightName);
TrailEntry GroupDeletedLine(int groupNumber, std::string_view storedName);

// Nothing when the slot stayed as it was.
std::optional<TrailEntry> DatabaseSlotLine(int slot, const DatabaseSlot& before, const DatabaseSlot& after);
// An office's number text and name, as stored.
struct OfficeTexts {
    std::string numberText;
    std::string name;
};
TrailEntry OfficeNamedLine(
    const std::string& databaseFolder, int office, const OfficeTexts& before, const OfficeTexts& after);
TrailEntry LoginPathLine(bool added, const std::string& loginPath);
// A shared file of the folder mended by a repair: what was found and done, and the copy kept.
TrailEntry FileRepairedLine(const std::string& fileName, const std::string& done, const std::string& copyKept);

} // namespace custodia
