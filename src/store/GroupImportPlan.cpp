#include "store/GroupImportPlan.h"

#include "platform/CodePage.h"
#include "store/GroupRecord.h"
#include "store/TextRules.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace custodia {

namespace {

constexpr std::string_view kProfileSuffix = ".prf";
constexpr std::string_view kSeparator = "; ";

std::string_view Trimmed(std::string_view text)
{
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// The position of a name that only one position of the program carries.
std::optional<int> UniquePosition(int program, std::string_view name, const std::vector<RightName>& names)
{
    std::optional<int> found;
    for (const RightName& right : names) {
        if (right.program != program || right.name != name)
            continue;
        if (found)
            return std::nullopt;
        found = right.position;
    }
    return found;
}

const std::string* NameOf(int program, int position, const std::vector<RightName>& names)
{
    // A name with the separator in it could not be read back as one item.
    for (const RightName& right : names)
        if (right.program == program && right.position == position)
            return !right.name.empty() && right.name.find(';') == std::string::npos
                    && UniquePosition(program, right.name, names)
                ? &right.name
                : nullptr;
    return nullptr;
}

std::optional<int> PositionOf(int program, std::string_view item, const std::vector<RightName>& names)
{
    const size_t length = kProfileFiles[static_cast<size_t>(program)].rowLength;
    if (item.starts_with('#')) {
        int position = -1;
        const auto [end, error] = std::from_chars(item.data() + 1, item.data() + item.size(), position);
        if (error != std::errc() || end != item.data() + item.size() || position < 0
            || static_cast<size_t>(position) >= length)
            return std::nullopt;
        return position;
    }
    return UniquePosition(program, item, names);
}

std::optional<uint8_t> GroupNumber(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > 255)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

std::optional<std::string> RefusalOfName(const StorableText& name)
{
    if (!name.IsStorable())
        return "the name holds " + name.refused + ", which the code page Windows-1252 lacks";
    if (name.bytes.empty())
        return "the name is empty";
    if (name.bytes.size() > grouprecord::kMaxNameLength)
        return "the name is " + std::to_string(name.bytes.size()) + " bytes long; at most "
            + std::to_string(grouprecord::kMaxNameLength) + " are allowed";
    if (HasControlCharacter(name.bytes))
        return "the name holds a control character";
    return std::nullopt;
}

// The header's column indices in kGroupColumns order, or the reason.
std::optional<std::array<size_t, 4>> ReadHeader(const ImportLine& header, std::vector<ImportProblem>& problems)
{
    std::array<size_t, 4> columns {};
    std::string reason;
    for (size_t wanted = 0; wanted < columns.size(); ++wanted) {
        const auto found = std::find_if(header.fields.begin(), header.fields.end(),
            [&](const std::string& field) { return Trimmed(field) == kGroupColumns[wanted]; });
        if (found == header.fields.end())
            reason += std::string(reason.empty() ? "" : "; ") + "no '" + kGroupColumns[wanted] + "' column";
        columns[wanted] = static_cast<size_t>(found - header.fields.begin());
    }
    if (header.fields.size() != columns.size() && reason.empty())
        reason = "the columns are group, name, program and rights";
    if (reason.empty())
        return columns;
    problems.push_back({ header.line, "header: " + reason });
    return std::nullopt;
}

// The lines of one group number, gathered while they are checked.
struct GroupLines {
    PlannedGroup group;
    bool bad = false;
};

void CheckLine(const ImportLine& line, const std::array<size_t, 4>& columns, const std::vector<RightName>& names,
    std::map<uint8_t, GroupLines>& groups, std::vector<ImportProblem>& problems)
{
    if (line.fields.size() != columns.size()) {
        problems.push_back({ line.line,
            "the line has " + std::to_string(line.fields.size()) + " fields; the header has "
                + std::to_string(columns.size()) });
        return;
    }
    std::vector<std::string> reasons;
    const auto number = GroupNumber(line.fields[columns[0]]);
    if (!number)
        reasons.push_back("the group '" + line.fields[columns[0]] + "' is not a number 0..255");
    const StorableText name = Utf8ToStored(line.fields[columns[1]]);
    if (auto refusal = RefusalOfName(name))
        reasons.push_back(*refusal);
    const auto program = ProgramNamed(Trimmed(line.fields[columns[2]]));
    if (!program)
        reasons.push_back("'" + line.fields[columns[2]] + "' is not one of the twelve programs");
    RightsTable::Row row {};
    if (program)
        if (auto refusal = SetRightsFromText(*program, line.fields[columns[3]], names, row))
            reasons.push_back(*refusal);
    if (number) {
        auto [entry, first] = groups.try_emplace(*number);
        GroupLines& lines = entry->second;
        if (first) {
            lines.group.line = line.line;
            lines.group.number = *number;
            lines.group.name = name.bytes;
        } else if (lines.group.name != name.bytes) {
            reasons.push_back(
                "group " + std::to_string(*number) + " is named otherwise on line " + std::to_string(lines.group.line));
        }
        if (program && lines.group.rows[static_cast<size_t>(*program)])
            reasons.push_back(
                "group " + std::to_string(*number) + " has a line for " + ProgramName(*program) + " already");
        else if (program)
            lines.group.rows[static_cast<size_t>(*program)] = row;
        lines.bad = lines.bad || !reasons.empty();
    }
    if (reasons.empty())
        return;
    std::string reason;
    for (const std::string& part : reasons)
        reason += (reason.empty() ? "" : "; ") + part;
    problems.push_back({ line.line, reason });
}

} // namespace

std::optional<int> ProgramNamed(std::string_view name)
{
    for (int program = 0; program < kProgramCount; ++program)
        if (ProgramName(program) == name)
            return program;
    return std::nullopt;
}

std::string ProgramName(int program)
{
    const std::string_view file = kProfileFiles[static_cast<size_t>(program)].fileName;
    return std::string(file.substr(0, file.size() - kProfileSuffix.size()));
}

std::string RightsText(int program, std::span<const unsigned char> row, const std::vector<RightName>& names)
{
    std::string text;
    const size_t length = std::min(row.size(), kProfileFiles[static_cast<size_t>(program)].rowLength);
    for (size_t position = 0; position < length; ++position) {
        if (row[position] == 0)
            continue;
        if (!text.empty())
            text += kSeparator;
        const std::string* name = NameOf(program, static_cast<int>(position), names);
        text += name != nullptr ? *name : "#" + std::to_string(position);
    }
    return text;
}

std::optional<std::string> SetRightsFromText(
    int program, std::string_view text, const std::vector<RightName>& names, std::span<unsigned char> row)
{
    std::vector<int> granted;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find(';', start), text.size());
        const std::string_view item = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (item.empty())
            continue;
        const auto position = PositionOf(program, item, names);
        if (!position)
            return "'" + std::string(item) + "' is not a right of " + ProgramName(program);
        granted.push_back(*position);
    }
    const size_t length = std::min(row.size(), kProfileFiles[static_cast<size_t>(program)].rowLength);
    std::fill_n(row.begin(), length, 0);
    for (const int position : granted)
        row[static_cast<size_t>(position)] = 1;
    return std::nullopt;
}

GroupImportPlan PlanGroupImport(const std::vector<ImportLine>& lines, const std::vector<GroupEntry>& stored,
    const std::vector<RightName>& names, const UserImportOptions& options)
{
    GroupImportPlan plan;
    if (lines.empty()) {
        plan.problems.push_back({ 1, "the list has no header line" });
        return plan;
    }
    const auto columns = ReadHeader(lines.front(), plan.problems);
    if (!columns)
        return plan;
    std::map<uint8_t, GroupLines> groups;
    for (size_t i = 1; i < lines.size(); ++i)
        CheckLine(lines[i], *columns, names, groups, plan.problems);

    for (auto& [key, group] : groups) {
        const int number = key;
        // A group with a bad line is not planned: its problems are told, and nothing of it is written.
        if (group.bad)
            continue;
        const bool exists = std::any_of(
            stored.begin(), stored.end(), [number](const GroupEntry& entry) { return entry.groupNumber == number; });
        if (exists && options.existing == ExistingUser::Refuse)
            plan.problems.push_back({ group.group.line, "group " + std::to_string(number) + " exists already" });
        else if (!exists)
            plan.adds.push_back(std::move(group.group));
        else
            (options.existing == ExistingUser::Skip ? plan.leaves : plan.changes).push_back(std::move(group.group));
    }
    if (options.deleteMissing)
        for (const GroupEntry& entry : stored)
            if (groups.count(static_cast<uint8_t>(entry.groupNumber)) == 0)
                plan.deletes.push_back(entry);
    return plan;
}

} // namespace custodia
