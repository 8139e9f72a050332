#include "app/ConsoleLockout.h"

#include "store/AccountService.h"
#include "store/ProgramIndex.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

namespace custodia {

namespace {

// The same folder however it was typed; an empty login path is the current directory.
std::filesystem::path Normalised(const std::string& loginPath)
{
    std::error_code error;
    const std::filesystem::path path
        = loginPath.empty() ? std::filesystem::path(".") : std::filesystem::path(loginPath);
    std::filesystem::path full = std::filesystem::weakly_canonical(path, error);
    if (error)
        full = std::filesystem::absolute(path, error).lexically_normal();
    std::string text = full.generic_string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool AnyoneCanStart(const std::vector<ConsoleMember>& members, const ConsoleLockoutCheck::GroupRight& right)
{
    return std::any_of(
        members.begin(), members.end(), [&](const ConsoleMember& member) { return right(member.groupNumber); });
}

} // namespace

ConsoleLockoutCheck::ConsoleLockoutCheck(std::optional<LoggedOnSupervisor> supervisor, GroupRight groupHasRight)
    : m_supervisor(std::move(supervisor))
    , m_groupHasRight(std::move(groupHasRight))
{
}

ConsoleLockoutCheck::GroupRight ConsoleLockoutCheck::StoredGroupRights(
    const std::string& loginPath, const FileEnvironment& environment)
{
    // Each group is read once per check; the profile files are small but twelve of them.
    auto known = std::make_shared<std::map<int, bool>>();
    return [service = std::make_shared<AccountService>(NativePath(loginPath), environment), known](int groupNumber) {
        const auto found = known->find(groupNumber);
        if (found != known->end())
            return found->second;
        bool right = false;
        if (groupNumber >= 0 && groupNumber <= 255) {
            const auto group = service->LoadGroupRights(static_cast<uint8_t>(groupNumber));
            const RightsTable::Row* row = group ? group->second.GetRow(kProgramCustodia) : nullptr;
            right = row != nullptr && (*row)[kConsoleRightPosition] != 0;
        }
        known->emplace(groupNumber, right);
        return right;
    };
}

bool ConsoleLockoutCheck::Guards(const std::string& loginPath) const
{
    return m_supervisor && Normalised(m_supervisor->loginPath) == Normalised(loginPath);
}

bool ConsoleLockoutCheck::SelfCanStart(const std::vector<ConsoleMember>& members, const GroupRight& right) const
{
    return std::any_of(members.begin(), members.end(), [&](const ConsoleMember& member) {
        return member.userName == m_supervisor->userName && right(member.groupNumber);
    });
}

LockOut ConsoleLockoutCheck::Compare(const std::vector<ConsoleMember>& before, const std::vector<ConsoleMember>& after,
    const GroupRight& rightAfter) const
{
    if (AnyoneCanStart(before, m_groupHasRight) && !AnyoneCanStart(after, rightAfter))
        return LockOut::Everyone;
    if (SelfCanStart(before, m_groupHasRight) && !SelfCanStart(after, rightAfter))
        return LockOut::Self;
    return LockOut::None;
}

LockOut ConsoleLockoutCheck::DeletingUsers(
    const std::string& loginPath, const std::vector<ConsoleMember>& members, const std::set<std::string>& deleted) const
{
    if (!Guards(loginPath))
        return LockOut::None;
    std::vector<ConsoleMember> after;
    for (const ConsoleMember& member : members) {
        if (deleted.count(member.userName) == 0)
            after.push_back(member);
    }
    return Compare(members, after, m_groupHasRight);
}

LockOut ConsoleLockoutCheck::DeletingGroups(
    const std::string& loginPath, const std::vector<ConsoleMember>& members, const std::set<int>& groupNumbers) const
{
    if (!Guards(loginPath))
        return LockOut::None;
    // Members of a deleted group keep its number, but no profile grants it anything any more.
    const GroupRight rightAfter
        = [&](int number) { return groupNumbers.count(number) == 0 && m_groupHasRight(number); };
    return Compare(members, members, rightAfter);
}

LockOut ConsoleLockoutCheck::ChangingGroupRight(
    const std::string& loginPath, const std::vector<ConsoleMember>& members, int groupNumber, bool keepsRight) const
{
    if (keepsRight)
        return LockOut::None;
    return DeletingGroups(loginPath, members, { groupNumber });
}

} // namespace custodia
