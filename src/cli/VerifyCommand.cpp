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

// A journal that recovery only removes, or nothing.
const char* LeftoverJournal(JournalRecovery action)
{
    switch (action) {
    case JournalRecovery::Discarded:
        return "the torn journal of a change that never began";
    case JournalRecovery::Committed:
        return "the journal of a finished change of several files";
    case JournalRecovery::NothingToUndo:
        return "the journal of a change cut short, of which the file holds nothing,";
    default:
        return nullptr;
    }
}

// A journal that the next program of ours to open the file plays back or keeps aside: the file as it
// is now is not what it will be, so only that is reported. False: the file is not settled.
bool ReportUnfinished(std::ostream& out, const std::string& name, const JournalPlan& journal)
{
    if (journal.action == JournalRecovery::RolledBack)
        WriteFields(out,
            { name, "unfinished",
                "a change cut short by a program that died; the next command on this file, or "
                "\"custodiactl repair\", undoes it from its journal" });
    else
        WriteFields(out,
            { name, "unfinished",
                "a change cut short by a program that died, which cannot be undone, as " + journal.detail
                    + "; the next command on this file keeps the journal aside and leaves the file "
                      "as it is" });
    return false;
}

// Journals an earlier recovery kept aside: only a person can settle them.
bool ReportKeptJournals(std::ostream& out, const std::string& name, const std::string& fileName,
    const std::vector<std::string>& folderEntries)
{
    const std::vector<std::string> kept = KeptJournalNames(fileName, folderEntries);
    for (const std::string& journal : kept)
        WriteFields(out,
            { name, "kept journal",
                journal
                    + ": a change cut short was not undone, as the file was changed since by "
                      "another program; compare the journal with the file, then remove it" });
    return kept.empty();
}

// Prints one line for the file; true if it is fine.
bool Report(std::ostream& out, const std::string& name, const FileReadResult& check, const JournalPlan& journal = {})
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
    if (const char* leftover = LeftoverJournal(journal.action))
        WriteFields(
            out, { name, "ok", std::string(leftover) + " lies beside it; the next command on this file removes it" });
    else
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

    // Each file is read once, and the folder listed once: the group names are warned of from the image
    // the check read.
    const std::vector<std::string> folderEntries = FolderEntryNames(path);
    std::vector<GroupEntry> groups;
    for (const std::string& name : RecordFileNames()) {
        const std::string fileName = JoinPath(path, name);
        std::vector<unsigned char> image;
        JournalPlan journal;
        const FileReadResult check = ReadRecordFileAsFound(fileName, image, journal);
        if (check.WasRead() && name == kProfileFiles[kProgramSetup].fileName
            && journal.action != JournalRecovery::RolledBack)
            groups = GroupEntriesIn(image);
        if (journal.action == JournalRecovery::RolledBack || journal.action == JournalRecovery::KeptAside)
            allGood = ReportUnfinished(context.out, name, journal) && allGood;
        else if (check.status != FileReadStatus::Missing)
            allGood = Report(context.out, name, check, journal) && allGood;
        allGood = ReportKeptJournals(context.out, name, fileName, folderEntries) && allGood;
    }
    std::optional<std::vector<UserEntry>> soundUsers;
    if (users.IsSound())
        soundUsers = ParseUsers(PasswordImage(userBytes));
    WarnOfStoredTexts(context.out, path, std::move(soundUsers), groups);
    for (const Leftover& leftover : FindLeftovers(path, RecordFileNames(), std::time(nullptr), folderEntries))
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
        "(warnings do not change the exit status). A record file with the journal of a change that a program\n"
        "of ours died making is reported as \"unfinished\" (with what the next command on it will do: undo\n"
        "the change, or, when another program changed the file since, keep the journal aside and leave the\n"
        "file as it is), and one beside which such a journal was kept aside as \"kept journal\". Then one\n"
        "\"leftover\" line per file that a program of ours left when it stopped while making a file or\n"
        "starting a change (a new file or change marker older than ten minutes that nobody uses; harmless,\n"
        "and not counted in the exit status).\n"
        "Changes nothing, journals included; \"custodiactl repair\" mends what a program that died while\n"
        "changing a file left.\n"
        "Exit status 1 if any file is damaged or unfinished, has a kept journal, or \"tessel.pwd\" is missing.\n",
        { { "PATH" }, {}, {} },
        Verify,
    } };
}

} // namespace custodia::cli
