// The composite of a modification (the overlay) over a texture (the base) at a channel's declared
// size, the one the blend session and the head fix both make. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"
#include "platform/Problem.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

// Whether a channel's declared size can be composited at: 0 (no scaling) up to the largest edge.
[[nodiscard]] bool ValidCompositeSize(std::int32_t size);

// Where the composite puts base and overlay. With a size, an image whose width differs from it
// is scaled to size x size, whatever its proportions. Then, comparing widths only, the wider of
// the two is scaled down to the narrower one's width and height; the narrower decides the result.
struct CompositeSizes {
    int OverlayWidth = 0, OverlayHeight = 0;
    int BaseWidth = 0, BaseHeight = 0;
};
[[nodiscard]] CompositeSizes PlanComposite(int baseWidth, int baseHeight, int overlayWidth,
                                           int overlayHeight, std::int32_t size);

// What a composite makes.
struct CompositeResult {
    RgbaImage Image;             // the blend, at the base's planned size, with alpha
    RgbaImage ScaledOverlay;     // the overlay at its planned size; empty when it had that size
    std::vector<bool> Untouched; // the 4 x 4 blocks of Image the overlay left alone, row by row
};

// The whole composite: the size plan, both images brought to it, the overlay's colour laid over
// the base by the overlay's alpha (rounded to nearest; the base's alpha stays, since the
// overlay's alpha is a mask, not content), and the blocks it left untouched. The overlay's square
// scaling comes first and holds even when the composite then fails (a slot keeps it); a size no
// composite can have scales nothing. A base given as an lvalue is scaled in place (a slot keeps
// that too); one given as an rvalue becomes the blend, without a copy.
Outcome CompositeImages(RgbaImage& base, const RgbaImage& overlay, std::int32_t size,
                        CompositeResult& result);
Outcome CompositeImages(RgbaImage&& base, const RgbaImage& overlay, std::int32_t size,
                        CompositeResult& result);

// The overlay as a composite at `size` leaves it whatever the base, for a caller that must know
// it before the base is read: scaled to size x size where its width differs from a size.
// Nothing when the composite leaves it as it is (no size, one no composite can have, the width
// already) or when it cannot be scaled, which the composite then reports.
[[nodiscard]] std::optional<RgbaImage> OverlayAtSize(const RgbaImage& overlay, std::int32_t size);

// Rescales the image to width x height unless it has that size already; false when it cannot
// (an empty image, a size below 1).
[[nodiscard]] bool FitTo(RgbaImage& image, int width, int height);

// Lays the overlay's colour over `base` by the overlay's alpha, rounded to nearest, in place; the
// base's alpha stays. Only the rows and columns both images have are blended.
void BlendOver(RgbaImage& base, const RgbaImage& overlay);

// The 4 x 4 blocks of a width x height base that BlendOver leaves as they were: every pixel of
// the block the overlay covers has alpha 0. One flag a block, row by row.
[[nodiscard]] std::vector<bool> UntouchedBlocks(const RgbaImage& overlay, int width, int height);

} // namespace quillon
