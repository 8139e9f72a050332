#include "platform/OpenFault.h"

#include "platform/FileException.h"
#include "platform/FileSystemKind.h"
#include "platform/Platform.h"

#include <cerrno>

namespace custodia {

namespace {

RetryRule RuleForCause(int cause)
{
    switch (cause) {
    // A bad path that is not a missing folder (a name too long) is given the few tries of the rule;
    // a missing folder stops at once (see ClassifyOpenFault).
    case kCauseNone:
    case kCauseBadPath:
        return RetryRule::Short;
    // Access denied on a local disk is permanent: a permission, a read-only mount or an immutable file
    // does not change within half a minute, and waiting only hides the cause from the person at the
    // screen. (On a share it is ridden out: see ClassifyOpenFault.)
    case kCauseAccessDenied:
        return RetryRule::Stop;
    case kCauseGeneric:
    case kCauseTooManyOpenFiles:
    case kCauseHardIo:
    case kCauseSharingViolation:
    case kCauseLockViolation:
        return RetryRule::Full;
    default:
        return RetryRule::Stop;
    }
}

bool IsPassingNetworkFault(int systemError, bool onShare)
{
    // A failing disk says EIO too: only on a share is it taken for the network.
    return IsNetworkError(systemError) || (systemError == EIO && onShare);
}

std::string FolderOf(const std::string& fileName)
{
    const auto slash = fileName.find_last_of(kPathSeparator);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string(1, kPathSeparator) : fileName.substr(0, slash);
}

} // namespace

OpenFault ClassifyOpenFault(int cause, int systemError, bool onShare)
{
    OpenFault fault { cause, RuleForCause(cause), false, false };
    if (cause == kCauseBadPath && (systemError == ENOENT || systemError == ENOTDIR)) {
        // The folder of the file is not there (or a file stands in its place): waiting does not make
        // it, and the person at the screen is owed the answer at once.
        fault.retry = RetryRule::Stop;
    } else if (systemError == ENOLCK) {
        fault.retry = RetryRule::Stop;
        fault.noLocking = true;
    } else if (IsPassingNetworkFault(systemError, onShare)) {
        fault.retry = RetryRule::Full;
        fault.passingNetworkFault = true;
    } else if (systemError == EACCES && onShare) {
        // A share may refuse while a peer holds the file, or while its session is re-established.
        fault.retry = RetryRule::Full;
    } else if (systemError == ESTALE) {
        // The name now leads to another file than the handle did: the next try opens it by name.
        fault.retry = RetryRule::Full;
    }
    return fault;
}

bool DependsOnFileSystem(int systemError)
{
    return systemError == EACCES || systemError == EIO;
}

bool IsOnShare(const std::string& fileName)
{
    const auto type = FileSystemOf(FolderOf(fileName));
    return !type || MayBeShared(type->kind);
}

} // namespace custodia
