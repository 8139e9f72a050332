#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "cli/TextLimits.h"
#include "cli/TrailWarning.h"
#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/ProfileStore.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"
#include "store/RightsCatalogue.h"
#include "words/WordTable.h"

#include <map>
#include <memory>
#include <ostream>

namespace custodia::cli {

namespace {

uint8_t GroupNumberOperand(const ParsedArguments& arguments, size_t index)
{
    return static_cast<uint8_t>(ParseNumber("group number", arguments.Operand(index), 0, 255));
}

// A group is written into, or deleted from, all twelve files, none unless all are sound; the service
// says which file stopped it.
void RequireChanged(const Status& status)
{
    if (!status) {
        const bool damaged = status.Error().refusal == Failure::Refusal::Damaged;
        Require(status, damaged ? "; nothing was changed" : "; no profile file was changed");
    }
}

// One position of one program's row, as "P:POS". Only positions within the program's row length are
// ever read back, so only those can be set.
struct RightPosition {
    int program = 0;
    int position = 0;
    bool operator<(const RightPosition& other) const
    {
        return program != other.program ? program < other.program : position < other.position;
    }
};

RightPosition ParseRightPosition(const std::string& option, const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        throw UsageError(option + " wants PROGRAM:POSITION, not '" + text + "'");
    RightPosition right;
    right.program = static_cast<int>(ParseNumber(option + " program", text.substr(0, colon), 0, kProgramCount - 1));
    const size_t rowLength = kProfileFiles[static_cast<size_t>(right.program)].rowLength;
    right.position = static_cast<int>(ParseNumber(option + " position for program " + std::to_string(right.program),
        text.substr(colon + 1), 0, static_cast<uint32_t>(rowLength - 1)));
    return right;
}

// The changes asked for; granting and revoking one position at once is a contradiction.
std::map<RightPosition, uint8_t> RightChanges(const ParsedArguments& arguments)
{
    std::map<RightPosition, uint8_t> changes;
    for (const auto& [option, value] : { std::pair<const char*, uint8_t> { "--grant", 1 }, { "--revoke", 0 } }) {
        for (const std::string& text : arguments.Values(option)) {
            const RightPosition right = ParseRightPosition(option, text);
            const auto [found, added] = changes.emplace(right, value);
            if (!added && found->second != value)
                throw UsageError(text + " is both granted and revoked");
        }
    }
    return changes;
}

std::string RowText(const RightsTable::Row* row, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i)
        text += row != nullptr && (*row)[i] != 0 ? '1' : '0';
    return text;
}

int List(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const Result<std::vector<GroupEntry>> groups = AccountService(NativePath(path)).LoadGroups();
    Require(groups.HasValue() ? Status() : Status(groups.Error()));
    for (const GroupEntry& group : *groups)
        WriteFields(context.out, { std::to_string(group.groupNumber), FromStored(group.name) });
    return groups->empty() ? kExitFailed : kExitSuccess;
}

// A damaged file's row reads as all zero: say so, rather than let zeros pass for denied rights.
bool WarnOfDamagedProfileFiles(const std::vector<ProfileStore::UnusableFile>& unusable, CommandContext& context)
{
    for (const auto& [fileName, check] : unusable)
        WriteError(context.err, fileName + ": " + DescribeProblem(check) + "; its row is shown as all zero");
    return unusable.empty();
}

// The console's words, from the word files installed beside this program. Found there first, so the
// current folder (against which relative login paths are read) stays as it is.
std::unique_ptr<WordTable> LoadInstalledWords(CommandContext& context)
{
    auto words = std::make_unique<WordTable>(ExecutableFolder());
    words->LoadWordFiles(ConsoleWordFamilies());
    if (words->GetWord(RightsPages()[0].titleWord) == WordTable::kMissingWord)
        WriteError(context.err, "no word files beside the program; rights are shown by word number");
    return words;
}

std::string RightText(const WordTable& words, int word)
{
    const std::string& text = words.GetWord(word);
    return text == WordTable::kMissingWord ? "(word " + std::to_string(word) + ")" : text;
}

// One line per right, as the console's pages show them: page, profile file, position, granted, text.
// Positions that no page shows follow, so that no stored byte is left out.
void WriteNamedRights(const RightsTable& rights, CommandContext& context)
{
    const std::unique_ptr<WordTable> installed = LoadInstalledWords(context);
    const WordTable& words = *installed;
    for (const RightsPage& page : RightsPages()) {
        const std::string title = RightText(words, page.titleWord);
        const char* fileName = kProfileFiles[static_cast<size_t>(page.program)].fileName;
        for (const RightRow& right : page.rows) {
            WriteFields(context.out,
                { title, fileName, std::to_string(right.position),
                    rights.Get(page.program, right.position) != 0 ? "1" : "0", RightText(words, right.labelWord) });
        }
    }
    for (int program = 0; program < kProgramCount; ++program) {
        for (int position : UnshownPositions(program)) {
            WriteFields(context.out,
                { "-", kProfileFiles[static_cast<size_t>(program)].fileName, std::to_string(position),
                    rights.Get(program, position) != 0 ? "1" : "0",
                    "(no page of the console shows it; kept as stored)" });
        }
    }
}

void WriteRightsRows(const RightsTable& rights, CommandContext& context)
{
    for (int program = 0; program < kProgramCount; ++program) {
        const ProfileFile& profile = kProfileFiles[static_cast<size_t>(program)];
        WriteFields(context.out,
            { std::to_string(program), profile.fileName, RowText(rights.GetRow(program), profile.rowLength) });
    }
}

int Show(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const uint8_t number = GroupNumberOperand(arguments, 1);
    // One read of each file gives both the rights and the files that could not give theirs.
    RightsTable rights;
    std::string name;
    std::vector<ProfileStore::UnusableFile> unusable;
    const bool found = ProfileStore(NativePath(path)).ReadGroupRights(number, rights, name, &unusable);
    const bool allSound = WarnOfDamagedProfileFiles(unusable, context);
    if (!found)
        throw OperationFailed("no profile file holds group " + std::to_string(number));
    if (arguments.Has("--rows"))
        WriteRightsRows(rights, context);
    else
        WriteNamedRights(rights, context);
    return allSound ? kExitSuccess : kExitFailed;
}

int Save(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const uint8_t number = GroupNumberOperand(arguments, 1);
    const std::string name = StoredTextArgument("group name", arguments.Operand(2), limits::kGroupName);
    if (name.empty())
        throw UsageError("group name is empty");
    const auto changes = RightChanges(arguments);

    // The changes go into the rights as the files hold them at the moment of writing, all twelve held
    // at once, so that another program's change of other rights of the group is kept.
    RequireChanged(
        AccountService(NativePath(path), CommandTrail(context.err))
            .ChangeGroup(number, name, SaveMode::CreateOrReplace, [&](int program, std::span<unsigned char> rights) {
                for (const auto& [right, value] : changes)
                    if (right.program == program)
                        rights[static_cast<size_t>(right.position)] = value;
            }));
    return kExitSuccess;
}

int Delete(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    const uint8_t number = GroupNumberOperand(arguments, 1);
    const std::vector<uint8_t> groups { number };
    const Status deleted = AccountService(NativePath(path), CommandTrail(context.err)).DeleteGroups(groups);
    if (!deleted && deleted.Error().refusal == Failure::Refusal::NotFound)
        throw OperationFailed("no profile file holds group " + std::to_string(number));
    RequireChanged(deleted);
    return kExitSuccess;
}

std::string ProgramTable()
{
    std::string table = "Programs (P: profile file, positions):\n";
    for (int program = 0; program < kProgramCount; ++program) {
        const ProfileFile& profile = kProfileFiles[static_cast<size_t>(program)];
        table += "  " + std::to_string(program) + ": " + profile.fileName + ", 0.."
            + std::to_string(profile.rowLength - 1) + "\n";
    }
    return table;
}

} // namespace

std::vector<Command> GroupCommands()
{
    return {
        {
            "groups",
            "list",
            "PATH",
            "list the groups of a login path",
            "Prints one line per group that \"setup.prf\" holds, in ascending number: number, name.\n"
            "Exit status 1 if there is none.\n",
            { { "PATH" }, {}, {} },
            List,
        },
        {
            "groups",
            "show",
            "PATH N [--rows]",
            "show the rights of a group",
            "Prints one line per right, in the order of the console's rights pages: page, profile file,\n"
            "position, 0 (denied) or 1 (granted), and the right's text. Positions that no page shows follow,\n"
            "with \"-\" for their page. With --rows, prints 12 lines instead, one per program: program index,\n"
            "profile file, and the rights the console reads from that file, one character per position.\n"
            "Exit status 1 if no profile file holds group N, or if a damaged profile file had to be shown as\n"
            "all zero.\n",
            { { "PATH", "N" }, { { "--rows", false, false } }, {} },
            Show,
        },
        {
            "groups",
            "save",
            "PATH N NAME [--grant P:POS]... [--revoke P:POS]...",
            "create a group, or change its name and rights",
            "Starts from the rights group N has now (all denied for a new group), grants and revokes the\n"
            "positions given, and writes the group under NAME (at most 99 bytes) into all twelve profile\n"
            "files, creating missing ones: all twelve or none. Nothing is written if any profile file is\n"
            "damaged or cannot be written; the message names it.\n"
                + ProgramTable(),
            { { "PATH", "N", "NAME" }, { { "--grant", true, true }, { "--revoke", true, true } }, {} },
            Save,
        },
        {
            "groups",
            "delete",
            "PATH N",
            "delete a group",
            "Deletes group N from every profile file that holds it. Exit status 1 if none does; nothing is\n"
            "deleted if any profile file is damaged.\n",
            { { "PATH", "N" }, {}, {} },
            Delete,
        },
    };
}

} // namespace custodia::cli
