#include "imaging/Resample.h"
#include "imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

namespace {

Picture Resampled(const Picture& source, int width, int height) {
    Picture target(width, height);
    ResampleBSpline(source.Pixels.data(), source.Width, source.Height, target.Pixels.data(), width,
                    height);
    return target;
}

TEST(Resample, UniformImagesStayUniformAtAnySize) {
    const Picture source = Uniform(12, 7, 10, 200, 255, 0);
    for (const auto& [w, h] : {std::pair{6, 7}, {24, 14}, {1, 1}, {5, 30}, {12, 7}}) {
        EXPECT_EQ(Resampled(source, w, h).Pixels, Uniform(w, h, 10, 200, 255, 0).Pixels)
            << w << " x " << h;
    }
}

TEST(Resample, ShrinkingAveragesFineDetailInsteadOfSkippingIt) {
    // Alternating columns of 0 and 200: point sampling at half width gives all 0 or all 200.
    Picture stripes = Uniform(16, 4, 0, 0, 0, 255);
    for (int y = 0; y < 4; ++y) {
        for (int x = 1; x < 16; x += 2) {
            stripes.At(x, y)[0] = 200;
        }
    }
    const Picture half = Resampled(stripes, 8, 4);
    for (int x = 1; x < 7; ++x) { // the edges mirror, so their neighbourhood is lopsided
        EXPECT_NEAR(half.At(x, 2)[0], 100, 2) << x;
    }
}

TEST(Resample, LinearRampsStayLinearAndInPlace) {
    // The B-spline reproduces straight lines; with pixel-centre sampling nothing shifts.
    Picture ramp = Uniform(64, 2, 0, 0, 0, 255);
    for (int x = 0; x < 64; ++x) {
        ramp.At(x, 0)[0] = ramp.At(x, 1)[0] = static_cast<std::uint8_t>(2 * x + 60);
    }
    const Picture doubled = Resampled(ramp, 128, 2);
    for (int x = 8; x < 120; ++x) { // away from the mirrored edges
        EXPECT_NEAR(doubled.At(x, 1)[0], 60 + 2 * ((x + 0.5) / 2 - 0.5), 1.0) << x;
    }
    const Picture halved = Resampled(ramp, 32, 2);
    for (int x = 4; x < 28; ++x) {
        EXPECT_NEAR(halved.At(x, 0)[0], 60 + 2 * ((x + 0.5) * 2 - 0.5), 1.0) << x;
    }
}

TEST(Resample, AnAxisThatKeepsItsSizeIsCopied) {
    const Picture source = Photo(32, 16);
    const Picture narrower = Resampled(source, 16, 16);
    const Picture back = Resampled(source, 32, 16);
    EXPECT_EQ(back.Pixels, source.Pixels);
    // Rows were only filtered across: a column-wise change in the source stays in its row.
    Picture changed = source;
    changed.At(5, 9)[1] ^= 0x80;
    const Picture changedNarrower = Resampled(changed, 16, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (y != 9) {
                EXPECT_EQ(changedNarrower.At(x, y)[1], narrower.At(x, y)[1]) << x << "," << y;
            }
        }
    }
}

} // namespace
