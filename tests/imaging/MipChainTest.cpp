#include "imaging/MipChain.h"
#include "imaging/Composite.h"
#include "imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

using namespace quillon;

namespace {

// The mean of each channel, in linear light for colour (sRGB decoded by the formula, not by the
// code under test) and as stored for alpha.
std::array<double, 4> LinearMean(const RgbaImage& image) {
    std::array<double, 4> sum{};
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        const double v = image.Pixels[i] / 255.0;
        sum[i % 4] += i % 4 == 3     ? v
                      : v <= 0.04045 ? v / 12.92
                                     : std::pow((v + 0.055) / 1.055, 2.4);
    }
    for (double& s : sum) {
        s /= image.Pixels.size() / 4.0;
    }
    return sum;
}

} // namespace

TEST(MipChain, LevelsHalveDownToOneTexelAndNameTheChainsLength) {
    const std::tuple<int, int, std::vector<std::pair<int, int>>> cases[] = {
        {37, 21, {{18, 10}, {9, 5}, {4, 2}, {2, 1}, {1, 1}}},
        {1, 7, {{1, 3}, {1, 1}}},
        {64, 64, {{32, 32}, {16, 16}, {8, 8}, {4, 4}, {2, 2}, {1, 1}}},
        {1, 1, {}},
    };
    TaskPool pool(2);
    for (const auto& [width, height, sizes] : cases) {
        const auto levels =
            MakeMipLevels(Uniform(width, height, {1, 2, 3, 4}), MipKind::Colour, pool);
        EXPECT_EQ(FullMipCount(width, height), static_cast<int>(sizes.size()) + 1);
        ASSERT_EQ(levels.size(), sizes.size()) << width << " x " << height;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            EXPECT_EQ(std::make_pair(levels[i].Width, levels[i].Height), sizes[i]);
            EXPECT_EQ(levels[i].Pixels,
                      Uniform(sizes[i].first, sizes[i].second, {1, 2, 3, 4}).Pixels)
                << "a uniform texture stays uniform";
        }
    }
}

// Every level keeps the linear brightness and the alpha of the top, on odd sizes too, whatever the
// pool's threads.
TEST(MipChain, ColourIsAveragedInLinearLightAndAlphaAsStored) {
    RgbaImage checks(33, 18); // fine black and white checks, alpha 0 and 255 in columns
    for (int y = 0; y < checks.Height; ++y) {
        for (int x = 0; x < checks.Width; ++x) {
            const std::uint8_t grey = (x + y) % 2 ? 255 : 0;
            std::uint8_t* p = checks.At(x, y);
            p[0] = p[1] = p[2] = grey;
            p[3] = x % 2 ? 255 : 0;
        }
    }
    TaskPool one(1), two(2);
    const auto levels = MakeMipLevels(checks, MipKind::Colour, two);
    const auto again = MakeMipLevels(checks, MipKind::Colour, one);
    ASSERT_EQ(levels.size(), again.size());
    const auto top = LinearMean(checks);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        EXPECT_EQ(levels[i].Pixels, again[i].Pixels) << "level " << i + 1;
        const auto mean = LinearMean(levels[i]);
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(mean[c], top[c], 0.02) << "level " << i + 1 << " channel " << c;
        }
    }
    // A 2 x 2 box of black and white is half the light: 188 in sRGB, not 128.
    RgbaImage pair(2, 2);
    pair.Pixels = {0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 0};
    EXPECT_EQ(PixelAt(MakeMipLevels(pair, MipKind::Colour, one)[0], 0, 0),
              (std::vector<int>{188, 188, 188, 128}));
}

TEST(MipChain, NormalMapsStayUnitVectorsAtEveryLevel) {
    std::mt19937 random(5);
    std::normal_distribution<double> tilt(0.0, 0.6);
    RgbaImage normals(40, 24);
    for (std::size_t i = 0; i < normals.Pixels.size(); i += 4) {
        double v[3] = {tilt(random), tilt(random), 1.0};
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int c = 0; c < 3; ++c) {
            normals.Pixels[i + c] =
                static_cast<std::uint8_t>(std::lround((v[c] / length + 1) * 127.5));
        }
        normals.Pixels[i + 3] = static_cast<std::uint8_t>(i % 256);
    }
    TaskPool pool(2);
    const auto levels = MakeMipLevels(normals, MipKind::NormalMap, pool);
    const auto topAlpha = LinearMean(normals)[3];
    for (std::size_t level = 0; level < levels.size(); ++level) {
        for (std::size_t i = 0; i < levels[level].Pixels.size(); i += 4) {
            double length = 0;
            for (int c = 0; c < 3; ++c) {
                const double v = levels[level].Pixels[i + c] * 2.0 / 255.0 - 1.0;
                length += v * v;
            }
            ASSERT_NEAR(std::sqrt(length), 1.0, 0.02) << "level " << level + 1;
        }
        EXPECT_NEAR(LinearMean(levels[level])[3], topAlpha, 0.02) << "specular strength";
    }
    // Averaged as vectors, not as colours: two tilts to either side give a flat normal.
    RgbaImage sides(2, 1);
    sides.Pixels = {218, 128, 218, 255, 38, 128, 218, 255}; // (+-0.71, 0, 0.71)
    EXPECT_EQ(PixelAt(MakeMipLevels(sides, MipKind::NormalMap, pool)[0], 0, 0),
              (std::vector<int>{128, 128, 255, 255}));
}

TEST(MipChain, NormalMapsAreKnownByTheirNames) {
    for (const char* name : {"femalehead_msn", "a\\b\\Body_N.dds", "x_msn.DDS", "c/_n"}) {
        EXPECT_TRUE(IsNormalMapName(name)) << name;
    }
    for (const char* name : {"femalehead", "head_s.dds", "n", "a_n\\b.dds", "x_msnx", "_n.x\\y"}) {
        EXPECT_FALSE(IsNormalMapName(name)) << name;
    }
}

namespace {

// Per block of each lower level, whether its texels are those of `plain`: filtering a blend over a
// uniform base shows where the overlay reaches.
std::vector<std::vector<bool>> BlocksLike(const std::vector<RgbaImage>& levels,
                                          const std::vector<RgbaImage>& plain) {
    std::vector<std::vector<bool>> same;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const RgbaImage& level = levels[k];
        const int wide = (level.Width + 3) / 4;
        same.emplace_back(static_cast<std::size_t>(wide) * ((level.Height + 3) / 4), true);
        for (int y = 0; y < level.Height; ++y) {
            for (int x = 0; x < level.Width; ++x) {
                if (PixelAt(level, x, y) != PixelAt(plain[k], x, y)) {
                    same[k][static_cast<std::size_t>(y / 4 * wide + x / 4)] = false;
                }
            }
        }
    }
    return same;
}

} // namespace

// A lower level's block counts as untouched only where no top-level texel the filter gathers for
// it, at any weight, is covered by the overlay, which the filter itself shows: an opaque white
// texel over black changes every block it reaches. On power-of-two sizes that footprint is the
// aligned square of 4 * 2^k texels, and the flags are exactly the blocks left alone; on odd sizes
// the edge texels reach into the neighbours. An overlay smaller than the texture is fine:
// BlendOver leaves the rest alone.
TEST(MipChain, UntouchedBlocksAreThoseWhoseFootprintTheOverlayLeavesAlone) {
    TaskPool pool(1);
    for (const auto& [width, height, x, y] : {std::tuple{64, 32, 5, 3},
                                              {64, 32, 40, 17},
                                              {64, 32, 63, 31},
                                              {37, 23, 36, 22},
                                              {37, 23, 17, 9},
                                              {37, 23, 0, 0},
                                              {9, 7, 8, 3}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " at " +
                     std::to_string(x) + ", " + std::to_string(y));
        const RgbaImage black = Uniform(width, height, {0, 0, 0, 255});
        RgbaImage mod(x + 1, y + 1), blend = black;
        mod.At(x, y)[0] = mod.At(x, y)[1] = mod.At(x, y)[2] = mod.At(x, y)[3] = 255;
        BlendOver(blend, mod);
        const auto flags = UntouchedMipBlocks(mod, width, height);
        const auto same = BlocksLike(MakeMipLevels(blend, MipKind::Colour, pool),
                                     MakeMipLevels(black, MipKind::Colour, pool));
        ASSERT_EQ(flags.size(), same.size());
        const bool powerOfTwo = width == 64;
        for (std::size_t k = 0; k < flags.size(); ++k) {
            ASSERT_EQ(flags[k].size(), same[k].size());
            for (std::size_t b = 0; b < flags[k].size(); ++b) {
                EXPECT_TRUE(powerOfTwo ? flags[k][b] == same[k][b] : !flags[k][b] || same[k][b])
                    << "level " << k + 1 << " block " << b
                    << (flags[k][b] ? " untouched" : " touched");
            }
            // One texel reaches at most two blocks a side of the level below it.
            EXPECT_LE(std::count(flags[k].begin(), flags[k].end(), false), 4);
        }
    }
}
