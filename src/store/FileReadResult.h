#pragma once

#include "platform/File.h"
#include "platform/Result.h"

#include <optional>
#include <string>

namespace custodia {

// How reading one shared file went.
enum class FileReadStatus {
    Read, // the file was there and sound; what it holds may still be nothing
    Missing,
    Unopenable, // there, but it could not be opened (held, no access)
    Damaged, // opened, but not in the format, cut short, or changed while it was read
};

// The outcome of reading a file, so that callers tell an empty file from one that could not be used
// without reading it a second time.
struct FileReadResult {
    FileReadStatus status = FileReadStatus::Read;
    std::string problem; // why the file was not read, for people; empty when it was
    int cause = 0; // cause code of the failed open when Unopenable, so that a held file tells from a locked one
    OpenError openError {}; // that open's own error, when it was an open that failed

    bool WasRead() const { return status == FileReadStatus::Read; }
    // Missing files are a normal state of a fresh login path; only these two hide data.
    bool IsUnusable() const { return status == FileReadStatus::Unopenable || status == FileReadStatus::Damaged; }
};

// How reading went, from the failure of a read that did not succeed: a missing file, one that could
// not be opened, or one that was damaged, in the readers' own words.
FileReadResult ReadResultOf(const Failure& failure);
// The other way round: the failure of a read that went as `read` says, for callers that report
// Failures. Nothing for a read that succeeded.
std::optional<Failure> FailureOfRead(
    const std::string& operation, const std::string& fileName, const FileReadResult& read);

// What a loader read, together with how the reading went. The value is empty (or all zero) unless the
// status says otherwise.
template <typename T> struct Loaded : FileReadResult {
    T value {};
};

} // namespace custodia
