#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace custodia {

class HelpText;

// A row of the help bar's hit list. A section row names the title under which the following matches
// lie; a match row shows a match with a little of the text around it. position and length are the
// range to highlight, in characters of the help text: the title for a section row, the match for a
// match row.
struct HelpHit {
    enum class Kind { Section, Match };

    Kind kind;
    std::string text; // UTF-8
    int position;
    int length;
};

// Every match of searchText in the help text, ignoring letter case (FoldCase), anywhere in a word,
// without overlaps, from the start. Before the first match of each section comes one section row;
// matches before the first title have none. An empty search text finds nothing. After a search the
// help bar shows the first match row.
std::vector<HelpHit> SearchHelpText(const HelpText& help, std::string_view searchText);

// The text of a match row: six spaces; up to 20 characters before the match, from after the last line
// end or full stop among them, else all of them after "..."; the match and up to 20 characters after
// it, up to a line end, else all of them and "..."; leading white space of the part before the match
// left out, and any remaining line end shown as a space.
std::string HelpHitContext(const std::u32string& text, size_t position, size_t length);

} // namespace custodia
