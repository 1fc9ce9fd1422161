// Checks of downloaded DDS files before any reader parses them: the header must describe an
// image of sane size whose data the file actually holds. A file that fails is a failed load, never
// a crash or a huge allocation. Buffers are the whole file as read from disk.
#pragma once

#include "imaging/RgbaImage.h"

#include <cstddef>
#include <cstdint>

namespace quillon {

enum class FileProblem {
    None,
    WrongMagic,    // not the type its extension or content claims
    Truncated,     // the header promises more data than the file holds
    BadDimensions, // an edge of 0 or beyond MaxTextureEdge, or too many levels or slices
    BadChannels,   // a channel count, bit depth or pixel format the type cannot have
    BadLayout,     // flags that contradict each other (a cube map without faces)
};

struct DdsInfo {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t FourCC = 0; // 0 for uncompressed formats
};

// DDS: magic, header sizes, dimensions, mip and face counts, pixel format, and that every
// surface the header announces lies inside the file.
[[nodiscard]] FileProblem CheckDdsFile(const std::uint8_t* data, std::size_t size,
                                       DdsInfo* info = nullptr);

} // namespace quillon
