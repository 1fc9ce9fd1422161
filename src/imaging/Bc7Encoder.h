// Our BC7 encoder. Opaque blocks try modes 6, 5, 1 and 3; other blocks modes 6, 5 and 4 (also
// with alpha exchanged for a colour channel) and 7. The two-subset modes take the few partitions
// whose subsets lie closest to a line, estimated for all 64, and fit each in full. Input is one
// 4 x 4 block of RGBA8, 16 pixels row by row (64 bytes); the output decodes as the format's
// reference decoder does.
#pragma once

#include <cstdint>

namespace quillon {

// Encodes the 16 pixels at `rgba` into the 16 bytes at `block`.
void EncodeBc7Block(const std::uint8_t* rgba, std::uint8_t* block);

} // namespace quillon
