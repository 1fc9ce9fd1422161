// The one way files are written: into a temporary file, renamed over the target only after the
// write succeeded. A failed write leaves the previous file byte for byte intact and no temporary
// file behind. The temporary file lies beside the target, or in a folder the caller names (one of
// its own, so that a process killed mid-write leaves nothing among the player's files).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

// `write` is given a native temporary path that keeps the target's extension (writers choose
// their format by it) and reports success. True when the target now holds what `write` wrote.
// `nativeTarget` is a native path whose folder exists. `temporaryFolder`, when not empty, is an
// existing native folder on the target's file system where the temporary file is made; when the
// rename from there fails (another file system), the write is made again beside the target.
bool WriteFileSafely(const std::string& nativeTarget,
                     const std::function<bool(const std::string& tempPath)>& write,
                     const std::string& temporaryFolder = {});

// The same for bytes already made.
bool WriteBytesSafely(const std::string& nativeTarget, const std::vector<std::uint8_t>& bytes,
                      const std::string& temporaryFolder = {});

// The name part every temporary file of the safe writes carries, between the target's stem and
// its extension: ".<stem>.quillon-<process id>-<n><extension>".
inline constexpr const char* TemporaryMarker = ".quillon-";

} // namespace quillon
