#include "imaging/PsdReader.h"

#include "imaging/ImagingTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A picture whose every row and column differs, so a flipped or shifted channel shows.
Picture Pattern(int width, int height) {
    Picture image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.At(x, y);
            p[0] = static_cast<std::uint8_t>(x * 7);
            p[1] = static_cast<std::uint8_t>(y * 11);
            p[2] = static_cast<std::uint8_t>(x + y == 3 ? 255 : 9); // runs and literals
            p[3] = static_cast<std::uint8_t>(y * 40 + x);
        }
    }
    return image;
}

bool Decode(const std::vector<std::uint8_t>& bytes, PsdImage& image) {
    return DecodePsd(bytes.data(), bytes.size(), image);
}

// A copy of a file with one big-endian header field replaced.
std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> bytes, size_t offset, int size,
                                  std::uint32_t value) {
    for (int i = size - 1; i >= 0; --i, value >>= 8) {
        bytes.at(offset + static_cast<size_t>(i)) = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

} // namespace

TEST(PsdReader, ReadsLayeredPackBitsFilesRightWayUpWithTheirAlpha) {
    TempFolder root;
    const Picture source = Pattern(37, 5); // odd sizes: rows of runs and literals
    for (const int bits : {8, 16}) {
        ASSERT_TRUE(WritePsd(root / "mod.psd", source, bits));
        PsdImage image;
        ASSERT_TRUE(ReadPsd(root / "mod.psd", image)) << bits;
        ASSERT_EQ(image.Width, 37);
        ASSERT_EQ(image.Height, 5);
        EXPECT_EQ(image.BitsPerChannel, bits);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 37; ++x) {
                for (int c = 0; c < 4; ++c) {
                    const size_t i = (static_cast<size_t>(y) * 37 + x) * 4 + c;
                    const unsigned got = bits == 8 ? image.Pixels8[i] : image.Pixels16[i];
                    const unsigned want = source.At(x, y)[c] * (bits == 8 ? 1u : 257u);
                    ASSERT_EQ(got, want) << "bits " << bits << " at " << x << "," << y << " c" << c;
                }
            }
        }
    }
}

TEST(PsdReader, ReadsRawGreyAndOpaqueFiles) {
    Picture source(2, 1);
    source.Pixels = {0x12, 0, 0, 0x80, 0xFF, 0, 0, 0x01};
    PsdImage image;
    // Grey with alpha, 16 bits: the grey stands for all three colours.
    ASSERT_TRUE(Decode(MakePsd(source, 2, 16), image));
    EXPECT_EQ(image.Pixels16, (std::vector<std::uint16_t>{0x1212, 0x1212, 0x1212, 0x8080, 0xFFFF,
                                                          0xFFFF, 0xFFFF, 0x0101}));
    // RGB without a fourth channel is opaque.
    ASSERT_TRUE(Decode(MakePsd(source, 3, 8), image));
    EXPECT_EQ(image.Pixels8, (std::vector<std::uint8_t>{0x12, 0, 0, 255, 0xFF, 0, 0, 255}));
}

TEST(PsdReader, RefusesWhatItCannotReadSafely) {
    const std::vector<std::uint8_t> good = MakePsd(Uniform(2, 2, 7, 7, 7, 7), 4, 8);
    PsdImage image;
    ASSERT_TRUE(Decode(good, image));
    // Header fields: channels at 12, height at 14, width at 18, depth at 22, mode at 24.
    struct Case {
        const char* What;
        std::vector<std::uint8_t> Bytes;
    };
    const Case cases[] = {
        {"not a Photoshop file", Patched(good, 0, 1, 'X')},
        {"truncated data", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
        {"truncated header", std::vector<std::uint8_t>(good.begin(), good.begin() + 20)},
        {"empty", {}},
        {"absurd edge", Patched(good, 18, 4, 100000)},
        {"zero width", Patched(good, 18, 4, 0)},
        {"impossible channel count", Patched(good, 12, 2, 0)},
        {"too many channels", Patched(good, 12, 2, 99)},
        {"RGB with two channels", Patched(good, 12, 2, 2)},
        {"32-bit samples", Patched(good, 22, 2, 32)},
        {"CMYK", Patched(good, 24, 2, 4)},
        // Claims 16384 x 16384 at 16 bits but holds a few bytes: refused before allocating.
        {"huge claim, tiny file",
         Patched(Patched(Patched(good, 14, 4, 16384), 18, 4, 16384), 22, 2, 16)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Decode(c.Bytes, image)) << c.What;
    }
}

TEST(PsdReader, RefusesMalformedPackBitsRows) {
    TempFolder root;
    ASSERT_TRUE(WritePsd(root / "mod.psd", Pattern(9, 3), 8));
    std::vector<std::uint8_t> bytes = ReadBytes(root / "mod.psd");
    PsdImage image;
    ASSERT_TRUE(Decode(bytes, image));
    // The merged image's rows are last; cutting the file or a coded row short must fail.
    EXPECT_FALSE(Decode(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 3), image));
    bytes[bytes.size() - 10] = 0x7F; // the last row: a literal past its end
    EXPECT_FALSE(Decode(bytes, image));
}
