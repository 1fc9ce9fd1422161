// Decoders of one 4 x 4 block of the block-compressed formats BC1 to BC5, each usable on its own
// (the readers use them, and encoders use them to measure what they wrote). Every decoder writes
// the 16 pixels as RGBA8, rows top-down: pixel (x, y) at rgba + y * rowBytes + x * 4.
// BC1 to BC3 decode exactly as libsquish does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

constexpr std::size_t BlockRowBytes = 16; // rowBytes of a lone 4 x 4 block of RGBA8

// BC1 (DXT1), 8 bytes. With colour0 <= colour1 the block has three colours and index 3 is
// transparent black.
void DecodeBc1Block(const std::uint8_t* block, std::uint8_t* rgba,
                    std::size_t rowBytes = BlockRowBytes);

// BC2 (DXT3), 16 bytes: 4-bit alpha, then a BC1 colour block always in four-colour mode.
void DecodeBc2Block(const std::uint8_t* block, std::uint8_t* rgba,
                    std::size_t rowBytes = BlockRowBytes);

// BC3 (DXT5), 16 bytes: interpolated alpha (as BC4), then a four-colour BC1 colour block.
void DecodeBc3Block(const std::uint8_t* block, std::uint8_t* rgba,
                    std::size_t rowBytes = BlockRowBytes);

// BC4, 8 bytes of one channel, written as grey with alpha 255. Signed data (-128..127) is shifted
// by 128 before it is interpolated, so -128 is black and 127 white.
void DecodeBc4Block(const std::uint8_t* block, bool isSigned, std::uint8_t* rgba,
                    std::size_t rowBytes = BlockRowBytes);

// BC5, 16 bytes: two BC4 channels, the X and Y of a normal map, as R and G; B is rebuilt as the
// Z that makes the vector unit length (Z >= 0); alpha 255. Signed data as in BC4.
void DecodeBc5Block(const std::uint8_t* block, bool isSigned, std::uint8_t* rgba,
                    std::size_t rowBytes = BlockRowBytes);

// The blue of a normal map from its red and green (each mapped from 0..255 to -1..1).
std::uint8_t NormalZ(std::uint8_t x, std::uint8_t y);

} // namespace quillon
