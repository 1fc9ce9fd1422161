// Our own reader for the merged image of Photoshop files. DevIL 1.7.8 misreads them: it places
// the alpha channel upside down against the colour, loses the alpha of uncompressed files and
// fails on 16-bit ones. Modification images are mostly PSDs whose alpha is the mask, so the
// tool reads them itself. Checks every size against the file before it allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

struct PsdImage {
    int Width = 0;
    int Height = 0;
    int BitsPerChannel = 8; // 8 or 16
    // RGBA, rows top-down; one byte per sample at 8 bits, one native-endian 16-bit word per
    // sample at 16 bits (Width * Height * 4 samples either way).
    std::vector<std::uint8_t> Pixels8;
    std::vector<std::uint16_t> Pixels16;
};

// Largest edge accepted, in pixels.
constexpr int MaxPsdEdge = 16384;

// Decodes a PSD (or PSB) file held in memory, of 8 or 16 bits per channel in grayscale or RGB,
// raw or PackBits coded. A fourth colour channel (a second grey one) is the alpha; without one the
// image is opaque. False for anything else: not a Photoshop file, truncated, absurd sizes,
// unsupported modes or depths.
[[nodiscard]] bool DecodePsd(const std::uint8_t* data, size_t size, PsdImage& image);

} // namespace quillon
