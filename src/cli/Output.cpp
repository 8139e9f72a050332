#include "cli/Output.h"

#include <ostream>

namespace custodia::cli {

void WriteFields(std::ostream& out, const std::vector<std::string>& fields)
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out << '\t';
        out << fields[i];
    }
    out << '\n';
}

void WriteError(std::ostream& err, const std::string& message)
{
    err << "custodiactl: " << message << '\n';
}

} // namespace custodia::cli
