#include "platform/Process.h"

#include <windows.h>

namespace quillon {

std::uint64_t CurrentProcessId() {
    return GetCurrentProcessId();
}

bool ProcessIsRunning(std::uint64_t id) {
    if (id == 0 || id > 0xFFFFFFFFu) {
        return false;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) {
        // Gone, unless access is refused to a process that runs.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

} // namespace quillon
