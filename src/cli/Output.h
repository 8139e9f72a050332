#pragma once

#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace custodia {
struct OpenAttempt;
}

namespace custodia::cli {

// A field as it may go into one line of tab-separated output: tab, line feed, carriage return and
// backslash become \t, \n, \r and \\, every other control character (C1 included) and every byte that
// is not UTF-8 becomes \xHH. Names written by another program then can neither forge a line or a field
// nor reach the terminal as escape sequences.
std::string EscapeField(std::string_view field);

// One output line: the fields escaped, separated by tabs, no header.
void WriteFields(std::ostream& out, const std::vector<std::string>& fields);
// The same line appended to text, for commands that write many lines in large pieces.
void AppendFields(std::string& text, std::initializer_list<std::string_view> fields);

// A stored text (the suite's code page) as UTF-8 for the terminal.
std::string FromStored(const std::string& stored);

// A message on stderr, prefixed with the program's name, escaped as a field is.
void WriteError(std::ostream& err, const std::string& message);

// Tells, once per open, that an open has waited a second: "waiting for FILE: CAUSE".
void ReportOpenWait(std::ostream& err, const OpenAttempt& attempt);

} // namespace custodia::cli
