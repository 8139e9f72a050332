#include "platform/FileException.h"

namespace custodia {

namespace {

std::string MakeMessage(int cause, const std::string& fileName)
{
    return fileName + ": " + DescribeFileCause(cause);
}

} // namespace

FileException::FileException(int cause, std::string fileName)
    : std::runtime_error(MakeMessage(cause, fileName))
    , m_cause(cause)
    , m_fileName(std::move(fileName))
{
}

const char* DescribeFileCause(int cause)
{
    switch (cause) {
    case kCauseNone:
        return "no error";
    case kCauseGeneric:
        return "file error";
    case kCauseFileNotFound:
        return "file not found";
    case kCauseBadPath:
        return "bad path";
    case kCauseTooManyOpenFiles:
        return "too many open files";
    case kCauseAccessDenied:
        return "access denied";
    case kCauseInvalidFile:
        return "invalid file";
    case kCauseRemoveCurrentDir:
        return "cannot remove the current directory";
    case kCauseDirectoryFull:
        return "directory full";
    case kCauseBadSeek:
        return "bad seek";
    case kCauseHardIo:
        return "input/output error";
    case kCauseSharingViolation:
        return "in use by another program";
    case kCauseLockViolation:
        return "lock violation";
    case kCauseDiskFull:
        return "disk full";
    case kCauseEndOfFile:
        return "unexpected end of file";
    default:
        return "unknown file error";
    }
}

} // namespace custodia
