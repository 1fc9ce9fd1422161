// Checks of downloaded texture files before any reader parses them: the header must describe an
// image of sane size whose data the file actually holds. A file that fails is a failed load, never
// a crash or a huge allocation. Buffers are the whole file as read from disk.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::uint32_t MaxTextureEdge = 16384; // largest width or height accepted

enum class FileProblem {
    None,
    WrongMagic,    // not the type its extension or content claims
    Truncated,     // the header promises more data than the file holds
    BadDimensions, // an edge of 0 or beyond MaxTextureEdge, or too many levels or slices
    BadChannels,   // a channel count, bit depth or pixel format the type cannot have
    BadLayout,     // sections or compressed rows that contradict each other
};

struct DdsInfo {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t FourCC = 0; // 0 for uncompressed formats
};

// DDS: magic, header sizes, dimensions, mip and face counts, pixel format, and that every
// surface the header announces lies inside the file.
FileProblem CheckDdsFile(const std::uint8_t* data, std::size_t size, DdsInfo* info = nullptr);

struct PsdInfo {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Channels = 0;
    std::uint32_t Depth = 0;       // bits per channel
    std::uint32_t ColourMode = 0;  // 1 grayscale, 3 RGB, ... as the file names it
    std::uint32_t Compression = 0; // 0 raw, 1 PackBits
    std::size_t DataOffset = 0;    // first byte after the compression word
};

constexpr std::uint32_t PSD_MODE_GRAYSCALE = 1;
constexpr std::uint32_t PSD_MODE_INDEXED = 2;
constexpr std::uint32_t PSD_MODE_RGB = 3;

// PSD: signature and version, dimensions, channel count and depth for the colour mode, the
// section lengths, and the merged image data (every PackBits row decodes to exactly one row).
FileProblem CheckPsdFile(const std::uint8_t* data, std::size_t size, PsdInfo* info = nullptr);
