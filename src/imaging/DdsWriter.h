// Our DDS writer, used for every .dds the tool saves, in the pixel formats written as the format
// table describes them: DXT1 and DXT5 through our block encoders, BC7 with the DX10 extension
// header (only the Special Edition reads it), or uncompressed 24-bit RGB and 32-bit RGBA; one
// surface with or without its mip levels. Images are RGBA8, rows top-down.
#pragma once

#include "catalogue/TextureFormats.h"
#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"

#include <cstdint>
#include <vector>

namespace quillon {

// The top level of the installed texture a blend was made over, as its file stores it, and the
// blocks the blend left alone. The writer copies those rather than encoding them again, so pixels
// nobody asked to change keep their bytes. The same for the lower levels the file holds: a block
// whose footprint in the top level the blend left alone is copied from the installed level.
struct SourceBlocks {
    TextureFormat Format = TextureFormat::DXT1; // DXT1 or DXT5
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Blocks; // the whole top level, blocks row by row
    std::vector<bool> Untouched;      // one flag a block, row by row; empty: none
    // The levels below the top, largest first, as far as the file holds them whole; and for each
    // level the flags of its blocks (UntouchedMipBlocks). Used only with the top level's flags.
    std::vector<std::vector<std::uint8_t>> LowerBlocks;
    std::vector<std::vector<bool>> LowerUntouched;
};

// A complete DDS file of `image` (at least 1 x 1) followed by `lowerLevels`, its mip levels
// largest first (none: a file of one level). Every level is written in `format`. Blocks are
// encoded in strips of block rows on the pool's threads; the bytes do not depend on how many
// threads the pool has. With `source` of the same format and size, its untouched blocks are
// copied into the top level, and into each lower level it holds.
[[nodiscard]] std::vector<std::uint8_t> EncodeDds(const RgbaImage& image, TextureFormat format,
                                                  TaskPool& pool,
                                                  const std::vector<RgbaImage>& lowerLevels = {},
                                                  const SourceBlocks* source = nullptr);

// Whether `source` can give `image`'s top level in `format` its untouched blocks.
[[nodiscard]] bool SourceBlocksFit(const SourceBlocks& source, const RgbaImage& image,
                                   TextureFormat format);

} // namespace quillon
