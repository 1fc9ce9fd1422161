#include "imaging/PsdReader.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/LargestAllocation.h"

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

namespace {

// A copy of `file` with a big-endian field of `bytes` bytes at `offset` replaced.
std::string Patched(const std::string& file, std::size_t offset, int bytes, std::uint32_t value) {
    std::string field;
    for (int i = bytes - 1; i >= 0; --i) {
        field += static_cast<char>(i < 4 ? value >> (8 * i) : 0);
    }
    return file.substr(0, offset) + field + file.substr(offset + static_cast<std::size_t>(bytes));
}

} // namespace

// Damaged files fail with their reason, having allocated nothing for data the file does not hold;
// extra bytes at the end, and a last PackBits row of a single run, are fine.
TEST(PsdReader, DamagedFilesFailWithTheirReasonAllocatingNoMore) {
    const std::string psd = MakeRawPsd(2, 2, 4, 8, std::vector<std::uint32_t>(16, 7));
    const std::string roomy = psd + std::string(64, '\0'); // so that only the field is wrong
    const std::string packed = EncodePsd(MakeSeamedTexture(SampleKind::Normal, 9, 3, 1, 1), 8);
    RgbaImage image;
    ASSERT_TRUE(Decode(roomy, image));
    ASSERT_TRUE(Decode(packed, image));
    struct Case {
        const char* What;
        std::string File;
        std::string Reason = ""; // where the case pins it
    };
    const Case cases[] = {
        {"not a Photoshop file", Patched(roomy, 0, 1, 'X'),
         "not a Photoshop file: it does not start with \"8BPS\""},
        {"cut in the pixels", psd.substr(0, psd.size() - 1), "the file ends at byte 55 of 56"},
        {"cut in the header", psd.substr(0, 20), "the file ends at byte 20 of 26"},
        {"wider than the largest edge",
         MakeRawPsd(16385, 1, 1, 8, std::vector<std::uint32_t>(16385)),
         "its size of 16,385 x 1 pixels is outside 1 to 16,384 a side"},
        {"a width of 0", Patched(roomy, 18, 4, 0)},
        {"99 channels", Patched(roomy, 12, 2, 99)},
        {"RGB of two channels", Patched(roomy, 12, 2, 2)},
        {"32 bits a channel", Patched(roomy, 22, 2, 32)},
        {"CMYK", Patched(roomy, 24, 2, 4),
         "only grey and RGB Photoshop files are read, not colour "
         "mode 4"},
        {"16384 x 16384 declared by a small file",
         Patched(Patched(psd, 14, 4, 16384), 18, 4, 16384)},
        {"coded rows cut short", packed.substr(0, packed.size() - 3)},
        {"a literal run past its row", Patched(packed, packed.size() - 2, 1, 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        RgbaImage untouched(1, 1);
        ResetLargestAllocation();
        const Outcome read = Decode(c.File, untouched);
        EXPECT_LT(LargestAllocation(), 4096u);
        EXPECT_FALSE(read);
        EXPECT_FALSE(read.Why().Text.empty());
        if (!c.Reason.empty()) {
            EXPECT_EQ(read.Why().Text, c.Reason);
        }
        EXPECT_EQ(untouched.Width, 1) << "the image is untouched";
    }
}
