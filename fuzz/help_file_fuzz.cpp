#include "FuzzFile.h"

#include "parsers/HelpFile.h"
#include "parsers/HelpSearch.h"
#include "parsers/TextCharacters.h"

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace custodia;

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// What the help bar relies on: runs tile the text, and every title and hit range lies inside it.
void CheckModel(const HelpText& help, const std::string& searchText)
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
    // A section row spans its title, which may be empty ("<T>" alone); a match row spans the match.
    for (const HelpHit& hit : SearchHelpText(help, searchText)) {
        const int shortest = hit.kind == HelpHit::Kind::Match ? 1 : 0;
        Require(hit.position >= 0 && hit.length >= shortest && hit.position + hit.length <= help.Length());
    }
}

} // namespace

// A help file of any shape, loaded as the help bar loads it and searched for a piece of itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ScratchFolder();
    fuzz::WriteInput("Custodia Help.eng", data, size);
    HelpFile help;
    help.Load("Custodia Help", "ger");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t searchLength = size == 0 ? 0 : data[size - 1] % 8;
    CheckModel(help.GetText(), bytes.substr(size - std::min(size, searchLength + 1), searchLength));

    const std::string utf8 = ToUtf8Text(bytes);
    Require(ToUtf8Text(utf8) == utf8);
    return 0;
}
