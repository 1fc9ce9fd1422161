// Preview bitmaps: small display copies of images, and the placeholder shown where there is no
// picture. Previews are made from a scaled copy, so the images themselves are never resampled for
// display.
#pragma once

#include "imaging/PreviewBitmap.h"
#include "imaging/RgbaImage.h"

#include <cstdint>

namespace quillon {

// The main window's pictures are 128 x 128 with a sunken edge; the placeholder has their size.
constexpr int PreviewEdge = 126;

// The image scaled to exactly width x height (proportions are not kept) with the B-spline filter,
// its transparency laid over `matte` (0xRRGGBB). Null for an empty image or a size below 1.
BitmapHandle MakePreviewBitmap(const RgbaImage& image, int width, int height, std::uint32_t matte);

// The placeholder: yellow and black checks, PreviewEdge square.
BitmapHandle MakePlaceholderBitmap();

} // namespace quillon
