// Resampling with the cubic B-spline filter, the filter every texture rescale uses. Separable;
// when an axis shrinks the filter widens with it, so fine detail is averaged instead of aliased.
// Sample positions are pixel centres; edges mirror. Single-threaded.
#pragma once

#include "imaging/RgbaImage.h"

#include <cstdint>

namespace quillon {

// `source` is sourceWidth x sourceHeight RGBA8 pixels, rows top-down and packed; `target`
// receives targetWidth x targetHeight pixels the same way. All sizes at least 1.
void ResampleBSpline(const std::uint8_t* source, int sourceWidth, int sourceHeight,
                     std::uint8_t* target, int targetWidth, int targetHeight);

// The image resampled to width x height; it has alpha afterwards, whatever it had before. An
// empty image, or a size below 1, leaves it as it is and gives false.
bool Rescale(RgbaImage& image, int width, int height);

} // namespace quillon
