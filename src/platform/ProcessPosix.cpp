#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace quillon {

std::uint64_t CurrentProcessId() {
    return static_cast<std::uint64_t>(getpid());
}

bool ProcessIsRunning(std::uint64_t id) {
    const pid_t pid = static_cast<pid_t>(id);
    if (id == 0 || static_cast<std::uint64_t>(pid) != id || pid < 0) {
        return false; // no process has such an id
    }
    // Signal 0 only checks; EPERM: it runs, under another user.
    return kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace quillon
