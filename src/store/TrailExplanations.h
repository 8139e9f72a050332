#pragma once

#include "store/AuditTrail.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace custodia {

// What the trail lines written between two reads of a login path account for, so that a difference
// between the reads that one of them made is not noted again as another program's: the console's own
// changes, custodiactl's and those of every other console. A line accounts for the fields it names of
// its object; one that added, deleted, created or renamed the object accounts for all of it. Users
// are told apart by name, groups by number whatever their name was.
class TrailExplanations final {
public:
    explicit TrailExplanations(const std::vector<TrailEntry>& lines);

    // The line of a difference without the changes the lines account for, its "seen at" kept; nothing
    // when they account for every change of it.
    std::optional<TrailEntry> Unexplained(TrailEntry difference) const;

private:
    void Add(const TrailEntry& line);
    void AddWholeObject(const std::string& object);

    std::set<std::string> m_wholeObjects;
    std::map<std::string, std::set<std::string>> m_fields; // by object: the fields named
};

} // namespace custodia
