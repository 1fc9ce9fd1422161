// BMP files, read as other programs read them. stb_image reads most; two kinds it refuses are
// read here: run-length coded files of 8 and 4 bits a pixel, and true-colour files whose pixels
// do not follow the header directly (some writers put a palette between), which stb_image reads
// once the gap is left out. Images are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"
#include "platform/Problem.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quillon {

// The fields of a BMP header that decide how it is read.
struct BmpHeader {
    int Width = 0, Height = 0; // Height as stored: positive when rows run bottom-up
    int Bits = 0;              // bits a pixel
    std::uint32_t Compression = 0;
    std::uint32_t PixelsAt = 0;    // where the pixel data starts
    std::uint32_t HeaderBytes = 0; // the info header's size
    std::uint32_t Colours = 0;     // palette entries declared; 0: as many as the bits allow
};

constexpr std::uint32_t BmpRle8 = 1; // BI_RLE8: runs of 8-bit palette indices
constexpr std::uint32_t BmpRle4 = 2; // BI_RLE4: runs of 4-bit palette indices

// The header of a BMP file with an info header of 40 bytes or more; nothing for anything else.
[[nodiscard]] std::optional<BmpHeader> ReadBmpHeader(std::span<const std::uint8_t> file);

// Reads a BMP whose header ReadBmpHeader gave, through our run-length decoder or stb_image.
Outcome DecodeBmp(std::span<const std::uint8_t> file, const BmpHeader& header, RgbaImage& image);

} // namespace quillon
