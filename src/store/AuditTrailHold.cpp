#include "store/AuditTrailHold.h"

#include "platform/Failure.h"
#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "store/AuditTrailHead.h"
#include "store/AuditTrailSettings.h"

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <unistd.h>

namespace custodia {

namespace {

constexpr unsigned kAppendFlags = openflags::kReadWrite | openflags::kShareExclusive | openflags::kBinary
    | openflags::kCreate | openflags::kNoTruncate;
const char* const kWriteOperation = "write the audit trail";

Failure TrailFailure(const NativePath& fileName, const OpenError& error)
{
    Failure failure;
    failure.operation = kWriteOperation;
    failure.fileName = fileName;
    failure.cause = error.cause;
    failure.systemError = error.systemError;
    failure.detail = DescribeOpenError(error);
    if (error.refusal == OpenError::Refusal::Cancelled)
        failure.refusal = Failure::Refusal::Cancelled;
    return failure;
}

Failure WriteFailure(const NativePath& fileName, const FileException& error)
{
    Failure failure;
    failure.operation = kWriteOperation;
    failure.fileName = fileName;
    failure.cause = error.cause();
    failure.detail = DescribeFileCause(error.cause());
    return failure;
}

std::string TailOf(File& file, uint64_t length, uint64_t& from)
{
    from = length > audittrail::kTailWindow ? length - audittrail::kTailWindow : 0;
    std::string tail(static_cast<size_t>(length - from), '\0');
    file.Seek(static_cast<int64_t>(from), File::SeekFrom::Begin);
    tail.resize(file.Read(tail.data(), tail.size()));
    return tail;
}

std::string ProgramOfExecutable()
{
    const std::string path = ExecutablePath();
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // The console's trail lines say what the person used, not what the file is called.
    return name == "custodia" ? std::string("console") : name;
}

// The reason a change should go ahead without its line and the caller be told, or the refusal.
Status UnloggedOrRefused(const NativePath& loginPath, const TrailOptions& options, Failure failure)
{
    if (!AllowsChangesWithoutTrail(loginPath))
        return failure;
    if (options.unlogged)
        options.unlogged(failure);
    return {};
}

} // namespace

TrailHold::TrailHold(const NativePath& loginPath, const FileEnvironment& environment)
    : m_fileName(JoinPath(loginPath, audittrail::kFileName))
    , m_file(environment)
{
}

Status TrailHold::Take()
{
    // A login path without a trail gets one with its first line, not before: a change that fails
    // then leaves the folder as it was. Whether the file can be made is asked now, so that a folder
    // that would refuse it refuses the change first.
    std::error_code error;
    // Whatever stands at the name, a link to nothing included, is opened and refused as it deserves.
    if (!std::filesystem::exists(std::filesystem::symlink_status(m_fileName.Bytes(), error))) {
        const std::string folder = m_fileName.Bytes().substr(0, m_fileName.Bytes().rfind('/') + 1);
        if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
            OpenError refused;
            refused.cause = kCauseAccessDenied;
            refused.systemError = errno;
            return TrailFailure(m_fileName, refused);
        }
        m_deferred = true;
        return {};
    }
    return Hold();
}

Status TrailHold::Hold()
{
    try {
        if (!m_file.OpenWithRetry(m_fileName, kAppendFlags))
            return TrailFailure(m_fileName, m_file.LastOpenError());
        m_length = m_file.GetLength();
        if (m_length > audittrail::kMaxFileLength)
            return Refused(Failure::Refusal::Damaged, kWriteOperation, m_fileName, "larger than any trail can be");
        uint64_t from = 0;
        const std::string tail = TailOf(m_file, m_length, from);
        const std::optional<std::string> previous = LastTrailHash(tail, from == 0);
        if (!previous)
            return Refused(Failure::Refusal::Damaged, kWriteOperation, m_fileName,
                "its last line is not a whole line of the trail ('custodiactl audit verify' says where it breaks)");
        m_lastHash = *previous;
    } catch (const FileException& error) {
        return WriteFailure(m_fileName, error);
    }
    m_deferred = false;
    return {};
}

Result<std::string> TrailHold::ReadFrom(uint64_t offset)
{
    if (m_deferred || offset >= m_length)
        return std::string();
    std::string text(static_cast<size_t>(m_length - offset), '\0');
    try {
        m_file.Seek(static_cast<int64_t>(offset), File::SeekFrom::Begin);
        text.resize(m_file.Read(text.data(), text.size()));
    } catch (const FileException& error) {
        return WriteFailure(m_fileName, error);
    }
    return text;
}

Status TrailHold::Append(std::vector<TrailEntry>& entries)
{
    if (m_deferred) {
        if (const Status held = Hold(); !held)
            return held;
    }
    const std::string lines = FormatTrailLines(entries, m_lastHash);
    try {
        m_file.WriteAt(m_length, lines.data(), lines.size());
        m_file.Flush();
    } catch (const FileException& error) {
        return WriteFailure(m_fileName, error);
    }
    m_length += lines.size();
    if (!entries.empty())
        m_lastHash = entries.back().hash;
    return {};
}

Status AppendToTrail(const NativePath& loginPath, TrailEntry& entry)
{
    TrailHold hold(loginPath, FileEnvironment::System());
    if (const Status held = hold.Take(); !held)
        return held;
    std::vector<TrailEntry> entries { entry };
    const Status appended = hold.Append(entries);
    entry = entries.front();
    return appended;
}

TrailOptions ProcessTrailOptions()
{
    TrailOptions options;
    options.actor = CurrentActor(ProgramOfExecutable(), {});
    return options;
}

Status ChangeWithTrail(const NativePath& loginPath, const TrailOptions& options, const FileEnvironment& environment,
    const LoggedChange& change)
{
    std::error_code missing;
    // A folder that is not there holds no files to change either: the change fails with its own cause.
    if (!std::filesystem::is_directory(loginPath.Bytes(), missing)) {
        std::vector<TrailEntry> ignored;
        return change(ignored);
    }
    TrailHold hold(loginPath, environment);
    const Status held = hold.Take();
    if (!held) {
        if (held.Error().refusal == Failure::Refusal::Cancelled)
            return held;
        if (const Status allowed = UnloggedOrRefused(loginPath, options, held.Error()); !allowed)
            return allowed;
        std::vector<TrailEntry> ignored;
        return change(ignored);
    }
    std::vector<TrailEntry> entries;
    const Status changed = change(entries);
    if (!changed || entries.empty())
        return changed;
    const long long now = options.clock ? options.clock() : static_cast<long long>(std::time(nullptr));
    // One moment for the whole change, stamped once: an import writes thousands of lines.
    TrailEntry stamp;
    StampTrailEntry(stamp, now);
    for (TrailEntry& entry : entries) {
        entry.time = stamp.time;
        entry.offset = stamp.offset;
        entry.actor = options.actor;
    }
    // The change has taken effect: a trail that fails now is told, never turned into a failure of a
    // change that was made.
    if (const Status appended = hold.Append(entries); !appended) {
        if (options.unlogged)
            options.unlogged(appended.Error());
        return {};
    }
    RememberTrailHead(loginPath, hold.LastHash());
    return {};
}

} // namespace custodia
