// Our DDS reader, the only code that parses DDS files: the classic header, the DX10 extension
// header, and the top level of every flat texture in the formats below, decoded to RGBA8 rows
// top-down. Buffers are the whole file as read from disk. Every size is checked with 64-bit
// arithmetic against the file's length before anything is allocated, so a damaged file is a
// failed load, never a crash, a hang or a huge allocation.
#pragma once

#include "imaging/RgbaImage.h"

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

enum class DdsPixelFormat {
    Bc1,       // DXT1
    Bc2,       // DXT3; DXT2 with Premultiplied
    Bc3,       // DXT5; DXT4 with Premultiplied
    Bc3Rxgb,   // DXT5 blocks whose alpha holds the red (the "RXGB" FourCC)
    Bc4,       // ATI1, BC4U: one channel, read as grey
    Bc4Signed, // BC4S
    Bc5,       // ATI2, BC5U: a normal map's X and Y; Z is rebuilt
    Bc5Signed, // BC5S
    Bc7,       // BC7, any mode
    Masked,    // 8 to 32 bits a pixel, channels picked by Masks (RGB, luminance, alpha)
    Rg8,       // bytes R, G of a two-channel normal map; Z is rebuilt
    Rgba16,    // four 16-bit words R, G, B, A
};

struct DdsLayout {
    int Width = 0, Height = 0;
    int MipCount = 1; // levels the header declares (1 without DDSD_MIPMAPCOUNT)
    DdsPixelFormat Format = DdsPixelFormat::Masked;
    bool Dx10 = false;          // the file has the DX10 extension header
    std::size_t DataOffset = 0; // first byte of the top level
    std::uint64_t TopLevelBytes = 0;
    std::uint32_t FourCC = 0;     // as stored, when the pixel format names one (else 0)
    std::uint32_t DxgiFormat = 0; // DXGI_FORMAT of a DX10 file (else 0)
    bool HasAlpha = false;        // the stored format can carry alpha (DXT1 counts)
    bool Premultiplied = false;   // DXT2 or DXT4: colours were multiplied by alpha
    bool Srgb = false;            // sRGB-coded colours, kept as stored
    // Masked: bytes a pixel (1 to 4) and the R, G, B, A masks. Luminance: the R mask is grey.
    int BytesPerPixel = 0;
    std::uint32_t Masks[4] = {};
    bool Luminance = false;
};

// Header checks only (no allocation): magic and header sizes, the DX10 header, edges of 1 to
// MaxTextureEdge, at most log2(edge) + 1 mip levels, no cube, volume or array, a known format, and
// a file long enough for the top level. Extra bytes and missing lower levels are fine. The
// depth counts only with both DDSD_DEPTH and DDSCAPS2_VOLUME (or a DX10 TEXTURE3D); pitch and
// linear size fields are not trusted (the data's size follows from the format and the edges).
// `layout` is filled only when the answer is None.
DdsProblem ReadDdsLayout(const std::uint8_t* data, std::size_t size, DdsLayout& layout);

// The top level as RGBA8, rows top-down, with HasAlpha as DdsLayout has it; false (image
// untouched) on any problem. stripPremultipliedAlpha: DXT2 and DXT4 colours are divided by alpha.
// sRGB data stays as stored.
bool DecodeDds(const std::uint8_t* data, std::size_t size, bool stripPremultipliedAlpha,
               RgbaImage& image);

} // namespace quillon
