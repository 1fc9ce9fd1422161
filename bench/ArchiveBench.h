// The game-files section of the benchmark: opening a large archive, extracting a texture from
// each edition's archives, and resolving the head textures through many mods.
#pragma once

namespace quillon {

// Prints, as medians of the runs: the open of a sparse 2 GB archive of 20,000 files with one
// path resolved, its time, its index's heap size and the peak memory beyond it (in a child
// process); the extraction of a 2048 x 2048 DXT5 texture with its mip chain from an LZ4 and a
// zlib archive, on one thread; and the six head textures resolved through a Mod Organizer 2
// instance of 500 enabled mods with 500 active plugins. Asserts nothing.
void BenchArchive(int runs);

} // namespace quillon
