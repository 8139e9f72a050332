// The group operations of AccountService: the twelve profile files of the login path.
#include "store/AccountService.h"

#include "platform/Failure.h"
#include "store/GroupRecord.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/TextRules.h"

namespace custodia {

using namespace grouprecord;

namespace {

const char* const kSaveOperation = "the group could not be saved";
const char* const kDeleteOperation = "the group could not be deleted";

// A name the group dialog and the peer programs can show: not empty, within its field, one line.
std::optional<std::string> RefusalOfName(std::string_view name)
{
    if (name.empty())
        return "the group name is empty";
    if (name.size() > kMaxNameLength)
        return "the group name is longer than " + std::to_string(kMaxNameLength) + " bytes";
    if (HasControlCharacter(name))
        return "the group name holds a control character";
    return std::nullopt;
}

} // namespace

Result<std::vector<GroupEntry>> AccountService::LoadGroups() const
{
    // A fresh login path has no groups.
    Loaded<std::vector<GroupEntry>> groups = m_profiles.LoadGroupList();
    if (groups.status == FileReadStatus::Missing)
        return std::vector<GroupEntry>();
    if (auto failure = FailureOfRead("the groups could not be read", m_profiles.FileOf(kProgramSetup), groups))
        return *failure;
    return std::move(groups.value);
}

Result<std::pair<std::string, RightsTable>> AccountService::LoadGroupRights(uint8_t groupNumber) const
{
    std::pair<std::string, RightsTable> group;
    if (!m_profiles.ReadGroupRights(groupNumber, group.second, group.first))
        return Refused(Failure::Refusal::NotFound, "the group could not be read", {},
            "no profile file holds group " + std::to_string(groupNumber));
    return group;
}

Status AccountService::ChangeGroup(
    uint8_t groupNumber, std::string_view name, SaveMode mode, const RightsChange& change) const
{
    if (const auto refusal = RefusalOfName(name))
        return Refused(Failure::Refusal::BadValue, kSaveOperation, {}, *refusal);
    const Result<bool> changed = m_profiles.ChangeGroup(groupNumber, name, mode, change);
    if (!changed)
        return changed.Error();
    return {};
}

Status AccountService::DeleteGroups(std::span<const uint8_t> groupNumbers) const
{
    if (groupNumbers.empty())
        return {};
    const Result<bool> deleted = m_profiles.DeleteGroups(groupNumbers);
    if (!deleted)
        return deleted.Error();
    if (!*deleted)
        return Refused(Failure::Refusal::NotFound, kDeleteOperation, {},
            groupNumbers.size() == 1 ? "no profile file holds group " + std::to_string(groupNumbers.front())
                                     : std::string("no profile file holds any of the groups"));
    return {};
}

} // namespace custodia
