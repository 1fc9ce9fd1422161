// Whole images (RGBA8, rows top-down, any size) into BC1, BC3 or BC7 block streams, blocks row by
// row as a DDS stores its top level. Strips of block rows go through a TaskPool; blocks are encoded
// independently, so the bytes are the same whatever the number of threads.
#pragma once

#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"

#include <cstdint>
#include <vector>

namespace quillon {

enum class BlockFormat {
    BC1, // 8 bytes a block, opaque (alpha is ignored)
    BC3, // 16 bytes a block: interpolated alpha, then four-colour BC1
    BC7, // 16 bytes a block
};

// Bytes one 4 x 4 block takes in the format.
int BlockBytes(BlockFormat format);

// The blocks of `image`. Edge blocks that run past the image are filled with its own pixels
// wrapped round (x mod width, y mod height), so their endpoints fit what is there; decoders drop
// the pixels outside. Empty when the image is empty, inconsistent, larger than MaxTextureEdge,
// or memory runs out.
std::vector<std::uint8_t> EncodeBlocks(const RgbaImage& image, BlockFormat format, TaskPool& pool);

} // namespace quillon
