#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace custodia::manual {

// One block of a section: plain text, a term with its explanation (a command, an option, a file), or
// a literal example shown as typed.
struct Block {
    enum class Kind { Text, Term, Example };
    Kind kind = Kind::Text;
    std::string term; // Term only
    std::string text; // lines separated by '\n'; blank lines start new paragraphs
};

struct Section {
    std::string title;
    std::vector<Block> blocks;
};

// A program's manual page, kept as data so that the same text gives both the program's --help and its
// roff page, and the two cannot tell different stories.
struct Page {
    std::string name; // the program
    int section = 1;
    std::string summary; // the NAME line after the dash
    std::string source; // the product and version in the page footer
    std::vector<std::string> synopsis; // one usage per line, without the program name
    std::vector<Section> sections;
};

// The page as roff for man(1). Every text is escaped: a backslash, a leading dot or quote and a minus
// sign in a term or example never reach the formatter as requests.
void WriteRoff(std::ostream& out, const Page& page);

// The page as plain text for a terminal: usage lines, then each section with its blocks indented.
void WriteText(std::ostream& out, const Page& page);

// Roff for one line of text, as WriteRoff writes it; minus signs become "\-" when asked (options).
std::string RoffLine(const std::string& line, bool minusSigns);

} // namespace custodia::manual
