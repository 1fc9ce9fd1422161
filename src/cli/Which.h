// quillon-cli --which PATH: where the game loads a path below its data folder from, and every
// other place that holds it, which that one shadows. For players to check their setup.
#pragma once

#include <string>

namespace quillon::cli {

// Prints the places on standard output, the setup's problems on standard error; returns the exit
// code: 0 when something holds the path, NotFound when nothing does.
int RunWhich(const std::string& relativePath);

} // namespace quillon::cli
