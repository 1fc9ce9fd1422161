// The composite of a modification over a texture: the rules that bring both to one size, and the
// blend itself. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"

#include <cstdint>
#include <vector>

namespace quillon {

// Where the composite puts base and overlay. With a size, an image whose width differs from it
// is scaled to size x size, whatever its proportions. Then, comparing widths only, the wider of the
// two is scaled down to the narrower one's width and height; the narrower decides the result.
// Whether a channel's declared size can be composited at: 0 (no scaling) up to the largest edge.
[[nodiscard]] bool ValidCompositeSize(std::int32_t size);

struct CompositeSizes {
    int OverlayWidth = 0, OverlayHeight = 0;
    int BaseWidth = 0, BaseHeight = 0;
};
[[nodiscard]] CompositeSizes PlanComposite(int baseWidth, int baseHeight, int overlayWidth,
                                           int overlayHeight, std::int32_t size);

// Rescales the image to width x height unless it has that size already; false when it cannot
// (an empty image, a size below 1).
[[nodiscard]] bool FitTo(RgbaImage& image, int width, int height);

// Lays the overlay's colour over `base` by the overlay's alpha, rounded to nearest, in place; the
// base's alpha stays, since the overlay's alpha is a mask, not content. Only the rows and columns
// both images have are blended.
void BlendOver(RgbaImage& base, const RgbaImage& overlay);

// The 4 x 4 blocks of a width x height base that BlendOver leaves as they were: every pixel of
// the block the overlay covers has alpha 0. One flag a block, row by row.
[[nodiscard]] std::vector<bool> UntouchedBlocks(const RgbaImage& overlay, int width, int height);

} // namespace quillon
