// The demo workspace: a small world in which Quillon runs end to end without the game:
// Config.xml, set definitions, a game Data folder with installed textures, and Library and Source
// folders with modifications and alternative sources. Everything is synthetic and made here.
#pragma once

#include <filesystem>

namespace quillon {

// Writes the workspace into `root` (which must exist). With `headFix` the configuration starts
// the headless head/neck seam fix. `scale` multiplies every texture's edge (1: the head textures
// are 1024, 1024 and 512 pixels, as the game has them). False when a file cannot be written.
bool MakeDemoWorkspace(const std::filesystem::path& root, bool headFix, int scale = 1);

} // namespace quillon
