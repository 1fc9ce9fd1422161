// The block decoders on their own: BC1 to BC3 against libsquish on random blocks, the normal
// map's rebuilt Z, and blocks whose colours are known by construction. (BC4, BC5 and every BC7
// mode against Pillow: OracleTest.cpp.)
#include "imaging/BlockDecoders.h"
#include "imaging/Bc7Decoder.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/ImagingTestSupport.h"
#include "samples/SampleDds.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace quillon;

namespace {

TEST(BlockDecoders, Bc1ToBc3AreByteIdenticalToLibsquish) {
    struct Case {
        const char* Name;
        void (*Decode)(const std::uint8_t*, std::uint8_t*, std::size_t);
        int SquishFlags;
        std::size_t BlockBytes;
    };
    const Case cases[] = {
        {"BC1", DecodeBc1Block, squish::kDxt1, 8},
        {"BC2", DecodeBc2Block, squish::kDxt3, 16},
        {"BC3", DecodeBc3Block, squish::kDxt5, 16},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> blocks = RandomBytes(c.BlockBytes * 4000, 11);
        int mismatches = 0;
        for (std::size_t at = 0; at < blocks.size(); at += c.BlockBytes) {
            std::uint8_t ours[64], theirs[64];
            c.Decode(&blocks[at], ours, BlockRowBytes);
            squish::Decompress(theirs, &blocks[at], c.SquishFlags);
            mismatches += std::memcmp(ours, theirs, 64) != 0;
        }
        EXPECT_EQ(mismatches, 0) << c.Name;
    }
}

TEST(BlockDecoders, RowsLandAtTheGivenStride) {
    const std::vector<std::uint8_t> block = RandomBytes(16, 5);
    std::uint8_t alone[64];
    DecodeBc7Block(block.data(), alone);
    std::vector<std::uint8_t> wide(40 * 4, 0xEE); // rows of 40 bytes: 24 untouched after each
    DecodeBc7Block(block.data(), wide.data(), 40);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(std::memcmp(&wide[y * 40], &alone[y * 16], 16), 0) << y;
        EXPECT_EQ(wide[y * 40 + 16], 0xEE) << y;
    }
}

TEST(BlockDecoders, NormalMapZMakesUnitVectors) {
    // By hand: flat (128, 128) points straight out; a vector at the rim has no Z.
    EXPECT_EQ(NormalZ(128, 128), 255);
    EXPECT_EQ(NormalZ(255, 128), 128);
    EXPECT_EQ(NormalZ(0, 128), 128);
    EXPECT_EQ(NormalZ(255, 255), 128); // beyond the unit circle: Z clamps to 0
    // Every X, Y inside the unit circle gives a vector of length 1, to within the 8-bit steps.
    double worst = 0;
    for (int x = 0; x < 256; ++x) {
        for (int y = 0; y < 256; ++y) {
            const double nx = x / 127.5 - 1, ny = y / 127.5 - 1;
            if (nx * nx + ny * ny > 0.95) {
                continue;
            }
            const double nz =
                NormalZ(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)) / 127.5 - 1;
            worst = std::max(worst, std::abs(std::sqrt(nx * nx + ny * ny + nz * nz) - 1));
        }
    }
    EXPECT_LT(worst, 1.0 / 127.5);
}

// Every mode against Pillow in OracleTest.cpp; random blocks there always name a mode.
TEST(BlockDecoders, ABc7BlockOfNoModeIsTransparentBlack) {
    // A first byte of 0 names no mode.
    std::uint8_t pixels[64];
    std::uint8_t none[16] = {0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    DecodeBc7Block(none, pixels);
    EXPECT_EQ(std::vector<int>(pixels, pixels + 64), std::vector<int>(64, 0));
}

} // namespace
