#include "cli/FileChecks.h"

#include "cli/Command.h"
#include "cli/TextLimits.h"
#include "platform/Failure.h"
#include "platform/SharedFile.h"
#include "store/DatabaseList.h"
#include "store/LoginPathList.h"
#include "store/OfficeNameList.h"
#include "store/PasswordFileCheck.h"
#include "store/ProgramIndex.h"
#include "store/RecordFile.h"

#include <sys/stat.h>

namespace custodia::cli {

namespace {

bool IsFolder(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileReadStatus StatusOf(PasswordFileState state)
{
    switch (state) {
    case PasswordFileState::Missing:
        return FileReadStatus::Missing;
    case PasswordFileState::Unreadable:
        return FileReadStatus::Unopenable;
    case PasswordFileState::TooLarge:
    case PasswordFileState::HeaderShort:
    case PasswordFileState::WrongTitle:
        return FileReadStatus::Damaged;
    default:
        return FileReadStatus::Read;
    }
}

} // namespace

FileReadResult CheckPasswordFile(const std::string& loginPath)
{
    const PasswordFileCheck inspected = InspectPasswordFile(loginPath);
    FileReadResult read { StatusOf(inspected.state), {} };
    if (!read.WasRead())
        read.problem = inspected.reason;
    if (read.status == FileReadStatus::Unopenable)
        read.cause = inspected.openError.cause;
    return read;
}

std::string DescribeProblem(const FileReadResult& read)
{
    switch (read.status) {
    case FileReadStatus::Missing:
        return "no such file";
    case FileReadStatus::Unopenable:
        return read.problem;
    default:
        return "damaged (" + read.problem + ")";
    }
}

std::string FailureMessage(const Failure& failure, const std::string& consequence)
{
    if (failure.refusal == Failure::Refusal::Damaged)
        return failure.fileName.Bytes() + ": damaged (" + failure.detail + ")" + consequence;
    if (IsMissingFile(failure))
        return failure.fileName.Bytes() + ": no such file" + consequence;
    return DescribeFailure(failure) + consequence;
}

void Require(const Status& status, const std::string& consequence)
{
    if (!status)
        throw OperationFailed(FailureMessage(status.Error(), consequence));
}

void RequireUsable(const std::string& fileName, const FileReadResult& read, const std::string& consequence)
{
    if (read.IsUnusable())
        throw OperationFailed(fileName + ": " + DescribeProblem(read) + consequence);
}

std::vector<std::string> RecordFileNames()
{
    std::vector<std::string> names;
    for (const ProfileFile& profile : kProfileFiles)
        names.emplace_back(profile.fileName);
    names.emplace_back(databaselist::kFileName);
    names.emplace_back(officenames::kFileName);
    names.emplace_back(loginpaths::kFileName);
    return names;
}

std::string FolderOperand(const ParsedArguments& arguments, size_t index, const std::string& what)
{
    const std::string& path = arguments.Operand(index);
    CheckText(what, path, limits::kLoginPath);
    if (path.empty())
        throw UsageError(what + " is empty");
    if (!IsFolder(path))
        throw OperationFailed(path + ": no such folder");
    return path;
}

std::string LoginPathOperand(const ParsedArguments& arguments, size_t index, const std::string& what)
{
    std::string path = FolderOperand(arguments, index, what);
    RecoverAbandonedChanges(path, RecordFileNames(), FileEnvironment::System());
    return path;
}

} // namespace custodia::cli
