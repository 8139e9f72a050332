#include "parsers/HelpSearch.h"

#include "parsers/HelpText.h"
#include "parsers/TextCharacters.h"

#include <algorithm>
#include <functional>

namespace custodia {

namespace {

constexpr size_t kContextLength = 20;
constexpr std::u32string_view kContextIndent = U"      ";
constexpr std::u32string_view kEllipsis = U"...";

std::u32string Folded(std::u32string_view text)
{
    std::u32string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    return folded;
}

bool IsSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\v' || c == U'\f' || c == U'\r';
}

std::u32string_view WithoutLeadingSpace(std::u32string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

// Index of the title that a position lies under, or -1 before the first title.
int SectionOf(const std::vector<HelpTitle>& titles, int position)
{
    const auto after = std::upper_bound(
        titles.begin(), titles.end(), position, [](int p, const HelpTitle& title) { return p < title.position; });
    return static_cast<int>(after - titles.begin()) - 1;
}

} // namespace

std::string HelpHitContext(const std::u32string& text, size_t position, size_t length)
{
    position = std::min(position, text.size());
    // A search lists every match, so this runs once for each: one allocation, not one for each part.
    std::u32string context;
    context.reserve(kContextIndent.size() + 2 * (kContextLength + kEllipsis.size()) + std::min(length, text.size()));
    context += kContextIndent;

    const size_t beforeStart = position > kContextLength ? position - kContextLength : 0;
    const std::u32string_view before(text.data() + beforeStart, position - beforeStart);
    const size_t stop = before.find_last_of(U"\n.");
    if (stop != std::u32string_view::npos) {
        context += WithoutLeadingSpace(before.substr(stop + 1));
    } else {
        context += kEllipsis;
        context += WithoutLeadingSpace(before);
    }

    const size_t rest = text.size() - position;
    const size_t afterLength = std::min(std::min(length, rest) + kContextLength, rest);
    const std::u32string_view after(text.data() + position, afterLength);
    const size_t lineEnd = after.find(U'\n');
    if (lineEnd != std::u32string_view::npos) {
        context += after.substr(0, lineEnd);
    } else {
        context += after;
        context += kEllipsis;
    }

    std::replace_if(
        context.begin(), context.end(), [](char32_t c) { return c == U'\r' || c == U'\n'; }, U' ');
    return EncodeUtf8(context);
}

std::vector<HelpHit> SearchHelpText(const HelpText& help, std::string_view searchText)
{
    std::vector<HelpHit> hits;
    const std::u32string needle = Folded(DecodeText(searchText));
    if (needle.empty())
        return hits;
    const std::u32string& text = help.Characters();
    const std::u32string haystack = Folded(text);
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    const std::vector<HelpTitle>& titles = help.Titles();

    int lastSection = -1;
    auto from = haystack.begin();
    for (;;) {
        const auto match = std::search(from, haystack.end(), searcher);
        if (match == haystack.end())
            break;
        const auto position = static_cast<size_t>(match - haystack.begin());
        const int section = SectionOf(titles, static_cast<int>(position));
        if (section >= 0 && section != lastSection) {
            const HelpTitle& title = titles[static_cast<size_t>(section)];
            hits.push_back({ HelpHit::Kind::Section, title.text, title.position, title.length });
        }
        lastSection = section;
        hits.push_back({ HelpHit::Kind::Match, HelpHitContext(text, position, needle.size()),
            static_cast<int>(position), static_cast<int>(needle.size()) });
        from = match + static_cast<std::ptrdiff_t>(needle.size());
    }
    return hits;
}

} // namespace custodia
