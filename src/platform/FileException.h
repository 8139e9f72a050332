#pragma once

#include <stdexcept>
#include <string>

namespace custodia {

// Cause codes of a failed file operation. The numbers are part of the error log's format and of the
// retry policy, so they are fixed.
enum FileCause : int {
    kCauseNone = 0,
    kCauseGeneric = 1,
    kCauseFileNotFound = 2,
    kCauseBadPath = 3,
    kCauseTooManyOpenFiles = 4,
    kCauseAccessDenied = 5,
    kCauseInvalidFile = 6,
    kCauseRemoveCurrentDir = 7,
    kCauseDirectoryFull = 8,
    kCauseBadSeek = 9,
    kCauseHardIo = 10,
    kCauseSharingViolation = 11,
    kCauseLockViolation = 12,
    kCauseDiskFull = 13,
    kCauseEndOfFile = 14,
};

// Thrown by a file operation that fails after the file was opened. The store lets it pass; every UI
// command and every custodiactl command catches it and reports it with the file name.
class FileException final : public std::runtime_error {
public:
    FileException(int cause, std::string fileName);

    int cause() const { return m_cause; }
    const std::string& fileName() const { return m_fileName; }

private:
    int m_cause;
    std::string m_fileName;
};

// Short readable text for a cause code, for messages to people.
const char* DescribeFileCause(int cause);

} // namespace custodia
