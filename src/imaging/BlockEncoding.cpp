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

bool Encodable(const RgbaImage& image) {
    const std::int64_t width = image.Width, height = image.Height;
    return width > 0 && height > 0 && width <= MaxTextureEdge && height <= MaxTextureEdge &&
           static_cast<std::int64_t>(image.Pixels.size()) == width * height * 4;
}

} // namespace

int BlockBytes(BlockFormat format) {
    return format == BlockFormat::BC1 ? 8 : 16;
}

bool EncodeBlocksInto(const RgbaImage& image, BlockFormat format, TaskPool& pool, std::uint8_t* out,
                      const CopiedBlocks& copied) {
    if (!Encodable(image)) {
        return false;
    }
    const std::int64_t width = image.Width, height = image.Height;
    const std::size_t blocksWide = static_cast<std::size_t>((width + 3) / 4);
    const std::size_t blocksHigh = static_cast<std::size_t>((height + 3) / 4);
    const std::size_t blockBytes = static_cast<std::size_t>(BlockBytes(format));
    const bool copying = copied.Blocks != nullptr && copied.Copy != nullptr &&
                         copied.Copy->size() == blocksWide * blocksHigh;
    const std::size_t rowsPerJob = (BlocksPerJob + blocksWide - 1) / blocksWide;
    const std::size_t jobs = (blocksHigh + rowsPerJob - 1) / rowsPerJob;
    pool.ParallelFor(jobs, [&](std::size_t job) {
        const std::size_t firstRow = job * rowsPerJob;
        const std::size_t endRow = std::min(firstRow + rowsPerJob, blocksHigh);
        std::uint8_t pixels[64];
        for (std::size_t by = firstRow; by < endRow; ++by) {
            for (std::size_t bx = 0; bx < blocksWide; ++bx) {
                const std::size_t index = by * blocksWide + bx;
                if (copying && (*copied.Copy)[index]) {
                    std::memcpy(out + index * blockBytes, copied.Blocks + index * blockBytes,
                                blockBytes);
                    continue;
                }
                const int x0 = static_cast<int>(bx * 4), y0 = static_cast<int>(by * 4);
                for (int y = 0; y < 4; ++y) {
                    const int sy = std::min(y0 + y, static_cast<int>(height) - 1);
                    if (x0 + 4 <= width) {
                        std::memcpy(pixels + y * 16, image.At(x0, sy), 16);
                        continue;
                    }
                    for (int x = 0; x < 4; ++x) {
                        const int sx = std::min(x0 + x, static_cast<int>(width) - 1);
                        std::memcpy(pixels + y * 16 + x * 4, image.At(sx, sy), 4);
                    }
                }
                EncodeOne(format, pixels, out + index * blockBytes);
            }
        }
    });
    return true;
}

std::vector<std::uint8_t> EncodeBlocks(const RgbaImage& image, BlockFormat format, TaskPool& pool,
                                       const CopiedBlocks& copied) {
    if (!Encodable(image)) {
        return {};
    }
    const std::int64_t width = image.Width, height = image.Height;
    std::vector<std::uint8_t> blocks;
    try {
        blocks.resize(static_cast<std::size_t>((width + 3) / 4) *
                      static_cast<std::size_t>((height + 3) / 4) *
                      static_cast<std::size_t>(BlockBytes(format)));
    } catch (const std::bad_alloc&) {
        return {};
    }
    EncodeBlocksInto(image, format, pool, blocks.data(), copied);
    return blocks;
}

} // namespace quillon
