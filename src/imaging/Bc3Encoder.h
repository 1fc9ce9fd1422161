// Our BC3 (DXT5) encoder: the alpha block fitted in both its modes by least squares and a local
// search of its endpoints, then our four-colour BC1 block, for libsquish's decoding. Input: one
// 4 x 4 block of RGBA8, 16 pixels row by row (64 bytes).
#pragma once

#include <cstdint>

namespace quillon {

// The 8-byte alpha half of a BC3 block for the alpha bytes of the 16 pixels at `rgba`. A block
// whose alpha is one value everywhere comes out exact.
void EncodeBc3AlphaBlock(const std::uint8_t* rgba, std::uint8_t* block);

// The whole 16-byte BC3 block: alpha, then colour.
void EncodeBc3Block(const std::uint8_t* rgba, std::uint8_t* block);

} // namespace quillon
