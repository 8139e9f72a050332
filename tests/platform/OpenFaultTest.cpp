#include "platform/OpenFault.h"

#include "platform/File.h"
#include "platform/FileException.h"
#include "platform/Platform.h"
#include "platform/Result.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace custodia {
namespace {

struct FaultCase {
    int error;
    bool onShare;
    int cause;
    RetryRule retry;
    const char* name; // as the failure names the system's error
    bool passingNetworkFault;
    const char* path = "/tmp/x"; // of the file that was opened
};

std::string Label(const FaultCase& c)
{
    return std::string(c.name) + (c.onShare ? " on a share" : " on a local disk");
}

// What each error of a try means where the file lives: whether it is waited out, how the failure
// calls it, and which cause the error log records.
TEST(OpenFaultTest, ErrorsAreClassifiedByWhereTheFileLives)
{
    const FaultCase cases[] = {
        // another program has the file: waited out anywhere
        { EWOULDBLOCK, false, kCauseSharingViolation, RetryRule::Full, "EWOULDBLOCK", false },
        { EAGAIN, true, kCauseSharingViolation, RetryRule::Full, "EWOULDBLOCK", false },
        { EBUSY, false, kCauseSharingViolation, RetryRule::Full, "EBUSY", false },
        { ETXTBSY, false, kCauseSharingViolation, RetryRule::Full, "ETXTBSY", false },
        { EBUSY, true, kCauseSharingViolation, RetryRule::Full, "EBUSY", false },
        // a missing permission stays missing on a local disk; on a share it may be a peer's lock
        { EACCES, false, kCauseAccessDenied, RetryRule::Stop, "EACCES", false },
        { EACCES, true, kCauseAccessDenied, RetryRule::Full, "EACCES", false },
        { EPERM, true, kCauseAccessDenied, RetryRule::Stop, "EPERM", false },
        { EROFS, true, kCauseAccessDenied, RetryRule::Stop, "EROFS", false },
        // the network did not answer this time
        { ETIMEDOUT, false, kCauseHardIo, RetryRule::Full, "ETIMEDOUT", true },
        { ETIMEDOUT, true, kCauseHardIo, RetryRule::Full, "ETIMEDOUT", true },
        { ECONNRESET, true, kCauseHardIo, RetryRule::Full, "ECONNRESET", true },
        { EHOSTDOWN, true, kCauseHardIo, RetryRule::Full, "EHOSTDOWN", true },
        { ENETUNREACH, true, kCauseHardIo, RetryRule::Full, "ENETUNREACH", true },
        { EIO, true, kCauseHardIo, RetryRule::Full, "EIO", true },
        // the same error from a local disk is the disk's
        { EIO, false, kCauseHardIo, RetryRule::Full, "EIO", false },
        // the name leads to a new file: the next try opens it by name
        { ESTALE, true, kCauseGeneric, RetryRule::Full, "ESTALE", false },
        // the folder is not there, or a file stands in its place: waiting does not make it
        { ENOENT, false, kCauseBadPath, RetryRule::Stop, "ENOENT", false, "/no-such-folder/x" },
        { ENOENT, true, kCauseBadPath, RetryRule::Stop, "ENOENT", false, "/no-such-folder/x" },
        { ENOTDIR, true, kCauseBadPath, RetryRule::Stop, "ENOTDIR", false },
        { ENOENT, false, kCauseFileNotFound, RetryRule::Stop, "ENOENT", false },
        // the other bad path keeps the few tries of its rule
        { ENAMETOOLONG, false, kCauseBadPath, RetryRule::Short, "ENAMETOOLONG", false },
        // no lock can ever be had: refused at once, never written without one
        { ENOLCK, true, kCauseLockViolation, RetryRule::Stop, "ENOLCK", false },
        { ENOLCK, false, kCauseLockViolation, RetryRule::Stop, "ENOLCK", false },
    };
    for (const FaultCase& c : cases) {
        const int cause = CauseFromErrno(c.error, c.path);
        EXPECT_EQ(cause, c.cause) << Label(c);
        const OpenFault fault = ClassifyOpenFault(cause, c.error, c.onShare);
        EXPECT_EQ(fault.retry, c.retry) << Label(c);
        EXPECT_EQ(fault.passingNetworkFault, c.passingNetworkFault) << Label(c);
        EXPECT_EQ(fault.noLocking, c.error == ENOLCK) << Label(c);
        EXPECT_EQ(SystemErrorName(c.error), c.name) << Label(c);
    }
}

// The failure is explained from the error in hand, in words that tell a share's trouble from a disk's.
TEST(OpenFaultTest, FailureWordsComeFromTheErrorInHand)
{
    struct WordsCase {
        OpenError error;
        const char* words;
    };
    const WordsCase cases[] = {
        { { kCauseLockViolation, ENOLCK, {}, {}, false }, "the share offers no locking" },
        { { kCauseHardIo, EIO, {}, {}, true }, "a passing network fault" },
        { { kCauseHardIo, ETIMEDOUT, {}, {}, true }, "a passing network fault" },
        { { kCauseSharingViolation, EBUSY, {}, {}, false }, DescribeFileCause(kCauseSharingViolation) },
        { { kCauseGeneric, ESTALE, {}, {}, false }, "replaced on the share" },
    };
    for (const WordsCase& c : cases)
        EXPECT_NE(DescribeOpenError(c.error).find(c.words), std::string::npos)
            << SystemErrorName(c.error.systemError) << ": " << DescribeOpenError(c.error);
}

} // namespace
} // namespace custodia
