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

// Blocks taken as they are rather than encoded: `Blocks` is a whole level of the image's size in
// the format being written, `Copy` one flag a block, row by row. Neither is owned.
struct CopiedBlocks {
    const std::uint8_t* Blocks = nullptr;
    const std::vector<bool>* Copy = nullptr;
};

// The blocks of `image`. Edge blocks that run past the image repeat its last column and row, so
// their endpoints fit only the pixels there; decoders drop the pixels outside. Empty when the image
// is empty, inconsistent, larger than MaxTextureEdge, or memory runs out. With `copied`, its
// flagged blocks are copied instead; it must match the image's block count (else nothing is
// copied).
std::vector<std::uint8_t> EncodeBlocks(const RgbaImage& image, BlockFormat format, TaskPool& pool,
                                       const CopiedBlocks& copied = {});

// The same blocks written to `out`, which holds BlockBytes(format) bytes for each block; false
// (nothing written) for an image EncodeBlocks gives nothing for.
bool EncodeBlocksInto(const RgbaImage& image, BlockFormat format, TaskPool& pool, std::uint8_t* out,
                      const CopiedBlocks& copied = {});

} // namespace quillon
