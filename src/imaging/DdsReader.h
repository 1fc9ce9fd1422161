// Our DDS reader, the only code that parses DDS files: the classic header, the DX10 extension
// header, and the top level of every flat texture in the formats the format table decodes,
// decoded to RGBA8 rows top-down. Buffers are the whole file as read from disk. Every size is
// checked with 64-bit arithmetic against the file's length before anything is allocated, so a
// damaged file is a failed load that says why, never a crash, a hang or a huge allocation.
// DdsLayout.cpp reads the header, DdsPixels.cpp the pixels.
#pragma once

#include "catalogue/TextureFormats.h"
#include "imaging/RgbaImage.h"
#include "platform/Problem.h"

#include <cstddef>
#include <cstdint>

namespace quillon {

enum class DdsProblem {
    None,
    NotDds,        // no DDS magic, or header sizes that are not the format's
    Truncated,     // the file ends before the header or the top level does
    BadDimensions, // an edge of 0 or beyond MaxTextureEdge, too many mip levels, no slices
    NotFlat,       // a cube map, a volume or an array of more than one slice
    Unsupported,   // a pixel format the reader does not decode (BC6H, floats, YUV, depth ...)
};

struct DdsLayout {
    int Width = 0, Height = 0;
    int MipCount = 1;                   // levels the header declares (1 without DDSD_MIPMAPCOUNT)
    const FormatFacts* Facts = nullptr; // the format table's row, when a code names the format
    DdsPixelFormat Format = DdsPixelFormat::Masked;
    int BlockBytes = 0;         // bytes of a 4 x 4 block; 0: stored pixel by pixel
    bool Dx10 = false;          // the file has the DX10 extension header
    std::size_t DataOffset = 0; // first byte of the top level
    std::uint64_t TopLevelBytes = 0;
    std::uint32_t FourCC = 0;     // as stored, when the pixel format names one (else 0)
    std::uint32_t DxgiFormat = 0; // DXGI_FORMAT of a DX10 file (else 0)
    bool HasAlpha = false;        // the stored format can carry alpha (DXT1 counts)
    bool Premultiplied = false;   // DXT2 or DXT4: colours were multiplied by alpha
    bool Srgb = false;            // sRGB-coded colours, kept as stored
    // Stored pixel by pixel: bytes a pixel. Masked (1 to 4 bytes): the R, G, B, A masks; with
    // Luminance the R mask is grey.
    int BytesPerPixel = 0;
    std::uint32_t Masks[4] = {};
    bool Luminance = false;
};

// Header checks only (no allocation): magic and header sizes, the DX10 header, edges of 1 to
// MaxTextureEdge, at most log2(edge) + 1 mip levels, no cube, volume or array, a known format, and
// a file long enough for the top level. Extra bytes and missing lower levels are fine. The
// depth counts only with both DDSD_DEPTH and DDSCAPS2_VOLUME (or a DX10 TEXTURE3D); pitch and
// linear size fields are not trusted (the data's size follows from the format and the edges).
// `layout` is filled only when the answer is None; otherwise `why`, when given, says what is
// wrong, with the byte of the file it concerns.
DdsProblem ReadDdsLayout(const std::uint8_t* data, std::size_t size, DdsLayout& layout,
                         Problem* why = nullptr);

// The top level as RGBA8, rows top-down, with HasAlpha as DdsLayout has it; a failure (image
// untouched) on any problem. stripPremultipliedAlpha: DXT2 and DXT4 colours are divided by
// alpha. sRGB data stays as stored.
Outcome DecodeDds(const std::uint8_t* data, std::size_t size, bool stripPremultipliedAlpha,
                  RgbaImage& image);

} // namespace quillon
