// The DDS writer as a whole file: every level in the format asked for, the same bytes on any
// number of threads, and the installed blocks copied only where format, size and flags fit.
#include "imaging/DdsWriter.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/MipChain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

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
            EXPECT_EQ(Worst(decoded, Uniform(45, 30, {0, 0, 0, 255}), 3, 4), 0) << "opaque";
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
        std::mt19937 random(7);
        for (std::size_t i = 0; i < blocks * blockBytes; ++i) {
            source.Blocks.push_back(static_cast<std::uint8_t>(random()));
        }
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

} // namespace
