// The composite of a modification over a texture: the rules that bring both to one size, and the
// blend itself. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"

#include <cstdint>

namespace quillon {

// Where the composite puts base and overlay. With a size, an image whose width differs from it
// is scaled to size x size, whatever its proportions. Then, comparing widths only, the wider of the
// two is scaled down to the narrower one's width and height; the narrower decides the result.
struct CompositeSizes {
    int OverlayWidth = 0, OverlayHeight = 0;
    int BaseWidth = 0, BaseHeight = 0;
};
CompositeSizes PlanComposite(int baseWidth, int baseHeight, int overlayWidth, int overlayHeight,
                             std::int32_t size);

// Rescales the image to width x height unless it has that size already.
void FitTo(RgbaImage& image, int width, int height);

// Lays the overlay's colour over `base` by the overlay's alpha, rounded to nearest, in place; the
// base's alpha stays, since the overlay's alpha is a mask, not content. Only the rows and columns
// both images have are blended.
void BlendOver(RgbaImage& base, const RgbaImage& overlay);

} // namespace quillon
