// The import of many users into "tessel.pwd" of the login path, as one change of the file.
#include "store/AccountService.h"

#include "platform/CodePage.h"
#include "platform/Failure.h"

#include <unordered_map>

namespace custodia {

namespace {

const char* const kImportOperation = "the users could not be imported";

// The names of the plan's users that the held file no longer holds as the plan found them.
std::vector<std::string> Overtaken(const UserImportPlan& plan, const std::vector<UserEntry>& stored)
{
    std::unordered_map<std::string_view, const UserEntry*> byName;
    for (const UserEntry& entry : stored)
        byName[entry.user.userName] = &entry;
    std::vector<std::string> names;
    for (const PlannedUser& add : plan.adds)
        if (byName.count(add.after.user.userName) != 0)
            names.push_back(add.after.user.userName);
    for (const auto* planned : { &plan.changes, &plan.deletes })
        for (const PlannedUser& user : *planned) {
            const auto found = byName.find(user.before.user.userName);
            if (found == byName.end() || !(*found->second == user.before))
                names.push_back(user.before.user.userName);
        }
    return names;
}

Result<UserBatch> BatchOf(const UserImportPlan& plan, const std::vector<UserEntry>& stored, const std::string& file)
{
    if (const std::vector<std::string> names = Overtaken(plan, stored); !names.empty()) {
        std::string list;
        for (const std::string& name : names)
            list += (list.empty() ? "" : ", ") + StoredToUtf8(name);
        return Refused(Failure::Refusal::AlreadyExists, kImportOperation, file,
            "another program changed these users after the list was checked: " + list);
    }
    UserBatch batch;
    batch.saves.reserve(plan.adds.size() + plan.changes.size());
    for (const auto* planned : { &plan.adds, &plan.changes })
        for (const PlannedUser& user : *planned)
            batch.saves.push_back(user.after);
    for (const PlannedUser& user : plan.deletes)
        batch.deletes.push_back(user.before.user.userName);
    return batch;
}

} // namespace

Status AccountService::ImportUsers(const UserImportPlan& plan) const
{
    const std::string& file = m_passwords.FileName();
    if (!plan.IsGood())
        return Refused(Failure::Refusal::BadValue, kImportOperation, file,
            std::to_string(plan.problems.size()) + " lines of the list are bad");
    return m_passwords.ApplyUserBatch(
        [&](const std::vector<UserEntry>& stored) { return BatchOf(plan, stored, file); });
}

Status AccountService::ImportGroups(const GroupImportPlan& plan) const
{
    if (!plan.IsGood())
        return Refused(Failure::Refusal::BadValue, "the groups could not be imported", {},
            std::to_string(plan.problems.size()) + " lines of the list are bad");
    std::string written;
    const auto withWritten = [&](Failure failure) {
        if (!written.empty())
            failure.detail += "; groups imported before it: " + written;
        return failure;
    };
    for (const auto& [planned, mode] :
        { std::pair(&plan.adds, SaveMode::CreateOnly), { &plan.changes, SaveMode::ReplaceOnly } })
        for (const PlannedGroup& group : *planned) {
            const Status saved
                = ChangeGroup(group.number, group.name, mode, [&group](int program, std::span<unsigned char> rights) {
                      if (const auto& row = group.rows[static_cast<size_t>(program)])
                          std::copy(row->begin(), row->end(), rights.begin());
                  });
            if (!saved)
                return withWritten(saved.Error());
            written += (written.empty() ? "" : ", ") + std::to_string(group.number);
        }
    std::vector<uint8_t> deleted;
    for (const GroupEntry& group : plan.deletes)
        deleted.push_back(static_cast<uint8_t>(group.groupNumber));
    if (Status gone = DeleteGroups(deleted); !gone)
        return withWritten(gone.Error());
    return {};
}

} // namespace custodia
