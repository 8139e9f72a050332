#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "platform/CodePage.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/AccountService.h"
#include "store/GroupRecord.h"
#include "store/Leftovers.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/PasswordImage.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <ostream>

namespace custodia::cli {

namespace {

// A file that cannot be opened is told apart from a damaged one: whoever reads the report acts on it.
const char* UnopenableState(int cause)
{
    switch (cause) {
    case kCauseSharingViolation:
    case kCauseLockViolation:
        return "in use";
    case kCauseAccessDenied:
        return "no permission";
    default:
        return "unreadable";
    }
}

// Prints one line for the file; true if it is fine.
bool Report(std::ostream& out, const std::string& name, const FileReadResult& check)
{
    if (check.status == FileReadStatus::Missing) {
        WriteFields(out, { name, "missing" });
        return false;
    }
    if (check.status == FileReadStatus::Unopenable) {
        WriteFields(out, { name, UnopenableState(check.cause), check.problem });
        return false;
    }
    if (!check.WasRead()) {
        WriteFields(out, { name, "damaged", check.problem });
        return false;
    }
    WriteFields(out, { name, "ok" });
    return true;
}

bool HasControlCharacter(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// Texts that are not what the console would store: control characters (which another program may have
// put there to forge output) and UTF-8 written by an older version, which the suite's programs show
// garbled. Warnings only: the files are sound.
void WarnOfText(std::ostream& out, const std::string& file, const std::string& owner, const std::string& field,
    const std::string& text)
{
    if (HasControlCharacter(text))
        WriteFields(out, { file, "warning", owner + ": " + field + " holds control characters" });
    else if (LooksLikeUtf8(text))
        WriteFields(out,
            { file, "warning", owner + ": " + field + " holds UTF-8 bytes, which the suite's programs show garbled" });
}

// The groups of "setup.prf" as its check read them, or none when it could not be read whole.
// The users as the check read them when the file is sound; any other is read again as the store reads it.
void WarnOfStoredTexts(std::ostream& out, const std::string& path, std::optional<std::vector<UserEntry>> read,
    const std::vector<GroupEntry>& groups)
{
    const Result<std::vector<UserEntry>> users
        = read ? Result<std::vector<UserEntry>>(std::move(*read)) : AccountService { NativePath(path) }.LoadUsers();
    for (const UserEntry& entry : users ? *users : std::vector<UserEntry>()) {
        const std::string owner = "user '" + FromStored(entry.user.userName) + "'";
        WarnOfText(out, passwordfile::kFileName, owner, "name", entry.user.userName);
        WarnOfText(out, passwordfile::kFileName, owner, "full name", entry.user.fullName);
        WarnOfText(out, passwordfile::kFileName, owner, "description", entry.user.description);
    }
    for (const GroupEntry& group : groups)
        WarnOfText(out, kProfileFiles[kProgramSetup].fileName, "group " + std::to_string(group.groupNumber), "name",
            group.name);
}

int Verify(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = FolderOperand(arguments, 0);
    // Without a user file the folder is no login path at all, so its absence counts.
    std::vector<unsigned char> userBytes;
    const PasswordFileCheck users = InspectPasswordFile(path, &userBytes);
    FileReadResult usersCheck;
    if (users.state == PasswordFileState::Missing)
        usersCheck.status = FileReadStatus::Missing;
    else if (users.state == PasswordFileState::Unreadable)
        usersCheck = { FileReadStatus::Unopenable, users.reason, users.openError.cause };
    else if (!users.IsSound())
        usersCheck = { FileReadStatus::Damaged, users.reason };
    bool allGood = Report(context.out, passwordfile::kFileName, usersCheck);

    // Each file is read once: the group names are warned of from the image the check read.
    std::vector<GroupEntry> groups;
    for (const std::string& name : RecordFileNames()) {
        std::vector<unsigned char> image;
        const FileReadResult check = ReadRecordFileImage(JoinPath(path, name), image);
        if (check.WasRead() && name == kProfileFiles[kProgramSetup].fileName)
            groups = GroupEntriesIn(image);
        if (check.status != FileReadStatus::Missing)
            allGood = Report(context.out, name, check) && allGood;
    }
    std::optional<std::vector<UserEntry>> soundUsers;
    if (users.IsSound())
        soundUsers = ParseUsers(PasswordImage(userBytes));
    WarnOfStoredTexts(context.out, path, std::move(soundUsers), groups);
    for (const Leftover& leftover : FindLeftovers(path, RecordFileNames(), std::time(nullptr)))
        WriteFields(context.out, { leftover.name, "leftover", leftover.what });
    return allGood ? kExitSuccess : kExitFailed;
}

} // namespace

std::vector<Command> VerifyCommands()
{
    return { {
        "verify",
        "",
        "PATH",
        "check the shared files of a login path for damage",
        "Checks \"tessel.pwd\" (header, record count, whole records) and every record file present in PATH\n"
        "(the profile files, \"tessel.dbs\", \"officena.mes\" and \"custo.cfg\": checksum, header record,\n"
        "stored length, and that the records run back to back to the end). Prints one line per file: its\n"
        "name, then \"ok\", \"missing\" (for \"tessel.pwd\" only), \"in use\" (held by another program for 30\n"
        "seconds), \"no permission\", \"unreadable\" or \"damaged\", and the reason. Then one \"warning\" line\n"
        "per stored name or text that holds control characters or UTF-8 bytes written by an older version\n"
        "(warnings do not change the exit status). Then one \"leftover\" line per file that a program of\n"
        "ours left when it stopped while making a file or starting a change (a new file or change marker\n"
        "older than ten minutes that nobody uses; harmless, and not counted in the exit status). Changes\n"
        "nothing; \"custodiactl repair\" mends what a program that died while changing a file left.\n"
        "Exit status 1 if any file is damaged or \"tessel.pwd\" is missing.\n",
        { { "PATH" }, {}, {} },
        Verify,
    } };
}

} // namespace custodia::cli
