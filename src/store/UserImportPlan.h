#pragma once

#include "store/DatabaseList.h"
#include "store/GroupEntry.h"
#include "store/UserEntry.h"

#include <cstddef>
#include <string>
#include <vector>

namespace custodia {

// One line of a list of users as read (UTF-8 fields), with where it began.
struct ImportLine {
    size_t line = 0;
    std::vector<std::string> fields;
};

// What to do with a user of the list that the login path holds already.
enum class ExistingUser { Refuse, Replace, Skip };

struct UserImportOptions {
    ExistingUser existing = ExistingUser::Refuse;
    bool deleteMissing = false; // users the list does not name are deleted
    bool allowNoPassword = false; // a new user without a password may be added (it cannot log on)
};

// A line that cannot be imported, and every reason why. Reasons never quote a password.
struct ImportProblem {
    size_t line = 0;
    std::string reason;
};

// One user the import touches: the user as stored (all zero for an add) and as it will be, with the
// line that names it (0 for a delete).
struct PlannedUser {
    size_t line = 0;
    UserEntry before;
    UserEntry after;
};

// Everything an import would do, decided before anything is written: applied only when no line is bad.
struct UserImportPlan {
    std::vector<PlannedUser> adds;
    std::vector<PlannedUser> changes;
    std::vector<PlannedUser> leaves;
    std::vector<PlannedUser> deletes;
    std::vector<ImportProblem> problems;

    bool IsGood() const { return problems.empty(); }
};

// The fields the plan's change sets, by column name ("password" for a new password, never its value).
std::vector<std::string> ChangedUserFields(const PlannedUser& change);

// Checks every line of the list (its first line the header) against the users, groups and database
// list the login path holds, and plans the import. Texts are converted to the stored code page and
// measured in stored bytes; a name twice in the list, an unknown group or database slot, a character
// the code page lacks, an over-long field and a control character each make a line bad.
UserImportPlan PlanUserImport(const std::vector<ImportLine>& lines, const std::vector<UserEntry>& stored,
    const std::vector<GroupEntry>& groups, const DatabaseList& databases, const UserImportOptions& options);

} // namespace custodia
