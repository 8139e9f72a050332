// The import of many users into "tessel.pwd" of the login path, as one change of the file.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "store/AuditTrailLines.h"

#include <optional>

namespace custodia {

namespace {

const char* const kImportOperation = "the users could not be imported";

UserBatch BatchOf(const UserImportPlan& plan)
{
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

Result<UserImportPlan> AccountService::ImportUsers(const UserImportPlanner& planner) const
{
    std::optional<UserImportPlan> plan;
    const Status applied = ChangeWithTrail(m_loginPath, m_trail, *m_environment, [&](std::vector<TrailEntry>& lines) {
        const Status written
            = m_passwords.ApplyUserBatch([&](const std::vector<UserEntry>& stored) -> Result<UserBatch> {
                  plan = planner(stored);
                  // Checking a long list takes a while: a person who gave up meanwhile still finds
                  // the file as it was, since nothing has been written yet.
                  if (m_environment->cancelled && m_environment->cancelled())
                      return Refused(Failure::Refusal::Cancelled, kImportOperation, m_passwords.FileName(),
                          "cancelled before anything was written");
                  if (!plan->IsGood())
                      return Refused(Failure::Refusal::BadValue, kImportOperation, m_passwords.FileName(),
                          std::to_string(plan->problems.size()) + " lines of the list are bad");
                  return BatchOf(*plan);
              });
        // The plan the batch was written by: a missing file is planned on again once it is held.
        if (written)
            lines = UserImportLines(*plan);
        return written;
    });
    if (plan && !plan->IsGood())
        return std::move(*plan);
    if (!applied)
        return applied.Error();
    return std::move(*plan);
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
