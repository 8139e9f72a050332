#include "support/KillAtWrite.h"

#include "platform/Platform.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace custodia::test {

namespace {

// Stops the program at its n-th write, as a kill would; counts the writes when n is 0.
class WriteKiller final {
public:
    explicit WriteKiller(int killAt)
        : m_killAt(killAt)
    {
        SetFileWriteHook([this] {
            if (++m_writes == m_killAt)
                ::raise(SIGKILL);
        });
    }
    ~WriteKiller() { SetFileWriteHook({}); }
    WriteKiller(const WriteKiller&) = delete;
    WriteKiller& operator=(const WriteKiller&) = delete;
    int Writes() const { return m_writes; }

private:
    int m_killAt;
    int m_writes = 0;
};

} // namespace

int RunKilledAtWrite(const std::function<void()>& change, int killAt)
{
    int counter[2];
    if (::pipe(counter) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(counter[0]);
        int writes = 0;
        {
            WriteKiller killer(killAt);
            try {
                change();
            } catch (...) {
            }
            writes = killer.Writes();
        }
        [[maybe_unused]] const ssize_t sent = ::write(counter[1], &writes, sizeof writes);
        ::_exit(0);
    }
    ::close(counter[1]);
    int writes = -1;
    if (::read(counter[0], &writes, sizeof writes) != static_cast<ssize_t>(sizeof writes))
        writes = -1; // killed before it could say
    ::close(counter[0]);
    ::waitpid(child, nullptr, 0);
    return writes;
}

} // namespace custodia::test
