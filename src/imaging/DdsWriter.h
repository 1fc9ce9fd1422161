// Our DDS writer, used for every .dds the tool saves: DXT1 and DXT5 encoded block by block with
// libsquish's cluster fit, or uncompressed 24-bit RGB and 32-bit RGBA; one surface with or without
// its mip levels, the classic header only (the original game does not read the DX10 extension).
#pragma once

#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"

#include <cstdint>
#include <vector>

namespace quillon {

// The pixel formats a texture is written in.
enum class TextureFormat {
    DXT1, // BC1, encoded opaque: no pixel becomes punch-through black
    DXT5, // BC3, colour and interpolated alpha
    RGB,  // 24 bits a pixel, stored B, G, R
    RGBA, // 32 bits a pixel, stored B, G, R, A
};

// A complete DDS file of `image` (at least 1 x 1) followed by `lowerLevels`, its mip levels
// largest first (none: a file of one level). Every level is written in `format`. Blocks are
// encoded in strips of block rows on the pool's threads; the bytes do not depend on how many
// threads the pool has.
std::vector<std::uint8_t> EncodeDds(const RgbaImage& image, TextureFormat format, TaskPool& pool,
                                    const std::vector<RgbaImage>& lowerLevels = {});

} // namespace quillon
