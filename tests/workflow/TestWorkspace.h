// Workspace files for the workflow tests, without Qt: set definitions (SampleDocuments.h), and
// what a DDS texture that was written declares.
#pragma once

#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/DdsWriter.h"
#include "samples/SampleDocuments.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

// "<width>x<height> <format>" of a DDS file: the FourCC (DXT1, DXT5 ...), RGB or RGBA for 24 or
// 32 bits a pixel, or "DXGI <number>" with the DX10 header; then " <n> levels" when it has a mip
// chain; "" for anything the reader refuses.
inline std::string DescribeDds(const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    DdsLayout layout;
    if (ReadDdsLayout(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), layout) !=
        DdsProblem::None) {
        return "";
    }
    const std::string format = layout.Dx10          ? "DXGI " + std::to_string(layout.DxgiFormat)
                               : layout.FourCC != 0 ? bytes.substr(84, 4)
                               : layout.BytesPerPixel == 3 ? "RGB"
                               : layout.BytesPerPixel == 4 ? "RGBA"
                                                           : "masked";
    return std::to_string(layout.Width) + "x" + std::to_string(layout.Height) + " " + format +
           (layout.MipCount > 1 ? " " + std::to_string(layout.MipCount) + " levels" : "");
}

// A DXT1 or DXT5 texture of edge x edge, with its full chain, whose blocks no encoder would
// write: each is one colour, stored with equal endpoints and random indices that all name that
// colour (never DXT1's transparent index). Re-encoding its pixels cannot give these bytes back.
inline std::vector<std::uint8_t> ArbitraryBlocksDds(TextureFormat format, int edge, unsigned seed) {
    TaskPool one(1);
    std::vector<RgbaImage> lower;
    for (int level = edge / 2; level >= 1; level /= 2) {
        lower.emplace_back(level, level);
    }
    std::vector<std::uint8_t> file = EncodeDds(RgbaImage(edge, edge), format, one, lower);
    std::mt19937 random(seed);
    const std::size_t blockBytes = format == TextureFormat::DXT1 ? 8 : 16;
    for (std::size_t at = DDS_FILE_HEADER_SIZE; at + blockBytes <= file.size(); at += blockBytes) {
        std::uint8_t* block = &file[at];
        if (blockBytes == 16) { // alpha: equal endpoints, so indices 0 to 5 all give that value
            block[0] = block[1] = static_cast<std::uint8_t>(random());
            std::uint64_t indices = 0;
            for (int i = 0; i < 16; ++i) {
                indices |= std::uint64_t(random() % 6) << (3 * i);
            }
            for (int i = 0; i < 6; ++i) {
                block[2 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
            }
            block += 8;
        }
        const std::uint32_t colour = random();
        block[0] = block[2] = static_cast<std::uint8_t>(colour);
        block[1] = block[3] = static_cast<std::uint8_t>(colour >> 8);
        std::uint32_t indices = 0;
        for (int i = 0; i < 16; ++i) {
            indices |= (random() % 3) << (2 * i);
        }
        for (int i = 0; i < 4; ++i) {
            block[4 + i] = static_cast<std::uint8_t>(indices >> (8 * i));
        }
    }
    return file;
}

// Comparing a written DXT texture with the installed one it was blended from, both square with a
// power-of-two edge, level by level and block by block: how many blocks the overlay (at the
// texture's size) leaves untouched, how many of those differ from the installed bytes, and how
// many of the others equal them. A block of level k is untouched where the overlay is
// transparent over its square of 4 * 2^k top-level texels, all the filter reads for it.
struct CopiedBlockCount {
    int Untouched = 0, UntouchedChanged = 0, TouchedSame = 0;
};
inline std::vector<CopiedBlockCount>
CompareBlocks(const std::string& installed, const std::string& written, const RgbaImage& overlay) {
    DdsLayout in, out;
    const auto* inBytes = reinterpret_cast<const std::uint8_t*>(installed.data());
    const auto* outBytes = reinterpret_cast<const std::uint8_t*>(written.data());
    if (ReadDdsLayout(inBytes, installed.size(), in) != DdsProblem::None ||
        ReadDdsLayout(outBytes, written.size(), out) != DdsProblem::None ||
        in.TopLevelBytes != out.TopLevelBytes || in.MipCount != out.MipCount ||
        out.Width != out.Height) {
        return {};
    }
    const std::size_t blockBytes = out.Format == DdsPixelFormat::Bc1 ? 8 : 16;
    std::vector<CopiedBlockCount> levels;
    std::size_t offset = 0;
    for (int level = 0, edge = out.Width; level < out.MipCount; ++level, edge = edge / 2) {
        const int wide = (edge + 3) / 4, square = 4 << level;
        std::vector<bool> untouched(static_cast<std::size_t>(wide) * wide, true);
        for (int y = 0; y < std::min(out.Height, overlay.Height); ++y) {
            for (int x = 0; x < std::min(out.Width, overlay.Width); ++x) {
                if (overlay.At(x, y)[3] != 0) {
                    untouched[static_cast<std::size_t>(y / square * wide + x / square)] = false;
                }
            }
        }
        CopiedBlockCount& count = levels.emplace_back();
        for (std::size_t b = 0; b < untouched.size(); ++b, offset += blockBytes) {
            const bool same = std::equal(inBytes + in.DataOffset + offset,
                                         inBytes + in.DataOffset + offset + blockBytes,
                                         outBytes + out.DataOffset + offset);
            count.Untouched += untouched[b];
            count.UntouchedChanged += untouched[b] && !same;
            count.TouchedSame += !untouched[b] && same;
        }
    }
    return levels;
}

// CompareBlocks of a 64 x 64 texture with its chain, blended with a seam modification: it has
// untouched and touched blocks, down the chain too; the untouched ones are the installed bytes
// when `copied`, else all encoded anew; no touched one is.
inline void ExpectBlocksCopied(const std::vector<CopiedBlockCount>& levels, bool copied) {
    ASSERT_EQ(levels.size(), 7u);
    EXPECT_GT(levels[0].Untouched, 64) << "the test needs untouched blocks";
    EXPECT_LT(levels[0].Untouched, 256 - 32) << "and touched ones";
    EXPECT_GT(levels[2].Untouched, 4) << "down the chain too";
    for (const CopiedBlockCount& count : levels) {
        EXPECT_EQ(count.UntouchedChanged, copied ? 0 : count.Untouched);
        EXPECT_EQ(count.TouchedSame, 0);
    }
}

} // namespace quillon
