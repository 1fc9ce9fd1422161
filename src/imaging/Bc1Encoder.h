// Our BC1 (DXT1) colour-block encoder: a cluster fit along the principal axis, least squares and
// a searched 565 rounding, for libsquish's decoding. Input: one 4 x 4 block of RGBA8, 16 pixels
// row by row (64 bytes); alpha is ignored, so the block it writes is opaque.
#pragma once

#include <cstdint>

namespace quillon {

enum class Bc1Colours {
    // A DXT1 texture: the three-colour mode is used where it fits better, but never its index 3
    // (transparent black), so the block stays opaque.
    OpaqueDxt1,
    // The colour half of a BC3 block, which is always read with four colours.
    FourOnly,
};

// Encodes the 16 pixels at `rgba` into the 8 bytes at `block`.
void EncodeBc1Block(const std::uint8_t* rgba, std::uint8_t* block, Bc1Colours colours);

// The per-channel rounded mean of the 16 pixels, (sum + 8) / 16, written as RGBA8 to `mean`.
// Every encoder of ours considers the solid block of this colour, so none does worse than it.
void BlockMeanColour(const std::uint8_t* rgba, std::uint8_t* mean);

} // namespace quillon
