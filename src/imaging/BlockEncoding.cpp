#include "imaging/BlockEncoding.h"

#include "imaging/Bc1Encoder.h"
#include "imaging/Bc3Encoder.h"
#include "imaging/Bc7Encoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quillon {

namespace {

// Blocks a job encodes, at least: small images go as one job, large ones a block row or more each.
constexpr std::size_t BlocksPerJob = 256;

void EncodeOne(BlockFormat format, const std::uint8_t* rgba, std::uint8_t* block) {
    switch (format) {
    case BlockFormat::BC1:
        EncodeBc1Block(rgba, block, Bc1Colours::OpaqueDxt1);
        break;
    case BlockFormat::BC3:
        EncodeBc3Block(rgba, block);
        break;
    case BlockFormat::BC7:
        EncodeBc7Block(rgba, block);
        break;
    }
}

} // namespace

int BlockBytes(BlockFormat format) {
    return format == BlockFormat::BC1 ? 8 : 16;
}

std::vector<std::uint8_t> EncodeBlocks(const RgbaImage& image, BlockFormat format, TaskPool& pool) {
    const std::int64_t width = image.Width, height = image.Height;
    if (width <= 0 || height <= 0 || width > MaxTextureEdge || height > MaxTextureEdge ||
        static_cast<std::int64_t>(image.Pixels.size()) != width * height * 4) {
        return {};
    }
    const std::size_t blocksWide = static_cast<std::size_t>((width + 3) / 4);
    const std::size_t blocksHigh = static_cast<std::size_t>((height + 3) / 4);
    const std::size_t blockBytes = static_cast<std::size_t>(BlockBytes(format));
    std::vector<std::uint8_t> blocks;
    try {
        blocks.resize(blocksWide * blocksHigh * blockBytes);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const std::size_t rowsPerJob = (BlocksPerJob + blocksWide - 1) / blocksWide;
    const std::size_t jobs = (blocksHigh + rowsPerJob - 1) / rowsPerJob;
    pool.ParallelFor(jobs, [&](std::size_t job) {
        const std::size_t firstRow = job * rowsPerJob;
        const std::size_t endRow = std::min(firstRow + rowsPerJob, blocksHigh);
        std::uint8_t pixels[64];
        for (std::size_t by = firstRow; by < endRow; ++by) {
            for (std::size_t bx = 0; bx < blocksWide; ++bx) {
                for (int y = 0; y < 4; ++y) {
                    const int sy = static_cast<int>((by * 4 + static_cast<std::size_t>(y)) %
                                                    static_cast<std::size_t>(height));
                    if (bx * 4 + 4 <= static_cast<std::size_t>(width)) {
                        std::memcpy(pixels + y * 16, image.At(static_cast<int>(bx * 4), sy), 16);
                        continue;
                    }
                    for (int x = 0; x < 4; ++x) {
                        const int sx = static_cast<int>((bx * 4 + static_cast<std::size_t>(x)) %
                                                        static_cast<std::size_t>(width));
                        std::memcpy(pixels + y * 16 + x * 4, image.At(sx, sy), 4);
                    }
                }
                EncodeOne(format, pixels, blocks.data() + (by * blocksWide + bx) * blockBytes);
            }
        }
    });
    return blocks;
}

} // namespace quillon
