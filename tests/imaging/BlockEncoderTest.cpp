#include "imaging/Bc1Encoder.h"
#include "imaging/Bc3Encoder.h"
#include "imaging/Bc7Encoder.h"
#include "imaging/BlockEncoding.h"
#include "imaging/Composite.h"
#include "imaging/EncoderTestImages.h"
#include "imaging/ImagingTestSupport.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <set>

using namespace quillon;

namespace {

using Block = std::array<std::uint8_t, 64>; // 16 pixels RGBA8, row by row

// A skin-like base with a seam, and the same with a modification blended over a band around it.
RgbaImage BlendBand() {
    RgbaImage base = MakeSeamedTexture(SampleKind::Skin, 64, 64, 30, 7);
    BlendOver(base, MakeSeamMod(SampleKind::Skin, 64, 64, 30, 10));
    return base;
}

// Squared error over channels first to last - 1.
double SquaredError(const RgbaImage& a, const RgbaImage& b, int first, int last) {
    double sum = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i) {
        const int c = static_cast<int>(i % 4);
        if (c >= first && c < last) {
            const double d = double(a.Pixels[i]) - b.Pixels[i];
            sum += d * d;
        }
    }
    return sum;
}

double Psnr(const RgbaImage& a, const RgbaImage& b, int first, int last) {
    const double sum = SquaredError(a, b, first, last);
    const double samples = double(a.Width) * a.Height * (last - first);
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * samples / sum);
}

// libsquish's cluster fit, the reference our encoders are measured against (DXT1 made opaque
// first, as our DXT1 output is).
RgbaImage Squish(const RgbaImage& image, int flags) {
    RgbaImage source = image;
    if (flags & squish::kDxt1) {
        for (std::size_t i = 3; i < source.Pixels.size(); i += 4) {
            source.Pixels[i] = 255;
        }
    }
    std::vector<std::uint8_t> blocks(
        static_cast<std::size_t>(squish::GetStorageRequirements(image.Width, image.Height, flags)));
    squish::CompressImage(source.Pixels.data(), image.Width, image.Height, blocks.data(),
                          flags | squish::kColourClusterFit);
    RgbaImage out(image.Width, image.Height);
    squish::DecompressImage(out.Pixels.data(), image.Width, image.Height, blocks.data(), flags);
    return out;
}

RgbaImage Ours(const RgbaImage& image, BlockFormat format, TaskPool& pool) {
    return DecodeImage(EncodeBlocks(image, format, pool), image.Width, image.Height, format);
}

struct QualityRow {
    const char* Name;
    RgbaImage Image;
    double Bc7Gain; // BC7's PSNR above ours at the same alpha: over BC1 (opaque) or BC3 (alpha)
};

} // namespace

// Over images of every kind the tool meets: BC1 within 0.02 dB of libsquish's cluster fit, BC3's
// alpha never worse than libsquish's and its colour within 0.02 dB, and BC7 the given margin
// above our DXT1 (opaque) or DXT5 (alpha). Our BC1 output is always opaque.
TEST(BlockEncoderTest, QualityAgainstLibsquishPerImage) {
    const std::vector<QualityRow> rows = {
        {"smooth gradient", Generate([](int x, int y, std::uint8_t* px) {
             px[0] = Clamp(20 + 3.5 * x), px[1] = Clamp(200 - 2.5 * y);
             px[2] = Clamp(60 + 1.5 * (x + y));
         }),
         4},
        {"uniform noise", Noise(5, 3), 2},
        {"hard edges", Generate([](int x, int y, std::uint8_t* px) {
             const int band = (x / 5 + y / 3) % 3;
             px[0] = static_cast<std::uint8_t>(30 + 90 * band), px[1] = y < 29 ? 200 : 60;
             px[2] = static_cast<std::uint8_t>(band == 1 ? 250 : 10);
         }),
         4},
        {"blend band over a seamed skin", BlendBand(), 4},
        {"photographic", Photographic(false, 3), 4},
        // Where alpha varies on its own and the colour is detailed everywhere, BC7's alpha modes
        // gain less over DXT5's near-lossless alpha.
        {"normal map", MakeSeamedTexture(SampleKind::Normal, 64, 64, 40, 11), 2.5},
        {"photographic under a soft mask", Photographic(true, 4), 2.2},
        {"decal on transparent", MakeDecal(64, 64, 0xC08040, 9), 4},
        {"seam modification band", MakeSeamMod(SampleKind::Skin, 64, 64, 30, 12), 3.2},
        {"noise with noisy alpha", Noise(6, 4), 0.4},
    };
    TaskPool pool(2);
    for (const QualityRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const RgbaImage& image = row.Image;
        const bool hasAlpha = Translucent(image) > 0;

        const RgbaImage bc1 = Ours(image, BlockFormat::BC1, pool);
        EXPECT_GE(Psnr(bc1, image, 0, 3), Psnr(Squish(image, squish::kDxt1), image, 0, 3) - 0.02);
        EXPECT_EQ(Translucent(bc1), 0) << "DXT1 output must stay opaque";

        const RgbaImage bc3 = Ours(image, BlockFormat::BC3, pool);
        const RgbaImage squish3 = Squish(image, squish::kDxt5);
        EXPECT_LE(SquaredError(bc3, image, 3, 4), SquaredError(squish3, image, 3, 4));
        EXPECT_GE(Psnr(bc3, image, 0, 3), Psnr(squish3, image, 0, 3) - 0.02);

        const RgbaImage bc7 = Ours(image, BlockFormat::BC7, pool);
        if (hasAlpha) {
            EXPECT_GE(Psnr(bc7, image, 0, 4), Psnr(bc3, image, 0, 4) + row.Bc7Gain);
        } else {
            EXPECT_GE(Psnr(bc7, image, 0, 3), Psnr(bc1, image, 0, 3) + row.Bc7Gain);
        }
    }
}

namespace {

// The least squared error any BC1 block can give a solid colour in the given mode (every pixel
// on one index), found by trying every endpoint pair per channel.
int BestSolidBc1Error(const std::uint8_t* rgb, bool allowThree) {
    auto expand = [](int v, int bits) {
        return bits == 5 ? (v << 3) | (v >> 2) : (v << 2) | (v >> 4);
    };
    int best = 1 << 30;
    for (int mode = 0; mode < (allowThree ? 2 : 1); ++mode) {
        int total = 0;
        for (int c = 0; c < 3; ++c) {
            const int bits = c == 1 ? 6 : 5;
            int channelBest = 1 << 30;
            for (int a = 0; a < (1 << bits); ++a) {
                for (int b = 0; b < (1 << bits); ++b) {
                    const int ea = expand(a, bits), eb = expand(b, bits);
                    const int v = mode == 0 ? (2 * ea + eb) / 3 : (ea + eb) / 2;
                    channelBest = std::min(channelBest, (v - rgb[c]) * (v - rgb[c]));
                }
            }
            total += channelBest;
        }
        best = std::min(best, total);
    }
    return best * 16;
}

int BlockError(const Block& a, const Block& b, int first, int last) {
    int sum = 0;
    for (std::size_t i = 0; i < 64; ++i) {
        if (int(i % 4) >= first && int(i % 4) < last) {
            sum += (a[i] - b[i]) * (a[i] - b[i]);
        }
    }
    return sum;
}

Block Filled(const std::uint8_t* rgba) {
    Block block;
    for (std::size_t i = 0; i < 64; ++i) {
        block[i] = rgba[i % 4];
    }
    return block;
}

// One block through an encoder of ours (BC1 opaque) and its decoder.
Block RoundTrip(const Block& in, BlockFormat format) {
    std::uint8_t block[16];
    Block out;
    if (format == BlockFormat::BC1) {
        EncodeBc1Block(in.data(), block, Bc1Colours::OpaqueDxt1);
        DecodeBc1Block(block, out.data());
    } else if (format == BlockFormat::BC3) {
        EncodeBc3Block(in.data(), block);
        DecodeBc3Block(block, out.data());
    } else {
        EncodeBc7Block(in.data(), block);
        DecodeBc7Block(block, out.data());
    }
    return out;
}

} // namespace

// A solid block comes out as well as any block can give it: BC1 at the least error of any
// endpoint pair, BC3's alpha and BC7 exact.
TEST(BlockEncoderTest, SolidBlocksAreTheBestPossible) {
    std::vector<std::uint8_t> colours = {0, 0, 0,   255, 255, 255, 255, 0, 1,   2,
                                         3, 4, 128, 64,  200, 128, 254, 1, 127, 77};
    const std::vector<std::uint8_t> random = RandomBytes(4 * 40, 21);
    colours.insert(colours.end(), random.begin(), random.end());
    for (std::size_t at = 0; at < colours.size(); at += 4) {
        const std::uint8_t* colour = &colours[at];
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(colour, colour + 4)));
        const Block in = Filled(colour);
        EXPECT_EQ(BlockError(in, RoundTrip(in, BlockFormat::BC1), 0, 3),
                  BestSolidBc1Error(colour, true));
        const Block bc3 = RoundTrip(in, BlockFormat::BC3);
        EXPECT_EQ(BlockError(in, bc3, 3, 4), 0);
        EXPECT_EQ(BlockError(in, bc3, 0, 3), BestSolidBc1Error(colour, false));
        EXPECT_EQ(BlockError(in, RoundTrip(in, BlockFormat::BC7), 0, 4), 0);
    }
}

// A block one channel of one pixel away from solid is not taken for solid: whichever pixel and
// channel differ, BC1 and BC3 come out closer than the best solid block could, and alpha alone
// differing leaves BC1's colour the best solid one.
TEST(BlockEncoderTest, NearlySolidBlocksAreNotSolid) {
    const std::uint8_t colour[4] = {100, 150, 200, 255};
    for (std::size_t at = 0; at < 64; ++at) {
        SCOPED_TRACE(testing::Message() << "pixel " << at / 4 << ", channel " << at % 4);
        Block in = Filled(colour);
        in[at] = 20;
        const int bc1 = BlockError(in, RoundTrip(in, BlockFormat::BC1), 0, 3);
        const Block bc3 = RoundTrip(in, BlockFormat::BC3);
        if (at % 4 == 3) {
            EXPECT_EQ(bc1, BestSolidBc1Error(colour, true));
            EXPECT_EQ(BlockError(in, bc3, 3, 4), 0);
        } else { // the best solid block leaves the odd pixel about 80 away in that channel
            EXPECT_LT(bc1, 80 * 80 / 2);
            EXPECT_LT(BlockError(in, bc3, 0, 3), 80 * 80 / 2);
        }
    }
}

// Two colours that the formats store exactly, in several layouts, come back exactly: 565 colours
// in BC1 and BC3 (with two alpha values), and in BC7 colours whose channels share their lowest bit.
TEST(BlockEncoderTest, TwoColourBlocksAreExact) {
    std::mt19937 random(22);
    const std::uint16_t layouts[] = {0x00FF, 0x3333, 0x8421, 0x0001, 0x7FFE, 0xA5A5};
    for (int trial = 0; trial < 30; ++trial) {
        SCOPED_TRACE(trial);
        std::uint8_t colours[2][4];
        const auto laidOut = [&] {
            Block in;
            for (std::size_t i = 0; i < 16; ++i) {
                std::memcpy(&in[i * 4], colours[(layouts[trial % 6] >> i) & 1], 4);
            }
            return in;
        };
        for (auto& colour : colours) {
            const int r = static_cast<int>(random() % 32), g = static_cast<int>(random() % 64),
                      b = static_cast<int>(random() % 32);
            colour[0] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
            colour[1] = static_cast<std::uint8_t>((g << 2) | (g >> 4));
            colour[2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
            colour[3] = static_cast<std::uint8_t>(random());
        }
        Block in = laidOut();
        EXPECT_EQ(BlockError(in, RoundTrip(in, BlockFormat::BC1), 0, 3), 0);
        EXPECT_EQ(BlockError(in, RoundTrip(in, BlockFormat::BC3), 0, 4), 0);

        // BC7: every channel of a colour even, or every one odd (alpha too).
        for (auto& colour : colours) {
            const int low = static_cast<int>(random() % 2);
            for (std::uint8_t& channel : colour) {
                channel = static_cast<std::uint8_t>((random() & 0xFE) | low);
            }
        }
        in = laidOut();
        EXPECT_EQ(BlockError(in, RoundTrip(in, BlockFormat::BC7), 0, 4), 0);
    }
}

// BC7 round trips, per mode: on an opaque and a masked image every mode the encoder should use
// turns up, and each mode's blocks come back close to the source.
TEST(BlockEncoderTest, Bc7RoundTripsPerMode) {
    TaskPool pool(2);
    for (const Bc7ModeCase& c : Bc7ModeCases()) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::uint8_t> stream = EncodeBlocks(c.Image, BlockFormat::BC7, pool);
        const RgbaImage ours = DecodeImage(stream, 64, 64, BlockFormat::BC7);
        std::map<int, std::pair<double, int>> errorByMode; // squared error, blocks
        for (std::size_t b = 0; b < 256; ++b) {
            const int mode = Bc7Mode(&stream[b * 16]);
            const int bx = static_cast<int>(b % 16) * 4, by = static_cast<int>(b / 16) * 4;
            double sum = 0;
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 16; ++x) {
                    const double d = double(ours.At(bx, by + y)[x]) - c.Image.At(bx, by + y)[x];
                    sum += d * d;
                }
            }
            errorByMode[mode].first += sum;
            errorByMode[mode].second += 1;
        }
        for (const int mode : c.Modes) {
            SCOPED_TRACE(mode);
            ASSERT_TRUE(errorByMode.count(mode)) << "the mode is never chosen";
            const auto [sum, blocks] = errorByMode[mode];
            EXPECT_LT(sum / (blocks * 64.0), 30.0) << "mean squared error per channel";
        }
    }
}

// A block of one alpha decodes to exactly that alpha. Opaque images, through every mode the
// encoder picks for them (1, 3, 5 and 6), stay 255 everywhere; other values stay exact too, with
// mode 7 among the modes where its endpoints store the value (0 and 4 of 6 bits, not 128).
TEST(BlockEncoderTest, Bc7KeepsAlphaOfOneValueExact) {
    TaskPool pool(2);
    std::map<int, std::set<int>> modesByAlpha;
    for (const RgbaImage& opaque : OpaqueImages()) {
        for (const int alpha : {255, 254, 128, 77, 4, 1, 0}) {
            SCOPED_TRACE(alpha);
            RgbaImage image = opaque;
            for (std::size_t i = 3; i < image.Pixels.size(); i += 4) {
                image.Pixels[i] = static_cast<std::uint8_t>(alpha);
            }
            const std::vector<std::uint8_t> stream = EncodeBlocks(image, BlockFormat::BC7, pool);
            const RgbaImage decoded =
                DecodeImage(stream, image.Width, image.Height, BlockFormat::BC7);
            int wrong = 0;
            for (std::size_t i = 3; i < decoded.Pixels.size(); i += 4) {
                wrong += decoded.Pixels[i] != alpha;
            }
            EXPECT_EQ(wrong, 0) << "texels whose alpha changed";
            for (std::size_t at = 0; at < stream.size(); at += 16) {
                modesByAlpha[alpha].insert(Bc7Mode(&stream[at]));
            }
            // Keeping alpha exact costs the colour little: never below our DXT1.
            EXPECT_GE(Psnr(decoded, image, 0, 3),
                      Psnr(Ours(image, BlockFormat::BC1, pool), image, 0, 3));
        }
    }
    EXPECT_EQ(modesByAlpha[255], (std::set<int>{1, 3, 5, 6}));
    for (const int alpha : {0, 4}) {
        EXPECT_TRUE(modesByAlpha[alpha].count(7)) << alpha;
    }
    EXPECT_FALSE(modesByAlpha[128].count(7));
}

// Edge blocks that run past the image repeat its last column and row: on a uniform image whose
// edges end mid-block, every block is the solid block's encoding.
TEST(BlockEncoderTest, EdgeBlocksOfAUniformImageAreSolid) {
    TaskPool pool(2);
    const std::uint8_t colour[4] = {100, 150, 201, 77};
    for (const BlockFormat format : {BlockFormat::BC1, BlockFormat::BC3, BlockFormat::BC7}) {
        SCOPED_TRACE(static_cast<int>(format));
        const Block solid = RoundTrip(Filled(colour), format);
        EXPECT_EQ(Ours(Uniform(37, 23, {colour[0], colour[1], colour[2], colour[3]}), format, pool)
                      .Pixels,
                  Uniform(37, 23, {solid[0], solid[1], solid[2], solid[3]}).Pixels);
    }
}

// Images the encoders cannot take give no blocks.
TEST(BlockEncoderTest, InconsistentImagesGiveNothing) {
    TaskPool pool(1);
    RgbaImage shortPixels(8, 8);
    shortPixels.Pixels.resize(100);
    RgbaImage tooWide;
    tooWide.Width = MaxTextureEdge + 1;
    tooWide.Height = 1;
    tooWide.Pixels.resize(static_cast<std::size_t>(tooWide.Width) * 4);
    for (const RgbaImage& image : {RgbaImage(), shortPixels, tooWide}) {
        EXPECT_TRUE(EncodeBlocks(image, BlockFormat::BC1, pool).empty());
        EXPECT_TRUE(EncodeBlocks(image, BlockFormat::BC7, pool).empty());
    }
}
