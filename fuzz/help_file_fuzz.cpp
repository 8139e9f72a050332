#include "FuzzImage.h"

#include "parsers/HelpFile.h"
#include "parsers/HelpSearch.h"
#include "parsers/TextCharacters.h"

#include <algorithm>
#include <string>
#include <string_view>

using namespace custodia;
using fuzz::Require;

namespace {

// A search makes a row for every match, so its cost grows with the matches, which a long text of one
// letter has by the thousand. Short texts reach every case of the search; longer inputs are there for
// the reading of long lines, and are only read.
constexpr size_t kMaxSearchedInput = 512;

// What the help bar relies on: runs tile the text, and every title lies inside it.
void CheckModel(const HelpText& help)
{
    int next = 0;
    for (const HelpStyleRun& run : help.Runs()) {
        Require(run.start == next && run.length > 0);
        next += run.length;
    }
    Require(next == help.Length());
    Require(DecodeText(help.Text()) == help.Characters());
    for (const HelpTitle& title : help.Titles())
        Require(title.position >= 0 && title.length >= 0 && title.position + title.length <= help.Length());
}

// A section row spans its title, which may be empty ("<T>" alone); a match row spans the match.
void CheckSearch(const HelpText& help, std::string_view searchText)
{
    for (const HelpHit& hit : SearchHelpText(help, searchText)) {
        const int shortest = hit.kind == HelpHit::Kind::Match ? 1 : 0;
        Require(hit.position >= 0 && hit.length >= shortest && hit.position + hit.length <= help.Length());
    }
}

} // namespace

// A help file of any shape, read in memory as the help bar reads it, and searched for a piece of itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<HelpText> help = ParseHelpFile(bytes);
    if (!help)
        return 0;
    CheckModel(*help);
    if (size > kMaxSearchedInput)
        return 0;
    const size_t searchLength = size == 0 ? 0 : data[size - 1] % 8;
    CheckSearch(*help, bytes.substr(size - std::min(size, searchLength + 1), searchLength));
    return 0;
}
