#pragma once

#include <string>

namespace custodia {

// How an open that failed goes on: tried a few more times (a passing oddity), for the whole half
// minute (a holder that lets go, a share that answers again), or not at all (a missing folder, a
// missing permission on a local disk, something that is not a file).
enum class RetryRule { Short, Full, Stop };

// What one failed try of an open means, from its cause code and the system's error. Whether the file is
// on a file system shared with other machines matters for two errors only: a refused access there may
// be a peer's lock, and an I/O error there is most often the network, not the disk.
struct OpenFault {
    int cause = 0;
    RetryRule retry = RetryRule::Stop;
    bool passingNetworkFault = false; // the share did not answer this time: named so in the failure
    bool noLocking = false; // the share cannot lock: never retried, never written without the lock
};

OpenFault ClassifyOpenFault(int cause, int systemError, bool onShare);

// Whether the error's meaning depends on the file system, so that it is worth asking which one it is.
bool DependsOnFileSystem(int systemError);

// Whether the folder of the file may be shared with other machines (an unknown file system counts).
bool IsOnShare(const std::string& fileName);

} // namespace custodia
