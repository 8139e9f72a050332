#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace custodia {

// The look of a help line, chosen by the tags it carries.
enum class HelpStyle { Plain, Title, Bold, Italic, BoldItalic };

// How a style is drawn, in the face "Arial": the height is the help text box's base height times
// heightNumerator / heightDenominator, in integer arithmetic.
struct HelpStyleLook {
    bool bold;
    bool italic;
    int heightNumerator;
    int heightDenominator;
    uint8_t red, green, blue;
};
HelpStyleLook LookOfHelpStyle(HelpStyle style);
int HelpStyleHeight(HelpStyle style, int baseHeight);

// Removes the first "<T>", "<B>", "<BI>" and "<I>" from a line (a second one of a kind stays as text)
// and returns the style they give: title before bold before italic before bold italic.
HelpStyle TakeHelpStyleTags(std::string& line);

// Positions and lengths below count characters of the help text, a paragraph break counting as one,
// which is how a text widget counts them: the text holds only characters of the Basic Multilingual
// Plane, so a position is also an index into the UTF-16 form of Text().
struct HelpStyleRun {
    int start;
    int length;
    HelpStyle style;
};

// A row of the contents list: the title's text without trailing white space, and where it starts.
struct HelpTitle {
    std::string text; // UTF-8
    int position;
    int length; // characters of text
};

// The text of a help file as the help bar shows it: each line of the file appended in turn, with its
// line end as a paragraph break ('\n'), in the style its tags give; and the titles for the contents.
// The file's bytes are decoded by DecodeText (TextCharacters.h); control characters other than tab
// show as U+FFFD.
class HelpText final {
public:
    // A help text never grows past this many characters; a line that would pass it is left out with
    // everything after it. The installed help is a few thousand.
    static constexpr size_t kMaxCharacters = size_t { 4 } << 20;

    // Appends one line as read from the file, tags still in it; endsLine adds the paragraph break.
    // False, and nothing appended, once the text is full.
    bool AppendLine(std::string line, bool endsLine);

    // The whole text, UTF-8, for the text widget.
    std::string Text() const;
    // The same text, one element per character, for searching and cutting by position.
    const std::u32string& Characters() const { return m_characters; }
    int Length() const { return static_cast<int>(m_characters.size()); }
    bool Empty() const { return m_characters.empty(); }

    // One run per appended line that added characters, in order, covering the text without gaps (a
    // line's break is in its run).
    const std::vector<HelpStyleRun>& Runs() const { return m_runs; }
    const std::vector<HelpTitle>& Titles() const { return m_titles; }

private:
    std::u32string m_characters;
    std::vector<HelpStyleRun> m_runs;
    std::vector<HelpTitle> m_titles;
};

} // namespace custodia
