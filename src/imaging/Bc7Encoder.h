// Our BC7 encoder: modes 6, 5, 1 and 3 for opaque blocks, 6, 5, 4 (with rotations) and 7 for
// others; two-subset modes on the few partitions estimated best of all 64. Input: one 4 x 4 block
// of RGBA8, 16 pixels row by row (64 bytes).
#pragma once

#include <cstdint>

namespace quillon {

// Encodes the 16 pixels at `rgba` into the 16 bytes at `block`.
void EncodeBc7Block(const std::uint8_t* rgba, std::uint8_t* block);

} // namespace quillon
