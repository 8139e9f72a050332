#pragma once

#include <string>

namespace custodia {

// A group as listed: its number (the record's sub-kind) and the texts of its "setup.prf" record.
struct GroupEntry {
    int groupNumber = 0;
    std::string name;
    std::string description;

    bool operator==(const GroupEntry&) const = default;
};

} // namespace custodia
