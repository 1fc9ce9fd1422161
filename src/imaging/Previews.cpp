#include "imaging/Previews.h"

#include "imaging/Resample.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace quillon {

namespace {

// One colour channel of a pixel laid over the matte by its alpha.
std::uint32_t OverMatte(std::uint32_t colour, std::uint32_t matte, std::uint32_t alpha) {
    return (colour * alpha + matte * (255 - alpha) + 127) / 255;
}

BitmapHandle ToBitmap(const RgbaImage& image, std::uint32_t matte) {
    const std::uint32_t matteRed = (matte >> 16) & 0xFF;
    const std::uint32_t matteGreen = (matte >> 8) & 0xFF;
    const std::uint32_t matteBlue = matte & 0xFF;
    auto bitmap = std::make_shared<PreviewBitmap>();
    bitmap->Width = image.Width;
    bitmap->Height = image.Height;
    bitmap->Pixels.resize(static_cast<std::size_t>(image.Width) * image.Height);
    const std::uint8_t* in = image.Pixels.data();
    for (std::uint32_t& out : bitmap->Pixels) {
        const std::uint32_t alpha = in[3];
        out = 0xFF000000u | OverMatte(in[0], matteRed, alpha) << 16 |
              OverMatte(in[1], matteGreen, alpha) << 8 | OverMatte(in[2], matteBlue, alpha);
        in += 4;
    }
    return bitmap;
}

} // namespace

BitmapHandle MakePreviewBitmap(const RgbaImage& image, int width, int height, std::uint32_t matte) {
    if (image.Empty() || width < 1 || height < 1) {
        return nullptr;
    }
    RgbaImage scaled(width, height, true);
    ResampleBSpline(image.Pixels.data(), image.Width, image.Height, scaled.Pixels.data(), width,
                    height);
    return ToBitmap(scaled, matte);
}

BitmapHandle MakePlaceholderBitmap() {
    // 64 x 64 pixels of 8 x 8 checks, the upper left one yellow, enlarged bilinearly; opaque.
    constexpr int Checks = 64, Square = 8;
    const std::uint8_t yellow[3] = {243, 246, 18};
    auto check = [&](int x, int y, int c) -> float {
        x = std::clamp(x, 0, Checks - 1);
        y = std::clamp(y, 0, Checks - 1);
        return ((x / Square + y / Square) % 2 == 0) ? yellow[c] : 0.0f;
    };
    RgbaImage image(PreviewEdge, PreviewEdge, false);
    const float scale = static_cast<float>(Checks) / PreviewEdge;
    for (int y = 0; y < PreviewEdge; ++y) {
        const float sy = (y + 0.5f) * scale - 0.5f;
        const int y0 = static_cast<int>(std::floor(sy));
        const float fy = sy - y0;
        for (int x = 0; x < PreviewEdge; ++x) {
            const float sx = (x + 0.5f) * scale - 0.5f;
            const int x0 = static_cast<int>(std::floor(sx));
            const float fx = sx - x0;
            std::uint8_t* out = image.At(x, y);
            for (int c = 0; c < 3; ++c) {
                const float top = check(x0, y0, c) * (1 - fx) + check(x0 + 1, y0, c) * fx;
                const float bottom =
                    check(x0, y0 + 1, c) * (1 - fx) + check(x0 + 1, y0 + 1, c) * fx;
                out[c] = static_cast<std::uint8_t>(top * (1 - fy) + bottom * fy + 0.5f);
            }
            out[3] = 255;
        }
    }
    return ToBitmap(image, 0);
}

} // namespace quillon
