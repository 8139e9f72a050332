#include "parsers/DelimitedText.h"
#include "store/GroupImportPlan.h"
#include "store/TextRules.h"
#include "store/UserImportPlan.h"

#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

using namespace custodia;

namespace {

// What the lists are checked against: groups 0 and 7, database slot 1, one stored user.
struct Stored {
    std::vector<UserEntry> users;
    std::vector<GroupEntry> groups { { 0, "Staff", "" }, { 7, "Readers", "" } };
    DatabaseList databases;
    std::vector<RightName> names { { kProgramSetup, 0, "Run Setup" }, { kProgramView, 2, "Print" } };

    Stored()
    {
        databases.SetPath(0, "/data");
        UserEntry anna;
        anna.user = UserRecord { 0, 1, "anna", "", "", "pw", 7 };
        anna.access.userName = "anna";
        users.push_back(anna);
    }
};

std::vector<ImportLine> LinesOf(std::string_view text, delimited::Format format)
{
    delimited::Rows rows = delimited::Parse(text, format);
    std::vector<ImportLine> lines;
    for (delimited::Row& row : rows.rows)
        lines.push_back({ row.line, std::move(row.fields) });
    return lines;
}

// Whatever the list holds, a user the plan writes can be stored soundly and is written once.
void CheckUsers(const std::vector<ImportLine>& lines, const Stored& stored, const UserImportOptions& options)
{
    const UserImportPlan plan = PlanUserImport(lines, stored.users, stored.groups, stored.databases, options);
    std::set<std::string> names;
    for (const auto* planned : { &plan.adds, &plan.changes }) {
        for (const PlannedUser& user : *planned) {
            const UserRecord& record = user.after.user;
            if (record.userName.empty() || record.userName.size() > userrecord::kMaxUserNameLength
                || record.fullName.size() > userrecord::kMaxFullNameLength
                || record.description.size() > userrecord::kMaxDescriptionLength || HasControlCharacter(record.userName)
                || HasControlCharacter(record.fullName) || HasControlCharacter(record.description)
                || !IsAcceptablePassword(record.password) || user.after.access.userName != record.userName
                || !names.insert(record.userName).second)
                std::abort();
        }
    }
    for (const ImportProblem& problem : plan.problems)
        if (problem.line == 0 || problem.reason.empty())
            std::abort();
}

void CheckGroups(const std::vector<ImportLine>& lines, const Stored& stored, const UserImportOptions& options)
{
    const GroupImportPlan plan = PlanGroupImport(lines, stored.groups, stored.names, options);
    std::set<int> numbers;
    for (const auto* planned : { &plan.adds, &plan.changes })
        for (const PlannedGroup& group : *planned)
            if (group.name.empty() || group.name.size() > grouprecord::kMaxNameLength || HasControlCharacter(group.name)
                || !numbers.insert(group.number).second)
                std::abort();
}

} // namespace

// A list of users or of groups to import, in either format, checked against a small login path.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Stored stored;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    UserImportOptions options;
    options.existing = size % 2 == 0 ? ExistingUser::Replace : ExistingUser::Refuse;
    options.deleteMissing = size % 3 == 0;
    options.allowNoPassword = size % 5 == 0;
    for (const delimited::Format format : { delimited::Format::Csv, delimited::Format::Tsv }) {
        const std::vector<ImportLine> lines = LinesOf(text, format);
        CheckUsers(lines, stored, options);
        CheckGroups(lines, stored, options);
    }
    return 0;
}
