// Which processes are running: the safe writes name their temporary files by process, and a
// temporary file whose process has ended (killed mid-write) may be cleared away.
#pragma once

#include <cstdint>

namespace quillon {

std::uint64_t CurrentProcessId();

// True when a process of that id runs now (or may: when the system will not say, it counts as
// running, so that nothing of a live process is ever cleared away).
bool ProcessIsRunning(std::uint64_t id);

} // namespace quillon
