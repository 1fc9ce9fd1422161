#include "imaging/Resample.h"
#include "imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

RgbaImage Resampled(const RgbaImage& source, int width, int height) {
    RgbaImage target(width, height);
    ResampleBSpline(source.Pixels.data(), source.Width, source.Height, target.Pixels.data(), width,
                    height);
    return target;
}

TEST(Resample, ConstantsStayAndAnAxisThatKeepsItsSizeIsCopied) {
    const RgbaImage uniform = Uniform(12, 7, {10, 200, 255, 0});
    for (const auto& [w, h] : {std::pair{6, 7}, {24, 14}, {1, 1}, {5, 30}}) {
        EXPECT_EQ(Resampled(uniform, w, h).Pixels, Uniform(w, h, {10, 200, 255, 0}).Pixels)
            << w << " x " << h;
    }
    const RgbaImage photo = MakeSeamedTexture(SampleKind::Normal, 32, 16, 9, 1);
    EXPECT_EQ(Resampled(photo, 32, 16).Pixels, photo.Pixels);
    // A column widened and narrowed again: only filtered across, so each row comes back as it was.
    const RgbaImage column = MakeSeamedTexture(SampleKind::Normal, 1, 16, 9, 1);
    EXPECT_EQ(Resampled(Resampled(column, 5, 16), 1, 16).Pixels, column.Pixels);
}

TEST(Resample, RampsStayInPlaceAndShrinkingAveragesFineDetail) {
    // Red a ramp, which the B-spline keeps straight and, sampling at pixel centres, in place;
    // green alternating columns of 0 and 200, which an unwidened filter at a third of the width
    // turns into stripes again.
    RgbaImage source(63, 2);
    for (std::size_t i = 0; i < source.Pixels.size(); i += 4) {
        const int x = static_cast<int>(i / 4 % 63);
        source.Pixels[i] = static_cast<std::uint8_t>(30 + 3 * x);
        source.Pixels[i + 1] = x % 2 == 0 ? 0 : 200;
    }
    for (const int width : {21, 126}) {
        const RgbaImage result = Resampled(source, width, 2);
        for (int x = width / 8; x < width - width / 8; ++x) { // away from the mirrored edges
            EXPECT_NEAR(result.At(x, 1)[0], 30 + 3 * ((x + 0.5) * 63 / width - 0.5), 1.0) << x;
            if (width < 63) {
                EXPECT_NEAR(result.At(x, 1)[1], 100, 2) << x;
            }
        }
    }
}

} // namespace
