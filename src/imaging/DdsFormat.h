// The DDS file layout as DirectDraw and Direct3D 10 define it: the magic, the 124-byte header and
// its pixel format block, the optional 20-byte DX10 extension header, and the values named as
// the format names them (the FourCC and DXGI codes of the pixel formats are in the format table).
// All fields are little-endian 32-bit words; the pixel data follows the header (or the extension
// header when the FourCC is "DX10").
#pragma once

#include "catalogue/TextureFormats.h" // FourCC and DXGI codes

#include <cstdint>

namespace quillon {

constexpr std::uint32_t DDS_MAGIC = MakeFourCC('D', 'D', 'S', ' '); // first four bytes of a file

// DDS_HEADER.dwFlags
constexpr std::uint32_t DDSD_CAPS = 0x1;            // dwCaps is valid (always set)
constexpr std::uint32_t DDSD_HEIGHT = 0x2;          // dwHeight is valid (always set)
constexpr std::uint32_t DDSD_WIDTH = 0x4;           // dwWidth is valid (always set)
constexpr std::uint32_t DDSD_PITCH = 0x8;           // dwPitchOrLinearSize is a row pitch
constexpr std::uint32_t DDSD_PIXELFORMAT = 0x1000;  // ddspf is valid (always set)
constexpr std::uint32_t DDSD_MIPMAPCOUNT = 0x20000; // dwMipMapCount is valid
constexpr std::uint32_t DDSD_LINEARSIZE = 0x80000;  // dwPitchOrLinearSize is the top level's size
constexpr std::uint32_t DDSD_DEPTH = 0x800000;      // dwDepth is valid (volume texture)

// DDS_PIXELFORMAT.dwFlags
constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1;   // dwRGBAlphaBitMask is valid
constexpr std::uint32_t DDPF_ALPHA = 0x2;         // alpha-only data
constexpr std::uint32_t DDPF_FOURCC = 0x4;        // dwFourCC names a compressed or special format
constexpr std::uint32_t DDPF_RGB = 0x40;          // uncompressed colour with bit masks
constexpr std::uint32_t DDPF_LUMINANCE = 0x20000; // uncompressed luminance with bit masks

// DDS_HEADER.dwCaps and dwCaps2
constexpr std::uint32_t DDSCAPS_COMPLEX = 0x8;     // more than one surface (mips, cube faces)
constexpr std::uint32_t DDSCAPS_TEXTURE = 0x1000;  // a texture (always set)
constexpr std::uint32_t DDSCAPS_MIPMAP = 0x400000; // the file holds mip levels
constexpr std::uint32_t DDSCAPS2_CUBEMAP = 0x200;  // a cube map; faces named by the bits below
constexpr std::uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00; // the six face bits
constexpr std::uint32_t DDSCAPS2_VOLUME = 0x200000;         // a volume texture of dwDepth slices

// DDS_HEADER_DXT10.resourceDimension (D3D10_RESOURCE_DIMENSION)
constexpr std::uint32_t D3D10_RESOURCE_DIMENSION_UNKNOWN = 0;   // not a texture
constexpr std::uint32_t D3D10_RESOURCE_DIMENSION_BUFFER = 1;    // a buffer, not a texture
constexpr std::uint32_t D3D10_RESOURCE_DIMENSION_TEXTURE1D = 2; // one row
constexpr std::uint32_t D3D10_RESOURCE_DIMENSION_TEXTURE2D = 3; // a flat texture (or a cube)
constexpr std::uint32_t D3D10_RESOURCE_DIMENSION_TEXTURE3D = 4; // a volume of dwDepth slices

// DDS_HEADER_DXT10.miscFlag
constexpr std::uint32_t DDS_RESOURCE_MISC_TEXTURECUBE = 0x4; // a cube map of arraySize x 6 faces

// DDS_HEADER_DXT10.miscFlags2, low three bits
constexpr std::uint32_t DDS_ALPHA_MODE_MASK = 0x7;          // the bits that hold the alpha mode
constexpr std::uint32_t DDS_ALPHA_MODE_PREMULTIPLIED = 0x2; // colours were multiplied by alpha

struct DDS_PIXELFORMAT {
    std::uint32_t dwSize; // 32
    std::uint32_t dwFlags;
    std::uint32_t dwFourCC;
    std::uint32_t dwRGBBitCount;
    std::uint32_t dwRBitMask;
    std::uint32_t dwGBitMask;
    std::uint32_t dwBBitMask;
    std::uint32_t dwRGBAlphaBitMask;
};

struct DDS_HEADER {
    std::uint32_t dwSize; // 124
    std::uint32_t dwFlags;
    std::uint32_t dwHeight;
    std::uint32_t dwWidth;
    std::uint32_t dwPitchOrLinearSize;
    std::uint32_t dwDepth;
    std::uint32_t dwMipMapCount;
    std::uint32_t dwReserved1[11];
    DDS_PIXELFORMAT ddspf;
    std::uint32_t dwCaps;
    std::uint32_t dwCaps2;
    std::uint32_t dwCaps3;
    std::uint32_t dwCaps4;
    std::uint32_t dwReserved2;
};

struct DDS_HEADER_DXT10 {
    std::uint32_t dxgiFormat; // DXGI_FORMAT
    std::uint32_t resourceDimension;
    std::uint32_t miscFlag;
    std::uint32_t arraySize; // slices (cube maps: cubes)
    std::uint32_t miscFlags2;
};

static_assert(sizeof(DDS_PIXELFORMAT) == 32, "DDS_PIXELFORMAT is 32 bytes in the file");
static_assert(sizeof(DDS_HEADER) == 124, "DDS_HEADER is 124 bytes in the file");
static_assert(sizeof(DDS_HEADER_DXT10) == 20, "DDS_HEADER_DXT10 is 20 bytes in the file");

constexpr std::uint32_t DDS_FILE_HEADER_SIZE = 4 + sizeof(DDS_HEADER); // magic and header
// Magic, header and DX10 extension header.
constexpr std::uint32_t DDS_DX10_FILE_HEADER_SIZE = DDS_FILE_HEADER_SIZE + sizeof(DDS_HEADER_DXT10);

} // namespace quillon
