#pragma once

#include "store/GroupEntry.h"
#include "store/ProgramIndex.h"
#include "store/RightsTable.h"
#include "store/UserImportPlan.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {

// A list of groups as custodiactl exports and imports it: one line per group and program, with the
// columns "group", "name", "program" (the profile file's name without ".prf") and "rights", the
// rights the group is granted in that program by name, "; " between them. A position that has no name
// of its own is written "#POSITION".
inline constexpr const char* kGroupColumns[] = { "group", "name", "program", "rights" };

// The name people know a right of a program by.
struct RightName {
    int program = 0;
    int position = 0;
    std::string name;
};

// The program a list names ("setup"), or nothing.
std::optional<int> ProgramNamed(std::string_view name);
std::string ProgramName(int program);

// The granted positions of a program's row (within its row length) as a list writes them. Names that
// two positions of one program share are not used: such positions are written by number.
std::string RightsText(int program, std::span<const unsigned char> row, const std::vector<RightName>& names);
// Sets the row from such a text: granted what it names, denied the rest of the program's positions.
// The reason when an item is neither a right of the program nor "#POSITION" within its row.
std::optional<std::string> SetRightsFromText(
    int program, std::string_view text, const std::vector<RightName>& names, std::span<unsigned char> row);

// One group the import writes: its number, its name as stored, and the rows the list gives (programs
// it leaves out stay as stored, or all denied for a new group).
struct PlannedGroup {
    size_t line = 0; // its first line
    uint8_t number = 0;
    std::string name;
    std::array<std::optional<RightsTable::Row>, kProgramCount> rows {};
};

struct GroupImportPlan {
    std::vector<PlannedGroup> adds;
    std::vector<PlannedGroup> changes;
    std::vector<PlannedGroup> leaves;
    std::vector<GroupEntry> deletes;
    std::vector<ImportProblem> problems;

    bool IsGood() const { return problems.empty(); }
};

// Checks every line (the first the header) against the groups the login path holds: the group number,
// the name (stored bytes, code page, length, control characters, the same on every line of a group),
// the program (each once per group) and every right.
GroupImportPlan PlanGroupImport(const std::vector<ImportLine>& lines, const std::vector<GroupEntry>& stored,
    const std::vector<RightName>& names, const UserImportOptions& options);

} // namespace custodia
