// Mip chains for game textures. Each level halves the edges of the one above, rounding down and
// never below 1, down to 1 x 1; non-square and odd sizes are box-filtered over each texel's exact
// footprint. Colour is averaged in linear light (sRGB decoded, averaged, encoded again), so a
// level keeps the brightness of the one above; alpha is averaged as stored. Normal maps average
// their vectors (2 v / 255 - 1) and renormalise them. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"

#include <string>
#include <vector>

namespace quillon {

enum class MipKind {
    Colour,    // RGB in sRGB, alpha as stored
    NormalMap, // RGB a vector, alpha (specular strength) as stored
};

// How many levels a full chain of a width x height texture has, the top one included.
[[nodiscard]] int FullMipCount(int width, int height);

// The levels below `top`, largest first: FullMipCount - 1 images. Rows are shared out on the
// pool; the result does not depend on its thread count.
[[nodiscard]] std::vector<RgbaImage> MakeMipLevels(const RgbaImage& top, MipKind kind,
                                                   TaskPool& pool);

// For each level below the top of a width x height texture (as MakeMipLevels gives them), one
// flag a 4 x 4 block, row by row: true where a blend with `overlay` (laid over the texture's top
// left, as BlendOver does) leaves the block as filtering the texture alone would make it, because
// every top-level texel the filter gathers for the block, at any weight, lies where the overlay's
// alpha is 0 or outside the overlay. Empty for an empty texture.
[[nodiscard]] std::vector<std::vector<bool>> UntouchedMipBlocks(const RgbaImage& overlay, int width,
                                                                int height);

// Whether a texture's file name follows the game's convention for normal maps: the base name
// ends in "_n" or "_msn", letter case ignored. A folder and an extension may come with it.
[[nodiscard]] bool IsNormalMapName(const std::string& path);

} // namespace quillon
