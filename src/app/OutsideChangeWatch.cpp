#include "app/OutsideChangeWatch.h"

#include "platform/FileException.h"
#include "store/OutsideChangeLog.h"

namespace custodia {

bool OutsideChangeWatch::Knows(const NativePath& loginPath) const
{
    return m_lastRead.contains(loginPath.Bytes());
}

void OutsideChangeWatch::NoteShown(const NativePath& loginPath, const FileEnvironment& environment)
{
    if (Knows(loginPath))
        return;
    try {
        m_lastRead.emplace(loginPath.Bytes(), ReadAccountSnapshot(loginPath, environment));
    } catch (const FileException&) {
        // A read that broke off notes nothing; the next look starts from there.
    }
}

Result<size_t> OutsideChangeWatch::LookAgain(
    const NativePath& loginPath, const TrailOptions& trail, const FileEnvironment& environment)
{
    const auto last = m_lastRead.find(loginPath.Bytes());
    if (last == m_lastRead.end()) {
        NoteShown(loginPath, environment);
        return size_t { 0 };
    }
    try {
        return NoteOutsideChanges(loginPath, last->second, trail, environment);
    } catch (const FileException& error) {
        Failure failure;
        failure.operation = "read the accounts again";
        failure.fileName = NativePath(error.fileName());
        failure.cause = error.cause();
        failure.detail = DescribeFileCause(error.cause());
        return failure;
    }
}

} // namespace custodia
