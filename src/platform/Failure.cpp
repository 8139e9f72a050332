#include "platform/Failure.h"

#include "platform/FileException.h"

#include <cerrno>
#include <cstring>

namespace custodia {

namespace {

std::string CauseWords(const Failure& failure)
{
    switch (failure.refusal) {
    case Failure::Refusal::Damaged:
        return failure.detail.empty() ? "damaged" : "damaged (" + failure.detail + ")";
    case Failure::Refusal::NotFound:
        return failure.detail.empty() ? "not found" : failure.detail;
    case Failure::Refusal::AlreadyExists:
        return failure.detail.empty() ? "already exists" : failure.detail;
    case Failure::Refusal::BadValue:
        return failure.detail.empty() ? "a value that cannot be stored" : failure.detail;
    case Failure::Refusal::Cancelled:
        return failure.detail.empty() ? "given up while waiting for the file" : failure.detail;
    default:
        return failure.detail.empty() ? DescribeFileCause(failure.cause) : failure.detail;
    }
}

} // namespace

std::string SystemErrorName(int error)
{
    // The names people search for; EAGAIN and EWOULDBLOCK are one number here, and a held file is what
    // that number means to this program.
    switch (error) {
    case EWOULDBLOCK:
        return "EWOULDBLOCK";
    case EACCES:
        return "EACCES";
    case EPERM:
        return "EPERM";
    case ENOENT:
        return "ENOENT";
    case EEXIST:
        return "EEXIST";
    case ENOTDIR:
        return "ENOTDIR";
    case EISDIR:
        return "EISDIR";
    case EROFS:
        return "EROFS";
    case ENOSPC:
        return "ENOSPC";
    case EDQUOT:
        return "EDQUOT";
    case EMFILE:
        return "EMFILE";
    case ENFILE:
        return "ENFILE";
    case EIO:
        return "EIO";
    case ELOOP:
        return "ELOOP";
    case ENAMETOOLONG:
        return "ENAMETOOLONG";
    case EINTR:
        return "EINTR";
    case EBUSY:
        return "EBUSY";
    case ETXTBSY:
        return "ETXTBSY";
    case ENXIO:
        return "ENXIO";
    case EINVAL:
        return "EINVAL";
    case ETIMEDOUT:
        return "ETIMEDOUT";
    case ECONNRESET:
        return "ECONNRESET";
    case ECONNABORTED:
        return "ECONNABORTED";
    case EHOSTDOWN:
        return "EHOSTDOWN";
    case EHOSTUNREACH:
        return "EHOSTUNREACH";
    case ENETDOWN:
        return "ENETDOWN";
    case ENETUNREACH:
        return "ENETUNREACH";
    case ESTALE:
        return "ESTALE";
    case ENOLCK:
        return "ENOLCK";
    default:
        return "errno " + std::to_string(error);
    }
}

std::string DescribeFailure(const Failure& failure)
{
    std::string text;
    if (!failure.fileName.IsEmpty())
        text = failure.fileName.Bytes() + ": ";
    if (!failure.operation.empty())
        text += failure.operation + ": ";
    text += CauseWords(failure);
    if (failure.systemError != 0)
        text += " (" + SystemErrorName(failure.systemError) + ")";
    return text;
}

Failure OpenFailure(std::string operation, const std::string& fileName, const OpenError& error)
{
    Failure failure;
    failure.operation = std::move(operation);
    failure.fileName = NativePath(fileName);
    failure.cause = error.cause;
    failure.systemError = error.systemError;
    switch (error.refusal) {
    case OpenError::Refusal::NotRegularFile:
        failure.refusal = Failure::Refusal::NotRegularFile;
        break;
    case OpenError::Refusal::DanglingLink:
        failure.refusal = Failure::Refusal::DanglingLink;
        break;
    case OpenError::Refusal::Cancelled:
        failure.refusal = Failure::Refusal::Cancelled;
        break;
    case OpenError::Refusal::None:
        break;
    }
    failure.detail = error.cause == kCauseFileNotFound ? "no such file" : DescribeOpenError(error);
    return failure;
}

Failure Refused(Failure::Refusal refusal, std::string operation, const std::string& fileName, std::string detail)
{
    Failure failure;
    failure.operation = std::move(operation);
    failure.fileName = NativePath(fileName);
    failure.refusal = refusal;
    failure.detail = std::move(detail);
    return failure;
}

bool IsMissingFile(const Failure& failure)
{
    return failure.refusal == Failure::Refusal::None && failure.cause == kCauseFileNotFound;
}

} // namespace custodia
