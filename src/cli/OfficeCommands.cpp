#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "cli/TrailWarning.h"
#include "store/AccountService.h"
#include "store/OfficeNameList.h"

#include <ostream>

namespace custodia::cli {

namespace {

int List(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string folder = LoginPathOperand(arguments, 0, "database folder");
    const OfficeNameList offices(folder);
    RequireUsable(offices.GetFileName(), offices.LastLoad());
    for (int office = 1; office <= officenames::kOfficeCount; ++office)
        WriteFields(context.out,
            { std::to_string(office), FromStored(offices.GetNumberText(office)), FromStored(offices.GetName(office)) });
    return kExitSuccess;
}

int Set(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string folder = LoginPathOperand(arguments, 0, "database folder");
    const int office
        = static_cast<int>(ParseNumber("office number", arguments.Operand(1), 1, officenames::kOfficeCount));
    const std::string numberText
        = StoredTextArgument("office number text", arguments.Operand(2), limits::kOfficeNumberText);
    const std::string name = StoredTextArgument("office name", arguments.Operand(3), limits::kOfficeName);

    // Into the file as it is inside the service's hold, so that another program's change of other
    // offices stays; a damaged file is left as it is.
    Require(
        SetOffice(NativePath(folder), office, numberText, name, FileEnvironment::System(), CommandTrail(context.err)),
        "; nothing was changed");
    return kExitSuccess;
}

} // namespace

std::vector<Command> OfficeCommands()
{
    return {
        {
            "offices",
            "list",
            "FOLDER",
            "list the office names of a database folder",
            "Prints 100 lines, one per office: office number 1..100, number text, name, from \"officena.mes\"\n"
            "in FOLDER. A folder without that file has 100 empty offices.\n",
            { { "FOLDER" }, {}, {} },
            List,
        },
        {
            "offices",
            "set",
            "FOLDER N NUMBER-TEXT NAME",
            "name one office of a database folder",
            "Writes office N (1..100) with its number text (at most 9 bytes) and name (at most 49) into\n"
            "\"officena.mes\" in FOLDER, creating the file when missing and keeping the other offices.\n"
            "Nothing is written if the file is damaged.\n",
            { { "FOLDER", "N", "NUMBER-TEXT", "NAME" }, {}, {} },
            Set,
        },
    };
}

} // namespace custodia::cli
