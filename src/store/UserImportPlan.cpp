#include "store/UserImportPlan.h"

#include "platform/CodePage.h"
#include "store/GroupRecord.h"
#include "store/TextRules.h"
#include "store/UserColumns.h"

#include <charconv>
#include <limits>
#include <optional>
#include <unordered_map>

namespace custodia {

namespace {

// The header's columns, or nothing when it names an unknown column, one twice, or no name column.
std::optional<std::vector<UserColumnName>> ReadHeader(const ImportLine& header, std::vector<ImportProblem>& problems)
{
    std::vector<UserColumnName> columns;
    std::vector<std::string> reasons;
    bool hasName = false;
    for (const std::string& field : header.fields) {
        const auto column = FindUserColumn(field);
        if (!column) {
            reasons.push_back("'" + field + "' is not a column of a list of users");
            continue;
        }
        for (const UserColumnName& known : columns)
            if (known.name == column->name)
                reasons.push_back("the column '" + column->name + "' is there twice");
        hasName = hasName || column->column == UserColumn::Name;
        columns.push_back(*column);
    }
    if (!hasName)
        reasons.push_back("the header names no 'name' column");
    if (reasons.empty())
        return columns;
    std::string reason = "header: ";
    for (size_t i = 0; i < reasons.size(); ++i)
        reason += (i > 0 ? "; " : "") + reasons[i];
    problems.push_back({ header.line, reason });
    return std::nullopt;
}

std::optional<uint32_t> ParseNumber(std::string_view text, uint32_t maximum)
{
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > maximum)
        return std::nullopt;
    return value;
}

// What the login path holds that lines are checked against.
struct Known {
    const std::vector<UserEntry>& stored;
    std::unordered_map<std::string, size_t> storedByName; // the last user of each name
    const std::vector<GroupEntry>& groups;
    const DatabaseList& databases;
    const UserImportOptions& options;

    const GroupEntry* Group(int number) const
    {
        for (const GroupEntry& group : groups)
            if (group.groupNumber == number)
                return &group;
        return nullptr;
    }
    const GroupEntry* GroupNamed(std::string_view name) const
    {
        for (const GroupEntry& group : groups)
            if (group.name == name)
                return &group;
        return nullptr;
    }
};

// One line taken apart into the user it makes, with every reason it cannot be imported.
class LineCheck final {
public:
    LineCheck(const Known& known, const std::vector<UserColumnName>& columns, const ImportLine& line)
        : m_known(known)
        , m_columns(columns)
        , m_line(line)
    {
    }

    // The name as stored, or nothing when it is bad (the reason is kept).
    std::optional<std::string> Name()
    {
        for (size_t i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].column == UserColumn::Name) {
                auto name = StoredText("the name", m_line.fields[i], userrecord::kMaxUserNameLength);
                if (name && name->empty()) {
                    m_reasons.push_back("the name is empty");
                    return std::nullopt;
                }
                return name;
            }
        return std::nullopt;
    }

    // The user as the line leaves it, starting from the stored one (or, new, from zero and the name).
    UserEntry Apply(const UserEntry& base, bool isNew)
    {
        UserEntry after = base;
        bool groupGiven = false;
        // The group's name last, so that it is checked against the number of the same line.
        for (const bool names : { false, true })
            for (size_t i = 0; i < m_columns.size(); ++i)
                if ((m_columns[i].column == UserColumn::GroupName) == names)
                    groupGiven = ApplyField(m_columns[i], m_line.fields[i], after) || groupGiven;
        if ((groupGiven || isNew) && m_known.Group(after.user.groupNumber) == nullptr)
            m_reasons.push_back(
                "group " + std::to_string(after.user.groupNumber) + " is not a group of the login path");
        if (isNew && !m_passwordGiven && !m_known.options.allowNoPassword)
            m_reasons.push_back("no password: a user without one can never log on");
        return after;
    }

    void Refuse(std::string reason) { m_reasons.push_back(std::move(reason)); }

    std::optional<ImportProblem> Problem() const
    {
        if (m_reasons.empty())
            return std::nullopt;
        std::string reason;
        for (size_t i = 0; i < m_reasons.size(); ++i)
            reason += (i > 0 ? "; " : "") + m_reasons[i];
        return ImportProblem { m_line.line, reason };
    }

private:
    std::optional<std::string> StoredText(const std::string& what, const std::string& text, size_t limit)
    {
        const StorableText stored = Utf8ToStored(text);
        if (!stored.IsStorable()) {
            m_reasons.push_back(what + " holds " + stored.refused + ", which the code page Windows-1252 lacks");
            return std::nullopt;
        }
        if (stored.bytes.size() > limit) {
            m_reasons.push_back(what + " is " + std::to_string(stored.bytes.size()) + " bytes long; at most "
                + std::to_string(limit) + " are allowed");
            return std::nullopt;
        }
        if (HasControlCharacter(stored.bytes)) {
            m_reasons.push_back(what + " holds a control character");
            return std::nullopt;
        }
        return stored.bytes;
    }

    std::optional<uint32_t> Number(const std::string& what, const std::string& text, uint32_t maximum)
    {
        const auto value = ParseNumber(text, maximum);
        if (!value)
            m_reasons.push_back(what + " '" + text + "' is not a number 0.." + std::to_string(maximum));
        return value;
    }

    void CheckDatabaseSlot(int slot, const std::string& what)
    {
        if (slot >= databaselist::kShownSlotCount)
            m_reasons.push_back(what + ": database slot " + std::to_string(slot + 1) + " is not one of 1.."
                + std::to_string(databaselist::kShownSlotCount));
        else if (m_known.databases.IsSlotEmpty(slot))
            m_reasons.push_back(
                what + ": database slot " + std::to_string(slot + 1) + " is empty in the database list");
    }

    void ApplyGroupName(const std::string& text, UserEntry& after, bool numberGiven)
    {
        const auto name = StoredText("the group name", text, grouprecord::kMaxNameLength);
        if (!name || name->empty())
            return;
        const GroupEntry* group = m_known.GroupNamed(*name);
        if (group == nullptr) {
            m_reasons.push_back("no group of the login path is named '" + text + "'");
            return;
        }
        if (numberGiven && group->groupNumber != after.user.groupNumber) {
            m_reasons.push_back("the group named '" + text + "' is group " + std::to_string(group->groupNumber)
                + ", not " + std::to_string(after.user.groupNumber));
            return;
        }
        after.user.groupNumber = static_cast<uint8_t>(group->groupNumber);
    }

    // Sets one field; true when it was the group.
    bool ApplyField(const UserColumnName& column, const std::string& text, UserEntry& after)
    {
        UserRecord& user = after.user;
        switch (column.column) {
        case UserColumn::Name:
            return false;
        case UserColumn::FullName:
            if (auto value = StoredText("the full name", text, userrecord::kMaxFullNameLength))
                user.fullName = *value;
            return false;
        case UserColumn::Description:
            if (auto value = StoredText("the description", text, userrecord::kMaxDescriptionLength))
                user.description = *value;
            return false;
        case UserColumn::Group:
            // An empty number keeps what is stored (zero for a new user).
            if (text.empty())
                return false;
            if (auto value = Number("the group", text, 255))
                user.groupNumber = static_cast<uint8_t>(*value);
            return true;
        case UserColumn::GroupName:
            ApplyGroupName(text, after, HasGroupNumber());
            return !text.empty();
        case UserColumn::DatabaseMode:
            if (text.empty())
                return false;
            if (auto value = Number("the database mode", text, 255))
                user.databaseMode = static_cast<uint8_t>(*value);
            return false;
        case UserColumn::DatabaseMask:
            if (text.empty())
                return false;
            if (auto value = Number("the database mask", text, std::numeric_limits<uint32_t>::max())) {
                user.databaseMask = *value;
                for (int slot = 0; slot < 32; ++slot)
                    if ((*value >> slot) & 1U)
                        CheckDatabaseSlot(slot, "the database mask");
            }
            return false;
        case UserColumn::Offices:
            if (auto reason = SetOfficesFromText(after.access, column.slot, text))
                m_reasons.push_back(*reason);
            else if (!text.empty() && column.slot != accessrecord::kCurrentDatabaseSlot)
                CheckDatabaseSlot(column.slot, column.name);
            return false;
        case UserColumn::Password:
            // Never quoted back: the reason names the rule only.
            if (text.empty())
                return false;
            if (IsAcceptablePassword(text)) {
                user.password = text;
                m_passwordGiven = true;
            } else {
                m_reasons.push_back(std::string("the password must be ") + kPasswordRuleText);
            }
            return false;
        }
        return false;
    }

    bool HasGroupNumber() const
    {
        for (size_t i = 0; i < m_columns.size(); ++i)
            if (m_columns[i].column == UserColumn::Group && !m_line.fields[i].empty())
                return true;
        return false;
    }

    const Known& m_known;
    const std::vector<UserColumnName>& m_columns;
    const ImportLine& m_line;
    std::vector<std::string> m_reasons;
    bool m_passwordGiven = false;
};

void PlanLine(const Known& known, const std::vector<UserColumnName>& columns, const ImportLine& line,
    std::unordered_map<std::string, size_t>& named, UserImportPlan& plan)
{
    if (line.fields.size() != columns.size()) {
        plan.problems.push_back({ line.line,
            "the line has " + std::to_string(line.fields.size()) + " fields; the header has "
                + std::to_string(columns.size()) });
        return;
    }
    LineCheck check(known, columns, line);
    const std::optional<std::string> name = check.Name();
    const auto stored = name ? known.storedByName.find(*name) : known.storedByName.end();
    const bool isNew = stored == known.storedByName.end();
    UserEntry before;
    if (!isNew)
        before = known.stored[stored->second];
    else if (name)
        before.user.userName = *name;
    UserEntry after = check.Apply(before, isNew);
    after.access.userName = after.user.userName;
    if (name) {
        const auto [earlier, first] = named.emplace(*name, line.line);
        if (!first)
            check.Refuse(
                "the user " + StoredToUtf8(*name) + " is on line " + std::to_string(earlier->second) + " already");
        if (!isNew && known.options.existing == ExistingUser::Refuse)
            check.Refuse("a user " + StoredToUtf8(*name) + " exists already");
    }
    if (auto problem = check.Problem()) {
        plan.problems.push_back(std::move(*problem));
        return;
    }
    PlannedUser planned { line.line, before, after };
    if (isNew)
        plan.adds.push_back(std::move(planned));
    else if (known.options.existing == ExistingUser::Skip || before == after)
        plan.leaves.push_back(std::move(planned));
    else
        plan.changes.push_back(std::move(planned));
}

} // namespace

std::vector<std::string> ChangedUserFields(const PlannedUser& change)
{
    const UserRecord& before = change.before.user;
    const UserRecord& after = change.after.user;
    std::vector<std::string> fields;
    const std::pair<bool, const char*> compared[] = {
        { before.fullName != after.fullName, "full name" },
        { before.description != after.description, "description" },
        { before.groupNumber != after.groupNumber, "group" },
        { before.databaseMode != after.databaseMode, "database mode" },
        { before.databaseMask != after.databaseMask, "database mask" },
    };
    for (const auto& [changed, name] : compared)
        if (changed)
            fields.emplace_back(name);
    for (int slot = 0; slot < accessrecord::kSlotCount; ++slot)
        if (OfficesText(change.before.access, slot) != OfficesText(change.after.access, slot))
            fields.push_back(
                slot == accessrecord::kCurrentDatabaseSlot ? "offices current" : "offices " + std::to_string(slot + 1));
    if (before.password != after.password)
        fields.emplace_back("password");
    return fields;
}

UserImportPlan PlanUserImport(const std::vector<ImportLine>& lines, const std::vector<UserEntry>& stored,
    const std::vector<GroupEntry>& groups, const DatabaseList& databases, const UserImportOptions& options)
{
    UserImportPlan plan;
    if (lines.empty()) {
        plan.problems.push_back({ 1, "the list has no header line" });
        return plan;
    }
    const auto columns = ReadHeader(lines.front(), plan.problems);
    if (!columns)
        return plan;
    Known known { stored, {}, groups, databases, options };
    known.storedByName.reserve(stored.size());
    for (size_t i = 0; i < stored.size(); ++i)
        known.storedByName[stored[i].user.userName] = i;

    std::unordered_map<std::string, size_t> named;
    named.reserve(lines.size());
    plan.adds.reserve(lines.size());
    for (size_t i = 1; i < lines.size(); ++i)
        PlanLine(known, *columns, lines[i], named, plan);

    // In file order, each name once (its last user), so that what is printed follows the file.
    if (options.deleteMissing)
        for (size_t i = 0; i < stored.size(); ++i) {
            const std::string& name = stored[i].user.userName;
            if (known.storedByName[name] == i && named.count(name) == 0)
                plan.deletes.push_back({ 0, stored[i], {} });
        }
    return plan;
}

} // namespace custodia
