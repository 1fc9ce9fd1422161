// The BC7 block decoder: one 16-byte block, any of the eight modes with their partitions, index
// precisions, p-bits, rotations and index selection. Usable on its own (the reader uses it;
// encoders use it to measure what they wrote). Writes the 16 pixels as RGBA8, rows top-down:
// pixel (x, y) at rgba + y * rowBytes + x * 4.
#pragma once

#include "imaging/BlockDecoders.h"

#include <cstddef>
#include <cstdint>

namespace quillon {

// A block whose first byte is 0 names no mode and decodes to transparent black, as Direct3D does.
void DecodeBc7Block(const std::uint8_t* block, std::uint8_t* rgba,
                    std::size_t rowBytes = BlockRowBytes);

} // namespace quillon
