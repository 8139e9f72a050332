#include "store/FileReadResult.h"

#include "platform/Failure.h"
#include "platform/FileException.h"

#include <string_view>

namespace custodia {

FileReadResult ReadResultOf(const Failure& failure)
{
    if (IsMissingFile(failure))
        return { FileReadStatus::Missing, "no such file" };
    if (failure.refusal == Failure::Refusal::Damaged)
        return { FileReadStatus::Damaged, failure.detail };
    OpenError error { failure.cause, failure.systemError, OpenError::Refusal::None, {} };
    if (failure.refusal == Failure::Refusal::NotRegularFile)
        error.refusal = OpenError::Refusal::NotRegularFile;
    else if (failure.refusal == Failure::Refusal::DanglingLink)
        error.refusal = OpenError::Refusal::DanglingLink;
    return { FileReadStatus::Unopenable, "cannot be opened: " + failure.detail, failure.cause, error };
}

std::optional<Failure> FailureOfRead(
    const std::string& operation, const std::string& fileName, const FileReadResult& read)
{
    static constexpr std::string_view kOpenPrefix = "cannot be opened: ";
    switch (read.status) {
    case FileReadStatus::Read:
        return std::nullopt;
    case FileReadStatus::Damaged:
        return Refused(Failure::Refusal::Damaged, operation, fileName, read.problem);
    case FileReadStatus::Missing: {
        Failure missing = Refused(Failure::Refusal::None, operation, fileName, "no such file");
        missing.cause = kCauseFileNotFound;
        return missing;
    }
    case FileReadStatus::Unopenable:
        break;
    }
    const std::string_view problem = read.problem;
    Failure failure = Refused(Failure::Refusal::None, operation, fileName,
        std::string(problem.starts_with(kOpenPrefix) ? problem.substr(kOpenPrefix.size()) : problem));
    failure.cause = read.cause;
    failure.systemError = read.openError.systemError;
    return failure;
}

} // namespace custodia
