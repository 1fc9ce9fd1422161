// The BMP files stb_image refuses, read as Windows defines them: run-length codes of 8 and 4 bits,
// and true-colour files with a palette between header and pixels. Pillow's reading of the same
// files is compared in OracleTest.cpp.
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/LargestAllocation.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

const std::vector<std::array<std::uint8_t, 3>> Palette = {{0, 0, 0},   {255, 0, 0},     {0, 255, 0},
                                                          {0, 0, 255}, {255, 255, 255}, {9, 8, 7}};

Outcome Read(const std::vector<std::uint8_t>& file, RgbaImage& image) {
    return ReadImageBytes(file, "texture.bmp", true, image);
}

// The image's pixels as palette indices (-1 for a colour not in the palette), rows top-down.
std::vector<std::vector<int>> Indices(const RgbaImage& image) {
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(image.Height));
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            int index = -1;
            for (std::size_t i = 0; i < Palette.size(); ++i) {
                if (p[0] == Palette[i][0] && p[1] == Palette[i][1] && p[2] == Palette[i][2]) {
                    index = static_cast<int>(i);
                }
            }
            rows[static_cast<std::size_t>(y)].push_back(p[3] == 255 ? index : -2);
        }
    }
    return rows;
}

} // namespace

TEST(BmpReader, RunLengthCodesAsWindowsDefinesThem) {
    const auto check = [](int width, int height, int bits, const std::vector<std::uint8_t>& codes,
                          const std::vector<std::vector<int>>& expected) {
        SCOPED_TRACE(testing::PrintToString(codes));
        RgbaImage image;
        const Outcome read =
            Read(MakeBmp(width, height, bits, bits == 8 ? 1 : 2, Palette, codes), image);
        ASSERT_TRUE(read) << read.Why().Text;
        EXPECT_FALSE(image.HasAlpha);
        EXPECT_EQ(Indices(image), expected); // palette indices, rows top-down
    };
    // 8 bits. Bottom row: a run of three; then a move right by one, a run of two, a run past the
    // row's end (cut); the top row: three indices as they are (padded to an even count).
    check(4, 3, 8, {3, 1, 0, 0, 0, 2, 1, 0, 2, 4, 9, 5, 0, 0, 0, 3, 2, 3, 4, 0, 0, 1},
          {{2, 3, 4, 0}, {0, 4, 4, 5}, {1, 1, 1, 0}});
    // 4 bits: two alternating indices a run; an odd count of indices as they are (two bytes).
    check(5, 2, 4, {5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1}, {{3, 4, 5, 0, 0}, {1, 2, 1, 2, 1}});
    // A move up two rows skips one; the codes end without their end: the rest stays entry 0.
    check(2, 3, 8, {0, 2, 0, 2, 2, 3}, {{3, 3}, {0, 0}, {0, 0}});
}

TEST(BmpReader, RunLengthFilesItRefuses) {
    RgbaImage image(1, 1);
    const Outcome topDown = Read(MakeBmp(2, -2, 8, 1, Palette, {2, 1, 0, 1}), image);
    EXPECT_EQ(topDown.Why().Text, "a run-length coded BMP must be stored bottom-up");
    // 1 GB of pixels declared by a few bytes: refused before anything is allocated.
    const std::vector<std::uint8_t> file = MakeBmp(16384, 16384, 8, 1, Palette, {255, 1, 0, 1});
    ResetLargestAllocation();
    const Outcome huge = Read(file, image);
    EXPECT_LT(LargestAllocation(), 4096u);
    EXPECT_EQ(huge.Why().Text,
              "its " + std::to_string(file.size()) + " bytes cannot hold 16,384 x 16,384 pixels");
    EXPECT_EQ(image.Width, 1) << "the image is untouched";
}

// Pixels after a palette (and after spare bytes) read as the same pixels without one.
TEST(BmpReader, TrueColourFilesWithAPaletteReadAsWithout) {
    const std::vector<std::array<std::uint8_t, 3>> none;
    const std::vector<std::array<std::uint8_t, 3>> palette(256, {1, 2, 3});
    const std::vector<std::uint8_t> rows24 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const std::vector<std::uint8_t> rows32 = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
    const std::vector<std::uint8_t> rows565 = {0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8, 0xFF, 0xFF};
    const std::vector<std::uint32_t> masks565 = {0xF800, 0x07E0, 0x001F};
    struct Case {
        const char* What;
        int Bits;
        std::uint32_t Compression;
        const std::vector<std::uint8_t>& Rows;
        std::vector<std::uint32_t> Masks;
        std::vector<int> TopLeft; // the first two pixels of the top row
    };
    const Case cases[] = {
        {"24 bits", 24, 0, rows24, {}, {9, 8, 7, 255, 12, 11, 10, 255}},
        {"32 bits", 32, 0, rows32, {}, {9, 8, 7, 255, 12, 11, 10, 255}},
        {"16 bits in bit fields", 16, 3, rows565, masks565, {255, 0, 0, 255, 255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        RgbaImage plain, withPalette, withGap;
        ASSERT_TRUE(Read(MakeBmp(2, 2, c.Bits, c.Compression, none, c.Rows, 0, c.Masks), plain));
        EXPECT_EQ(std::vector<int>(plain.Pixels.begin(), plain.Pixels.begin() + 8), c.TopLeft);
        const Outcome read =
            Read(MakeBmp(2, 2, c.Bits, c.Compression, palette, c.Rows, 0, c.Masks), withPalette);
        ASSERT_TRUE(read) << read.Why().Text;
        EXPECT_EQ(withPalette.Pixels, plain.Pixels);
        EXPECT_EQ(withPalette.HasAlpha, plain.HasAlpha);
        ASSERT_TRUE(Read(MakeBmp(2, 2, c.Bits, c.Compression, none, c.Rows, 6, c.Masks), withGap));
        EXPECT_EQ(withGap.Pixels, plain.Pixels);
    }
    RgbaImage image;
    std::vector<std::uint8_t> cut = MakeBmp(2, 2, 24, 0, palette, rows24);
    cut.resize(cut.size() - rows24.size() - 1); // ends before the pixels do
    EXPECT_FALSE(Read(cut, image));
}
