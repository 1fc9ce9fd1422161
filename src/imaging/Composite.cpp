#include "imaging/Composite.h"

#include "imaging/Resample.h"

#include <algorithm>
#include <optional>
#include <string>

namespace quillon {

bool ValidCompositeSize(std::int32_t size) {
    return size >= 0 && size <= MaxTextureEdge;
}

CompositeSizes PlanComposite(int baseWidth, int baseHeight, int overlayWidth, int overlayHeight,
                             std::int32_t size) {
    CompositeSizes sizes{overlayWidth, overlayHeight, baseWidth, baseHeight};
    if (size != 0 && sizes.OverlayWidth != size) {
        sizes.OverlayWidth = sizes.OverlayHeight = size;
    }
    if (size != 0 && sizes.BaseWidth != size) {
        sizes.BaseWidth = sizes.BaseHeight = size;
    }
    if (sizes.BaseWidth < sizes.OverlayWidth) {
        sizes.OverlayWidth = sizes.BaseWidth;
        sizes.OverlayHeight = sizes.BaseHeight;
    } else if (sizes.BaseWidth > sizes.OverlayWidth) {
        sizes.BaseWidth = sizes.OverlayWidth;
        sizes.BaseHeight = sizes.OverlayHeight;
    }
    return sizes;
}

bool FitTo(RgbaImage& image, int width, int height) {
    return (image.Width == width && image.Height == height) || Rescale(image, width, height);
}

namespace {

// The rule of the composite's first step: with a size, an overlay whose width differs from it is
// scaled to size x size.
bool ScaledToSquare(const RgbaImage& overlay, std::int32_t size) {
    return ValidCompositeSize(size) && size != 0 && overlay.Width != size && !overlay.Empty();
}

} // namespace

std::optional<RgbaImage> OverlayAtSize(const RgbaImage& overlay, std::int32_t size) {
    if (!ScaledToSquare(overlay, size)) {
        return std::nullopt;
    }
    RgbaImage scaled = overlay;
    if (!Rescale(scaled, size, size)) {
        return std::nullopt; // the composite fails on it in its turn
    }
    return scaled;
}

namespace {

// `base` is the blend's start: the caller's base itself when it is not kept, else a copy.
Outcome Composite(RgbaImage& base, bool keepBase, const RgbaImage& overlay, std::int32_t size,
                  CompositeResult& result) {
    result = CompositeResult();
    if (!ValidCompositeSize(size)) {
        return Problem{"Size " + std::to_string(size) + " is outside 0 to " +
                           std::to_string(MaxTextureEdge),
                       std::nullopt};
    }
    if (overlay.Empty()) {
        return Problem{"there is no modification picture", std::nullopt};
    }
    return CatchingOutOfMemory([&]() -> Outcome {
        // The overlay's own square scaling first: it holds even without a base.
        const RgbaImage* over = &overlay;
        if (ScaledToSquare(overlay, size)) {
            result.ScaledOverlay = overlay;
            if (!Rescale(result.ScaledOverlay, size, size)) {
                return Problem{"the modification picture cannot be scaled", std::nullopt};
            }
            over = &result.ScaledOverlay;
        }
        if (base.Empty()) {
            return Problem{"there is no source picture", std::nullopt};
        }
        const CompositeSizes sizes =
            PlanComposite(base.Width, base.Height, over->Width, over->Height, size);
        if (sizes.OverlayWidth != over->Width || sizes.OverlayHeight != over->Height) {
            if (result.ScaledOverlay.Empty()) {
                result.ScaledOverlay = overlay;
            }
            if (!FitTo(result.ScaledOverlay, sizes.OverlayWidth, sizes.OverlayHeight)) {
                return Problem{"the modification picture cannot be scaled", std::nullopt};
            }
            over = &result.ScaledOverlay;
        }
        if (!FitTo(base, sizes.BaseWidth, sizes.BaseHeight)) {
            return Problem{"the source picture cannot be scaled", std::nullopt};
        }
        RgbaImage blend;
        if (keepBase) {
            blend = base;
        } else {
            blend = std::move(base);
        }
        blend.HasAlpha = true; // a composite has alpha, whatever its base had
        BlendOver(blend, *over);
        result.Untouched = UntouchedBlocks(*over, blend.Width, blend.Height);
        result.Image = std::move(blend);
        return {};
    });
}

} // namespace

Outcome CompositeImages(RgbaImage& base, const RgbaImage& overlay, std::int32_t size,
                        CompositeResult& result) {
    return Composite(base, true, overlay, size, result);
}

Outcome CompositeImages(RgbaImage&& base, const RgbaImage& overlay, std::int32_t size,
                        CompositeResult& result) {
    return Composite(base, false, overlay, size, result);
}

void BlendOver(RgbaImage& base, const RgbaImage& overlay) {
    const int rows = std::min(base.Height, overlay.Height);
    const int columns = std::min(base.Width, overlay.Width);
    for (int y = 0; y < rows; ++y) {
        std::uint8_t* out = base.At(0, y);
        const std::uint8_t* over = overlay.At(0, y);
        for (int x = 0; x < columns; ++x, out += 4, over += 4) {
            const unsigned alpha = over[3];
            for (int c = 0; c < 3; ++c) {
                // x / 255 is never halfway between integers, so + 127 rounds to nearest.
                const unsigned sum = over[c] * alpha + out[c] * (255 - alpha);
                out[c] = static_cast<std::uint8_t>((sum + 127) / 255);
            }
        }
    }
}

std::vector<bool> UntouchedBlocks(const RgbaImage& overlay, int width, int height) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const int blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
    std::vector<bool> untouched(static_cast<std::size_t>(blocksWide) * blocksHigh, true);
    const int columns = std::min(width, overlay.Width);
    const int rows = columns > 0 ? std::min(height, overlay.Height) : 0;
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* over = overlay.At(0, y);
        const std::size_t rowStart = static_cast<std::size_t>(y / 4) * blocksWide;
        for (int x = 0; x < columns; ++x, over += 4) {
            if (over[3] != 0) {
                untouched[rowStart + static_cast<std::size_t>(x / 4)] = false;
            }
        }
    }
    return untouched;
}

} // namespace quillon
