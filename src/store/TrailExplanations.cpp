#include "store/TrailExplanations.h"

#include "store/OutsideChanges.h"

#include <cctype>
#include <string_view>

namespace custodia {

namespace {

constexpr std::string_view kUserPrefix = "user ";
constexpr std::string_view kGroupPrefix = "group ";
constexpr size_t kGroupNumberDigits = 3;
constexpr const char kSeenAtField[] = "seen at";

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// A group goes by its number: "group 004 Shift" and "group 004 Operators" are one group renamed.
std::string ObjectKey(const std::string& object)
{
    const size_t numberEnd = kGroupPrefix.size() + kGroupNumberDigits;
    if (!StartsWith(object, kGroupPrefix) || object.size() < numberEnd)
        return object;
    for (size_t i = kGroupPrefix.size(); i < numberEnd; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(object[i])))
            return object;
    }
    return object.substr(0, numberEnd);
}

// The field a change names: a right by its name, since one line may grant one and revoke another.
std::string FieldKey(const TrailChange& change)
{
    if (change.field == "right")
        return "right\t" + (change.after.empty() ? change.before : change.after);
    return change.field;
}

// The first change of an outside line that says the object came or went: "user" → "added", "group" →
// "created", as OutsideChanges writes them.
bool IsPresenceChange(const std::string& object, const TrailChange& change)
{
    return change.before.empty()
        && ((StartsWith(object, kUserPrefix) && change.field == "user")
            || (StartsWith(object, kGroupPrefix) && change.field == "group"));
}

bool AccountsForWholeObject(const std::string& action)
{
    return action == "user added" || action == "user deleted" || action == "user renamed" || action == "group created"
        || action == "group deleted";
}

} // namespace

TrailExplanations::TrailExplanations(const std::vector<TrailEntry>& lines)
{
    for (const TrailEntry& line : lines)
        Add(line);
}

void TrailExplanations::AddWholeObject(const std::string& object)
{
    m_wholeObjects.insert(ObjectKey(object));
}

void TrailExplanations::Add(const TrailEntry& line)
{
    if (AccountsForWholeObject(line.action))
        AddWholeObject(line.object);
    // A rename is the old name gone and the new one come.
    if (line.action == "user renamed") {
        for (const TrailChange& change : line.changes) {
            if (change.field == "name")
                AddWholeObject(std::string(kUserPrefix) + change.after);
        }
    }
    std::set<std::string>& fields = m_fields[ObjectKey(line.object)];
    if (line.action == "password set")
        fields.insert("password");
    for (const TrailChange& change : line.changes) {
        if (line.action == kChangedOutsideAction && IsPresenceChange(line.object, change))
            AddWholeObject(line.object);
        else
            fields.insert(FieldKey(change));
    }
}

std::optional<TrailEntry> TrailExplanations::Unexplained(TrailEntry difference) const
{
    const std::string key = ObjectKey(difference.object);
    if (m_wholeObjects.contains(key))
        return std::nullopt;
    const auto named = m_fields.find(key);
    if (named == m_fields.end())
        return difference;
    std::vector<TrailChange> left;
    bool changed = false;
    for (TrailChange& change : difference.changes) {
        const bool kept = change.field == kSeenAtField || IsPresenceChange(difference.object, change)
            || !named->second.contains(FieldKey(change));
        if (kept) {
            changed = changed || change.field != kSeenAtField;
            left.push_back(std::move(change));
        }
    }
    if (!changed)
        return std::nullopt;
    difference.changes = std::move(left);
    return difference;
}

} // namespace custodia
