// The DDS writer as a whole file: every level in the format asked for, the same bytes on any
// number of threads, and the installed blocks copied only where format, size and flags fit.
#include "imaging/DdsWriter.h"
#include "imaging/Composite.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/EncoderTestImages.h"
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/MipChain.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

using namespace quillon;

namespace {

// A skin texture under a soft varying alpha, 45 x 30: edges end mid-block on every level.
RgbaImage Textured() {
    RgbaImage image = MakeSeamedTexture(SampleKind::Skin, 45, 30, 17, 5);
    for (int y = 0; y < image.Height; ++y) {
        for (int x = 0; x < image.Width; ++x) {
            image.At(x, y)[3] = static_cast<std::uint8_t>((x * 37 + y * 11) % 256);
        }
    }
    return image;
}

int Worst(const RgbaImage& a, const RgbaImage& b, int first, int last) {
    int worst = 0;
    for (std::size_t i = 0; i < a.Pixels.size() && i < b.Pixels.size(); ++i) {
        const int channel = static_cast<int>(i % 4);
        if (channel >= first && channel < last) {
            worst = std::max(worst, std::abs(a.Pixels[i] - b.Pixels[i]));
        }
    }
    return worst;
}

// The chain of a power-of-two picture made here, apart from the filter under test: each texel
// the mean of the 2 x 2 (or 2 x 1) texels above it, colour in linear light, normals as vectors
// made unit again, alpha as stored. RGBA doubles in byte units; level 0 is the picture.
std::vector<std::vector<double>> BoxLevels(const RgbaImage& top, bool normals) {
    const auto toLinear = [normals](double byte) {
        const double v = byte / 255.0;
        return normals        ? v * 2.0 - 1.0
               : v <= 0.04045 ? v / 12.92
                              : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const auto toByte = [normals](double v) {
        return normals
                   ? (v + 1) * 127.5
                   : 255.0 * (v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    };
    std::vector<double> level(top.Pixels.size());
    for (std::size_t i = 0; i < level.size(); ++i) {
        level[i] = i % 4 == 3 ? top.Pixels[i] : toLinear(top.Pixels[i]);
    }
    std::vector<std::vector<double>> chain{level};
    for (int width = top.Width, height = top.Height; width > 1 || height > 1;) {
        const int w = std::max(1, width / 2), h = std::max(1, height / 2);
        const int fx = width / w, fy = height / h;
        std::vector<double> next(std::size_t(w) * h * 4);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                double* texel = &next[(std::size_t(y) * w + x) * 4];
                for (int j = 0; j < fy; ++j) {
                    for (int i = 0; i < fx; ++i) {
                        const double* above =
                            &chain.back()[(std::size_t(y * fy + j) * width + x * fx + i) * 4];
                        for (int c = 0; c < 4; ++c) {
                            texel[c] += above[c] / (fx * fy);
                        }
                    }
                }
                const double length = std::hypot(texel[0], texel[1], texel[2]);
                for (int c = 0; normals && c < 3; ++c) {
                    texel[c] /= length;
                }
            }
        }
        chain.push_back(std::move(next));
        width = w;
        height = h;
    }
    for (std::vector<double>& texels : chain) {
        for (std::size_t i = 0; i < texels.size(); ++i) {
            texels[i] = i % 4 == 3 ? texels[i] : toByte(texels[i]);
        }
    }
    return chain;
}

double Psnr(const RgbaImage& image, const std::vector<double>& reference, int channels) {
    double squares = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (static_cast<int>(i % 4) < channels) {
            const double d = image.Pixels[i] - reference[i];
            squares += d * d;
        }
    }
    return squares == 0
               ? 99
               : 10 * std::log10(255.0 * 255.0 * reference.size() / 4.0 * channels / squares);
}

// Each pixel format written, with its chain, on 1, 2 and 3 threads: the same bytes; read back as
// the format table's row says, close to the picture (exact uncompressed; DXT1 and RGB opaque
// whatever the alpha was); BC7 behind the DX10 header.
TEST(DdsWriterTest, EveryFormatEveryLevelAndTheSameBytesOnAnyThreadCount) {
    const RgbaImage image = Textured();
    TaskPool one(1), two(2), three(3);
    const std::vector<RgbaImage> levels = MakeMipLevels(image, MipKind::Colour, one);
    ASSERT_EQ(levels.size(), 5u); // 22x15, 11x7, 5x3, 2x1, 1x1
    for (const FormatFacts& row : FormatTable()) {
        if (!row.Written) {
            continue;
        }
        SCOPED_TRACE(row.Name);
        const std::vector<std::uint8_t> file = EncodeDds(image, *row.Written, one, levels);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(file, EncodeDds(image, *row.Written, two, levels));
        EXPECT_EQ(file, EncodeDds(image, *row.Written, three, levels));
        DdsLayout layout;
        ASSERT_EQ(ReadDdsLayout(file.data(), file.size(), layout), DdsProblem::None);
        EXPECT_EQ(layout.Format, row.Layout);
        EXPECT_EQ(layout.BlockBytes, row.BlockBytes);
        EXPECT_EQ(layout.BytesPerPixel * 8, row.BitsPerPixel);
        EXPECT_EQ(layout.MipCount, 6);
        EXPECT_EQ(layout.Dx10, row.Dxgi != 0);
        std::uint64_t bytes = layout.DataOffset;
        for (int level = 0; level < 6; ++level) {
            const int width = std::max(1, 45 >> level), height = std::max(1, 30 >> level);
            bytes += row.BlockBytes != 0 ? std::uint64_t((width + 3) / 4) * ((height + 3) / 4) *
                                               static_cast<std::uint64_t>(row.BlockBytes)
                                         : std::uint64_t(width) * height * row.BitsPerPixel / 8;
        }
        EXPECT_EQ(file.size(), bytes) << "every level, nothing more";
        RgbaImage decoded;
        ASSERT_TRUE(DecodeDds(file.data(), file.size(), true, decoded));
        const bool opaque = !row.Alpha || *row.Written == TextureFormat::DXT1;
        EXPECT_LE(Worst(decoded, image, 0, opaque ? 3 : 4), row.BlockBytes == 0 ? 0
                                                            : row.Layout == DdsPixelFormat::Bc7
                                                                ? 24
                                                                : 40);
        if (opaque) {
            EXPECT_EQ(Translucent(decoded), 0);
        }
    }
}

// Flagged blocks are the source's bytes, the others the encoder's; a source of another format,
// size or flag count gives nothing, and the file is the one made without it.
TEST(DdsWriterTest, UntouchedBlocksAreCopiedOnlyWhereTheSourceFits) {
    const RgbaImage image = Textured();
    TaskPool pool(2);
    const std::size_t blocks = 12 * 8;
    for (const TextureFormat format : {TextureFormat::DXT1, TextureFormat::DXT5}) {
        SCOPED_TRACE(static_cast<int>(format));
        const std::size_t blockBytes = format == TextureFormat::DXT1 ? 8 : 16;
        const std::vector<std::uint8_t> plain = EncodeDds(image, format, pool);
        SourceBlocks source;
        source.Format = format;
        source.Width = 45;
        source.Height = 30;
        source.Blocks = RandomBytes(blocks * blockBytes, 7);
        for (std::size_t b = 0; b < blocks; ++b) {
            source.Untouched.push_back(b % 3 == 0);
        }
        const std::vector<std::uint8_t> copied = EncodeDds(image, format, pool, {}, &source);
        ASSERT_EQ(copied.size(), plain.size());
        for (std::size_t b = 0; b < blocks; ++b) {
            const std::uint8_t* expected = b % 3 == 0
                                               ? &source.Blocks[b * blockBytes]
                                               : &plain[DDS_FILE_HEADER_SIZE + b * blockBytes];
            EXPECT_EQ(
                std::memcmp(&copied[DDS_FILE_HEADER_SIZE + b * blockBytes], expected, blockBytes),
                0)
                << "block " << b;
        }

        SourceBlocks otherFormat = source, otherSize = source, fewerFlags = source;
        otherFormat.Format =
            format == TextureFormat::DXT1 ? TextureFormat::DXT5 : TextureFormat::DXT1;
        otherSize.Width = 44; // the same block count
        fewerFlags.Untouched.pop_back();
        for (const SourceBlocks* unfit : {&otherFormat, &otherSize, &fewerFlags}) {
            EXPECT_FALSE(SourceBlocksFit(*unfit, image, format));
            EXPECT_EQ(EncodeDds(image, format, pool, {}, unfit), plain);
        }
        EXPECT_EQ(EncodeDds(image, TextureFormat::BC7, pool, {}, &source),
                  EncodeDds(image, TextureFormat::BC7, pool));
    }
}

// A blend over an installed texture with its chain, read as the session reads it: each block of
// a lower level whose footprint the modification leaves transparent is the installed bytes, every
// other block what the encoder makes of the filtered blend; the copied blocks decode to that
// filtered blend as closely as the encoder would. A chain cut short gives what it holds. Even and
// odd sizes, both formats.
TEST(DdsWriterTest, LowerLevelsAreCopiedWhereTheBlendLeavesTheirFootprint) {
    TaskPool pool(2);
    const TempFolder folder;
    for (const auto& [width, height, cut] :
         {std::tuple{64, 64, false}, {45, 30, false}, {64, 64, true}}) {
        for (const TextureFormat format : {TextureFormat::DXT1, TextureFormat::DXT5}) {
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                         (cut ? " cut" : "") + (format == TextureFormat::DXT1 ? " DXT1" : " DXT5"));
            const BlockFormat blocks =
                format == TextureFormat::DXT1 ? BlockFormat::BC1 : BlockFormat::BC3;
            const auto blockBytes = static_cast<std::size_t>(BlockBytes(blocks));
            const auto levelBytes = [&](int w, int h) {
                return std::size_t((w + 3) / 4) * ((h + 3) / 4) * blockBytes;
            };
            const RgbaImage picture =
                MakeSeamedTexture(SampleKind::Skin, width, height, height / 3, 4);
            std::vector<std::uint8_t> installed =
                EncodeDds(picture, format, pool, MakeMipLevels(picture, MipKind::Colour, pool));
            if (cut) { // level 2 ends after its first block
                installed.resize(DDS_FILE_HEADER_SIZE + levelBytes(width, height) +
                                 levelBytes(width / 2, height / 2) + blockBytes);
            }
            WriteTextFile(folder / "installed.dds",
                          std::string(installed.begin(), installed.end()));
            RgbaImage blend;
            SourceBlocks source;
            ASSERT_TRUE(ReadImageFile(folder / "installed.dds", true, blend, &source));
            const RgbaImage mod =
                MakeSeamMod(SampleKind::Skin, width, height, height * 2 / 3, height / 8);
            BlendOver(blend, mod);
            source.Untouched = UntouchedBlocks(mod, width, height);
            source.LowerUntouched = UntouchedMipBlocks(mod, width, height);
            const std::vector<RgbaImage> levels = MakeMipLevels(blend, MipKind::Colour, pool);
            ASSERT_EQ(source.LowerBlocks.size(), cut ? 1u : levels.size());
            const std::vector<std::uint8_t> plain = EncodeDds(blend, format, pool, levels);
            const std::vector<std::uint8_t> written =
                EncodeDds(blend, format, pool, levels, &source);
            ASSERT_EQ(written.size(), plain.size());

            std::size_t at = DDS_FILE_HEADER_SIZE + levelBytes(width, height), copiedBlocks = 0;
            for (std::size_t k = 0; k < levels.size(); ++k) {
                SCOPED_TRACE("level " + std::to_string(k + 1));
                const RgbaImage& level = levels[k];
                const std::size_t end = at + levelBytes(level.Width, level.Height);
                const std::vector<std::uint8_t> ours(written.begin() + at, written.begin() + end),
                    fresh(plain.begin() + at, plain.begin() + end);
                at = end;
                const auto copied = [&](std::size_t b) {
                    return k < source.LowerBlocks.size() && source.LowerUntouched[k][b];
                };
                for (std::size_t b = 0; b * blockBytes < ours.size(); ++b) {
                    const std::uint8_t* expected =
                        copied(b) ? &source.LowerBlocks[k][b * blockBytes] : &fresh[b * blockBytes];
                    EXPECT_EQ(std::memcmp(&ours[b * blockBytes], expected, blockBytes), 0)
                        << "block " << b << (copied(b) ? " copied" : " encoded");
                    copiedBlocks += copied(b);
                }
                // Over the copied blocks' pixels, the installed blocks against fresh ones.
                const RgbaImage decoded = DecodeImage(ours, level.Width, level.Height, blocks),
                                encoded = DecodeImage(fresh, level.Width, level.Height, blocks);
                double copiedError = 0, freshError = 0, samples = 0;
                for (int y = 0; y < level.Height; ++y) {
                    for (int x = 0; x < level.Width; ++x) {
                        const auto b = std::size_t(y / 4 * ((level.Width + 3) / 4) + x / 4);
                        for (int c = 0; c < 3 && copied(b); ++c) {
                            const double d = decoded.At(x, y)[c] - level.At(x, y)[c],
                                         e = encoded.At(x, y)[c] - level.At(x, y)[c];
                            copiedError += d * d, freshError += e * e, samples += 1;
                        }
                    }
                }
                const auto psnr = [&](double error) {
                    return 10 * std::log10(255.0 * 255.0 * samples / std::max(error, 1e-9));
                };
                if (samples > 0) {
                    EXPECT_GE(psnr(copiedError), std::min(psnr(freshError), 48.0) - 3.0);
                }
            }
            EXPECT_GT(copiedBlocks, 10u) << "the test needs copied blocks";
        }
    }
}

// Every compressed level of a blend's chain, as the head fix writes them, is as near a box filter
// computed here as the top level is to its picture; or, where a level is harder to compress
// than the top, as near as the encoder gets to that level itself.
TEST(DdsWriterTest, EveryCompressedLevelIsAsNearTheDownsampleAsTheTop) {
    TaskPool pool(2);
    const std::tuple<SampleKind, TextureFormat, MipKind> cases[] = {
        {SampleKind::Skin, TextureFormat::DXT1, MipKind::Colour},
        {SampleKind::Normal, TextureFormat::DXT5, MipKind::NormalMap},
    };
    for (const auto& [kind, format, filter] : cases) {
        const bool dxt1 = format == TextureFormat::DXT1;
        SCOPED_TRACE(dxt1 ? "DXT1" : "DXT5");
        const BlockFormat blocks = dxt1 ? BlockFormat::BC1 : BlockFormat::BC3;
        const int channels = dxt1 ? 3 : 4;
        // Shading and noise without the seam, whose hard edge would set the bar lower down.
        const RgbaImage picture = MakeSeamedTexture(kind, 256, 128, 128, 3);
        const std::vector<std::uint8_t> file =
            EncodeDds(picture, format, pool, MakeMipLevels(picture, filter, pool));
        const auto chain = BoxLevels(picture, filter == MipKind::NormalMap);
        const auto decodedTop = [&](const std::vector<std::uint8_t>& dds) {
            RgbaImage image;
            EXPECT_TRUE(DecodeDds(dds.data(), dds.size(), true, image));
            return image;
        };
        const double top = Psnr(decodedTop(file), chain[0], channels);
        std::size_t at = DDS_FILE_HEADER_SIZE;
        for (std::size_t k = 0; k < chain.size(); ++k) {
            const int width = std::max(1, 256 >> k), height = std::max(1, 128 >> k);
            const std::size_t bytes =
                std::size_t((width + 3) / 4) * ((height + 3) / 4) * BlockBytes(blocks);
            ASSERT_LE(at + bytes, file.size()) << "level " << k;
            const RgbaImage level =
                DecodeImage(std::vector<std::uint8_t>(file.begin() + at, file.begin() + at + bytes),
                            width, height, blocks);
            at += bytes;
            RgbaImage reference(width, height);
            for (std::size_t i = 0; i < chain[k].size(); ++i) {
                reference.Pixels[i] = Clamp(chain[k][i]);
            }
            const double itself =
                Psnr(decodedTop(EncodeDds(reference, format, pool)), chain[k], channels);
            EXPECT_GE(Psnr(level, chain[k], channels), std::min(top, itself) - 1.0)
                << "level " << k;
        }
        EXPECT_EQ(at, file.size());
    }
}

} // namespace
