#include "imaging/PsdReader.h"

#include "samples/SampleImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A picture whose every row and column differs, so a flipped or shifted channel shows.
RgbaImage Pattern(int width, int height) {
    RgbaImage image(width, height);
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

void PutBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// An uncompressed file with no layers, as simple writers make it.
std::string RawPsd(int width, int height, int channels, int depth, int mode,
                   const std::vector<std::uint16_t>& planes) {
    std::string data = "8BPS";
    PutBigEndian(data, 1, 2);
    data.append(6, '\0');
    PutBigEndian(data, static_cast<std::uint32_t>(channels), 2);
    PutBigEndian(data, static_cast<std::uint32_t>(height), 4);
    PutBigEndian(data, static_cast<std::uint32_t>(width), 4);
    PutBigEndian(data, static_cast<std::uint32_t>(depth), 2);
    PutBigEndian(data, static_cast<std::uint32_t>(mode), 2);
    PutBigEndian(data, 0, 4);
    PutBigEndian(data, 0, 4);
    PutBigEndian(data, 0, 4);
    PutBigEndian(data, 0, 2);
    for (std::uint16_t sample : planes) {
        PutBigEndian(data, sample, depth / 8);
    }
    return data;
}

bool Decode(const std::string& bytes, PsdImage& image) {
    return DecodePsd(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image);
}

} // namespace

TEST(PsdReader, ReadsLayeredPackBitsFilesRightWayUpWithTheirAlpha) {
    TempFolder root;
    const RgbaImage source = Pattern(37, 5); // odd sizes: rows of runs and literals
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
    PsdImage image;
    // Two grey pixels with alpha, 16 bits: planes grey then alpha.
    ASSERT_TRUE(Decode(RawPsd(2, 1, 2, 16, 1, {0x1234, 0xFFFF, 0x8000, 0x0001}), image));
    EXPECT_EQ(image.Pixels16, (std::vector<std::uint16_t>{0x1234, 0x1234, 0x1234, 0x8000, 0xFFFF,
                                                          0xFFFF, 0xFFFF, 0x0001}));
    // RGB without a fourth channel is opaque.
    ASSERT_TRUE(Decode(RawPsd(1, 2, 3, 8, 3, {1, 2, 3, 4, 5, 6}), image));
    EXPECT_EQ(image.Pixels8, (std::vector<std::uint8_t>{1, 3, 5, 255, 2, 4, 6, 255}));
}

TEST(PsdReader, RefusesWhatItCannotReadSafely) {
    const std::vector<std::uint16_t> four(4 * 4, 7);
    const std::string good = RawPsd(2, 2, 4, 8, 3, four);
    PsdImage image;
    ASSERT_TRUE(Decode(good, image));
    struct Case {
        const char* What;
        std::string Bytes;
    };
    std::string wrongMagic = good;
    wrongMagic[0] = 'X';
    const Case cases[] = {
        {"not a Photoshop file", wrongMagic},
        {"truncated data", good.substr(0, good.size() - 1)},
        {"truncated header", good.substr(0, 20)},
        {"empty", ""},
        {"absurd edge", RawPsd(100000, 2, 4, 8, 3, four)},
        {"zero width", RawPsd(0, 2, 4, 8, 3, four)},
        {"impossible channel count", RawPsd(2, 2, 0, 8, 3, four)},
        {"too many channels", RawPsd(2, 2, 99, 8, 3, four)},
        {"RGB with two channels", RawPsd(2, 2, 2, 8, 3, four)},
        {"32-bit samples", RawPsd(2, 2, 4, 32, 3, four)},
        {"CMYK", RawPsd(2, 2, 4, 8, 4, four)},
        // Claims 16384 x 16384 but holds a few bytes: refused before any allocation.
        {"huge claim, tiny file", RawPsd(16384, 16384, 4, 16, 3, four)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Decode(c.Bytes, image)) << c.What;
    }
}

TEST(PsdReader, RefusesMalformedPackBitsRows) {
    TempFolder root;
    ASSERT_TRUE(WritePsd(root / "mod.psd", Pattern(9, 3), 8));
    std::string bytes = ReadTextFile(root / "mod.psd");
    PsdImage image;
    ASSERT_TRUE(Decode(bytes, image));
    // The merged image's rows are last; cutting the file or a coded row short must fail.
    EXPECT_FALSE(Decode(bytes.substr(0, bytes.size() - 3), image));
    bytes[bytes.size() - 10] = static_cast<char>(0x7F); // the last row: a literal past its end
    EXPECT_FALSE(Decode(bytes, image));
}
