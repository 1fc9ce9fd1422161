// quillon-cli's exit codes besides the head fix's own (0 success, 1 to 12 its first failure).
// The README and the man page list them; scripts rely on them, so a code never changes meaning.
#pragma once

namespace quillon::cli {

// The command line could not be understood: an unknown argument, a missing value, a bad
// combination. The reason goes to standard error.
inline constexpr int UsageError = 64;

// --which: nothing the game loads holds the path (no loose file, no loaded archive).
inline constexpr int NotFound = 30;

} // namespace quillon::cli
