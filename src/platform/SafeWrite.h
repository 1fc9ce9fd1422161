// The one way files are written: into a temporary file beside the target, renamed over the
// target only after the write succeeded. A failed write leaves the previous file byte for byte
// intact and no temporary file behind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

// `write` is given a native temporary path in the target's folder that keeps the target's
// extension (writers choose their format by it) and reports success. True when the target now
// holds what `write` wrote. `nativeTarget` is a native path whose folder exists.
bool WriteFileSafely(const std::string& nativeTarget,
                     const std::function<bool(const std::string& tempPath)>& write);

// The same for bytes already made.
bool WriteBytesSafely(const std::string& nativeTarget, const std::vector<std::uint8_t>& bytes);

} // namespace quillon
