// Our BC3 (DXT5) encoder: the interpolated alpha block, fitted with least squares and a local
// search of its two endpoints in both of its modes, and our BC1 colour block in its four-colour
// mode. Blocks decode as libsquish decodes them. Input is one 4 x 4 block of RGBA8, 16 pixels row
// by row (64 bytes).
#pragma once

#include <cstdint>

namespace quillon {

// The 8-byte alpha half of a BC3 block for the alpha bytes of the 16 pixels at `rgba`. A block
// whose alpha is one value everywhere comes out exact.
void EncodeBc3AlphaBlock(const std::uint8_t* rgba, std::uint8_t* block);

// The whole 16-byte BC3 block: alpha, then colour.
void EncodeBc3Block(const std::uint8_t* rgba, std::uint8_t* block);

} // namespace quillon
