#include "cli/FileChecks.h"

#include "cli/Command.h"
#include "cli/TextLimits.h"
#include "platform/FileException.h"
#include "store/PasswordFileCheck.h"
#include "store/RecordFile.h"
#include "store/SharedFile.h"

#include <sys/stat.h>
#include <vector>

namespace custodia::cli {

namespace {

constexpr unsigned kOpenForReading = openflags::kRead | openflags::kShareDenyNone | openflags::kBinary;

const char* DescribeVerifyResult(int result)
{
    switch (result) {
    case recordfile::kVerifyLengthWrong:
        return "stored length wrong";
    case recordfile::kVerifyChecksumWrong:
        return "checksum wrong";
    case recordfile::kVerifyNoHeader:
        return "no header record";
    default:
        return "not a record file";
    }
}

// Opens the file for reading; false with the check filled in when it is missing or cannot be opened.
bool OpenForCheck(SharedFile& file, const std::string& fileName, FileCheck& check)
{
    if (file.OpenWithRetry(fileName, kOpenForReading)) {
        check.present = true;
        return true;
    }
    if (file.LastCause() != kCauseFileNotFound) {
        check.present = true;
        check.damaged = true;
        check.unopenable = true;
        check.openCause = file.LastCause();
        check.reason = "cannot be opened: " + DescribeOpenError(file.LastOpenError());
    }
    return false;
}

bool IsFolder(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

FileCheck CheckRecordFile(const std::string& fileName)
{
    FileCheck check;
    SharedFile file;
    if (!OpenForCheck(file, fileName, check))
        return check;
    if (file.GetLength() > recordfile::kMaxFileLength) {
        check.damaged = true;
        check.reason = std::to_string(file.GetLength()) + " bytes, more than the "
            + std::to_string(recordfile::kMaxFileLength >> 20) + " MB any record file may hold";
        return check;
    }
    std::vector<unsigned char> image(static_cast<size_t>(file.GetLength()));
    if (file.Read(image.data(), image.size()) < image.size()) {
        check.damaged = true;
        check.reason = "changed while it was read";
        return check;
    }
    const int result = VerifyRecordImage(image.data(), image.size());
    if (result != recordfile::kVerifyOk) {
        check.damaged = true;
        check.reason = image.size() <= recordfile::kHeaderRecordOffset ? "too short" : DescribeVerifyResult(result);
    }
    return check;
}

FileCheck CheckPasswordFile(const std::string& loginPath)
{
    const PasswordFileCheck inspected = InspectPasswordFile(loginPath);
    FileCheck check;
    check.present = inspected.state != PasswordFileState::Missing;
    // A torn tail or a wrong record count is worth a report, but the store reads and writes such a file
    // soundly; only a file it would refuse counts as damaged here.
    check.damaged = inspected.state == PasswordFileState::Unreadable
        || inspected.state == PasswordFileState::HeaderShort || inspected.state == PasswordFileState::WrongTitle
        || inspected.state == PasswordFileState::TooLarge;
    check.unopenable = inspected.state == PasswordFileState::Unreadable;
    check.openCause = inspected.openError.cause;
    if (check.damaged)
        check.reason = inspected.reason;
    return check;
}

std::string DescribeProblem(const FileCheck& check)
{
    return check.unopenable ? check.reason : "damaged (" + check.reason + ")";
}

std::string OpenFailureCause(const std::string& fileName)
{
    const auto& failed = LastFailedOpen();
    if (!failed || failed->error.cause == kCauseFileNotFound)
        return {};
    const std::string cause = DescribeOpenError(failed->error);
    return failed->fileName == fileName ? ": " + cause : "; " + failed->fileName + ": " + cause;
}

namespace {

void RequireSound(const std::string& fileName, const std::string& consequence)
{
    const FileCheck check = CheckRecordFile(fileName);
    if (check.damaged)
        throw OperationFailed(fileName + ": " + DescribeProblem(check) + consequence);
}

} // namespace

void RequireUndamagedRecordFile(const std::string& fileName)
{
    RequireSound(fileName, "; nothing was changed");
}

void RequireReadableRecordFile(const std::string& fileName)
{
    RequireSound(fileName, "");
}

std::string LoginPathOperand(const ParsedArguments& arguments, size_t index, const std::string& what)
{
    const std::string& path = arguments.Operand(index);
    CheckText(what, path, limits::kLoginPath);
    if (path.empty())
        throw UsageError(what + " is empty");
    if (!IsFolder(path))
        throw OperationFailed(path + ": no such folder");
    return path;
}

} // namespace custodia::cli
