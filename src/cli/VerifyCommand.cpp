#include "cli/Command.h"
#include "cli/FileChecks.h"
#include "cli/Output.h"
#include "platform/Platform.h"
#include "store/DatabaseList.h"
#include "store/PasswordFile.h"
#include "store/PasswordFileCheck.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"

#include <ostream>

namespace custodia::cli {

namespace {

// Prints one line for the file; true if it is fine.
bool Report(std::ostream& out, const std::string& name, const FileReadResult& check)
{
    if (check.status == FileReadStatus::Missing) {
        WriteFields(out, { name, "missing" });
        return false;
    }
    if (!check.WasRead()) {
        WriteFields(out, { name, "damaged", check.problem });
        return false;
    }
    WriteFields(out, { name, "ok" });
    return true;
}

int Verify(const ParsedArguments& arguments, CommandContext& context)
{
    const std::string path = LoginPathOperand(arguments, 0);
    // Without a user file the folder is no login path at all, so its absence counts.
    const PasswordFileCheck users = InspectPasswordFile(path);
    FileReadResult usersCheck;
    if (users.state == PasswordFileState::Missing)
        usersCheck.status = FileReadStatus::Missing;
    else if (!users.IsSound())
        usersCheck = { FileReadStatus::Damaged, users.reason };
    bool allGood = Report(context.out, passwordfile::kFileName, usersCheck);

    std::vector<std::string> recordFiles;
    for (const ProfileFile& profile : kProfileFiles)
        recordFiles.emplace_back(profile.fileName);
    recordFiles.emplace_back(databaselist::kFileName);
    for (const std::string& name : recordFiles) {
        const FileReadResult check = InspectRecordFile(JoinPath(path, name));
        if (check.status != FileReadStatus::Missing)
            allGood = Report(context.out, name, check) && allGood;
    }
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
        "(the profile files and \"tessel.dbs\": checksum, header record, stored length). Prints one line per\n"
        "file: its name, then \"ok\", \"missing\" (for \"tessel.pwd\" only), or \"damaged\" and the reason.\n"
        "Changes nothing.\n"
        "Exit status 1 if any file is damaged or \"tessel.pwd\" is missing.\n",
        { { "PATH" }, {}, {} },
        Verify,
    } };
}

} // namespace custodia::cli
