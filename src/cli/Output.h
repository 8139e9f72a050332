#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace custodia::cli {

// One output line: the fields as they are, separated by tabs, no header and no quoting.
void WriteFields(std::ostream& out, const std::vector<std::string>& fields);

// A message on stderr, prefixed with the program's name.
void WriteError(std::ostream& err, const std::string& message);

} // namespace custodia::cli
