// The headless head/neck seam fix: three fixed library textures blended over every installed head
// texture the set "Head" declares, each result written below the output folder. Textures are
// loaded, blended and encoded in parallel on the session's task pool; they are written in the
// job's order, each followed by its line on standard output. The first failure in that order ends
// the job with its message box and code, and nothing after it is written.
#pragma once

#include "workflow/BlendSession.h"

#include <cstdint>

namespace quillon {

// The job's result and the process exit code: 0 success, 1 to 12 the first failure (per channel
// Color, Normal, Specular: modification, source, composite, save).
using AutoHeadFixResult = std::int32_t;

AutoHeadFixResult RunAutoHeadFix(BlendSession& session);

} // namespace quillon
