#include "parsers/HelpText.h"

#include "parsers/TextCharacters.h"

#include <array>

namespace custodia {

namespace {

struct StyleTag {
    std::string_view tag;
    HelpStyle style;
};

// Each tag is removed from what the removals before it left, in this order.
constexpr std::array<StyleTag, 4> kStyleTags = { {
    { "<T>", HelpStyle::Title },
    { "<B>", HelpStyle::Bold },
    { "<BI>", HelpStyle::BoldItalic },
    { "<I>", HelpStyle::Italic },
} };

// A line with several tags takes the style of the highest: title, bold, italic, bold italic.
int Rank(HelpStyle style)
{
    switch (style) {
    case HelpStyle::Title:
        return 0;
    case HelpStyle::Bold:
        return 1;
    case HelpStyle::Italic:
        return 2;
    case HelpStyle::BoldItalic:
        return 3;
    case HelpStyle::Plain:
        break;
    }
    return 4;
}

bool IsTrailingSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\v' || c == U'\f' || c == U'\r';
}

void ReplaceControlCharacters(std::u32string& characters)
{
    for (char32_t& c : characters) {
        if ((c < 0x20 && c != U'\t') || c == 0x7F)
            c = kReplacementCharacter;
    }
}

} // namespace

HelpStyleLook LookOfHelpStyle(HelpStyle style)
{
    switch (style) {
    case HelpStyle::Title:
        return { true, false, 3, 2, 0, 0, 0 };
    case HelpStyle::Bold:
        return { true, false, 10, 9, 0, 0, 0 };
    case HelpStyle::Italic:
        return { false, true, 10, 9, 0, 0, 0 };
    case HelpStyle::BoldItalic:
        return { true, true, 10, 9, 0, 0, 0 };
    case HelpStyle::Plain:
        break;
    }
    return { false, false, 10, 9, 0, 60, 181 };
}

int HelpStyleHeight(HelpStyle style, int baseHeight)
{
    const HelpStyleLook look = LookOfHelpStyle(style);
    return baseHeight * look.heightNumerator / look.heightDenominator;
}

HelpStyle TakeHelpStyleTags(std::string& line)
{
    HelpStyle style = HelpStyle::Plain;
    for (const StyleTag& tag : kStyleTags) {
        const size_t at = line.find(tag.tag);
        if (at == std::string::npos)
            continue;
        line.erase(at, tag.tag.size());
        if (Rank(tag.style) < Rank(style))
            style = tag.style;
    }
    return style;
}

bool HelpText::AppendLine(std::string line, bool endsLine)
{
    const HelpStyle style = TakeHelpStyleTags(line);
    std::u32string characters = DecodeText(line);
    ReplaceControlCharacters(characters);
    const size_t lineLength = characters.size();
    if (endsLine)
        characters += U'\n';
    if (characters.size() > kMaxCharacters - m_characters.size())
        return false;

    const int start = Length();
    if (style == HelpStyle::Title) {
        size_t titleLength = lineLength;
        while (titleLength > 0 && IsTrailingSpace(characters[titleLength - 1]))
            --titleLength;
        const std::u32string_view title(characters.data(), titleLength);
        m_titles.push_back({ EncodeUtf8(title), start, static_cast<int>(titleLength) });
    }
    m_characters += characters;
    if (!characters.empty())
        m_runs.push_back({ start, static_cast<int>(characters.size()), style });
    return true;
}

std::string HelpText::Text() const
{
    return EncodeUtf8(m_characters);
}

} // namespace custodia
