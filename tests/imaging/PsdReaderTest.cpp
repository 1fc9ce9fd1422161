#include "imaging/PsdReader.h"
#include "imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

Outcome Decode(const std::string& file, RgbaImage& image) {
    return DecodePsd(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), image);
}

} // namespace

// 16-bit samples become their high byte, as DevIL's conversion from IL_UNSIGNED_SHORT to
// IL_UNSIGNED_BYTE made them before (checked for all 65536 values): 0x00FF stays 0, where
// rounding would give 1.
TEST(PsdReader, SixteenBitSamplesKeepTheirHighByte) {
    std::vector<std::uint32_t> samples(2 * 65536);
    for (std::uint32_t i = 0; i < 65536; ++i) {
        samples[i] = i;                 // grey
        samples[65536 + i] = 65535 - i; // alpha
    }
    RgbaImage image;
    ASSERT_TRUE(Decode(MakeRawPsd(256, 256, 2, 16, samples), image));
    ASSERT_EQ(image.Pixels.size(), 65536u * 4);
    EXPECT_TRUE(image.HasAlpha);
    int wrong = 0;
    for (std::uint32_t i = 0; i < 65536; ++i) {
        const std::uint8_t* p = &image.Pixels[i * 4];
        const int grey = static_cast<int>(i >> 8), alpha = static_cast<int>((65535 - i) >> 8);
        wrong += p[0] != grey || p[1] != grey || p[2] != grey || p[3] != alpha;
    }
    EXPECT_EQ(wrong, 0);
    ASSERT_TRUE(
        Decode(MakeRawPsd(2, 1, 3, 16, {0x0102, 0xFFFF, 0x00FF, 0x8000, 0x7FFF, 0x1234}), image));
    EXPECT_EQ(image.Pixels, (std::vector<std::uint8_t>{1, 0, 0x7F, 255, 0xFF, 0x80, 0x12, 255}));
    EXPECT_FALSE(image.HasAlpha) << "three channels: RGB without alpha";
}

// Layered PackBits files of either depth, as editors save them, give back the picture; a flat
// grey mask fills all three colours and is opaque.
TEST(PsdReader, PackBitsFilesOfEitherDepthDecodeToThePicture) {
    const RgbaImage picture = MakeSeamMod(SampleKind::Skin, 131, 7, 3, 2); // rows of 131 pixels
    for (const int depth : {8, 16}) {
        RgbaImage image;
        ASSERT_TRUE(Decode(EncodePsd(picture, depth), image)) << depth;
        EXPECT_EQ(image.Width, 131);
        EXPECT_EQ(image.Pixels, picture.Pixels) << depth;

        ASSERT_TRUE(Decode(MakeGreyPsd(130, 4, depth), image)) << depth;
        EXPECT_FALSE(image.HasAlpha);
        for (int y = 0; y < 4; ++y) {
            EXPECT_EQ(PixelAt(image, 129, y), (std::vector<int>{85 * y, 85 * y, 85 * y, 255}))
                << depth << " row " << y;
        }
    }
}
