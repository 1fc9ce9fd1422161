// The DDS file layout as DirectDraw and Direct3D 10 define it: the magic, the 124-byte header and
// its pixel format block, the optional 20-byte DX10 extension header, and the values named as
// the format names them. All fields are little-endian 32-bit words; the pixel data follows the
// header (or the extension header when the FourCC is "DX10").
#pragma once

#include <cstdint>

namespace quillon {

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

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

// FourCC codes of the block-compressed formats
constexpr std::uint32_t FOURCC_DXT1 = MakeFourCC('D', 'X', 'T', '1'); // BC1, 8 bytes a block
constexpr std::uint32_t FOURCC_DXT2 = MakeFourCC('D', 'X', 'T', '2'); // BC2, premultiplied alpha
constexpr std::uint32_t FOURCC_DXT3 = MakeFourCC('D', 'X', 'T', '3'); // BC2, 16 bytes a block
constexpr std::uint32_t FOURCC_DXT4 = MakeFourCC('D', 'X', 'T', '4'); // BC3, premultiplied alpha
constexpr std::uint32_t FOURCC_DXT5 = MakeFourCC('D', 'X', 'T', '5'); // BC3, 16 bytes a block
constexpr std::uint32_t FOURCC_ATI1 = MakeFourCC('A', 'T', 'I', '1'); // BC4, 8 bytes a block
constexpr std::uint32_t FOURCC_ATI2 = MakeFourCC('A', 'T', 'I', '2'); // BC5, 16 bytes a block
constexpr std::uint32_t FOURCC_RXGB = MakeFourCC('R', 'X', 'G', 'B'); // DXT5 with swizzled channels
constexpr std::uint32_t FOURCC_BC4U = MakeFourCC('B', 'C', '4', 'U'); // BC4, unsigned
constexpr std::uint32_t FOURCC_BC4S = MakeFourCC('B', 'C', '4', 'S'); // BC4, signed
constexpr std::uint32_t FOURCC_BC5U = MakeFourCC('B', 'C', '5', 'U'); // BC5, unsigned
constexpr std::uint32_t FOURCC_BC5S = MakeFourCC('B', 'C', '5', 'S'); // BC5, signed
constexpr std::uint32_t FOURCC_DX10 = MakeFourCC('D', 'X', '1', '0'); // DDS_HEADER_DXT10 follows

// Direct3D 9 format numbers that some writers store in dwFourCC instead of a FourCC
constexpr std::uint32_t D3DFMT_A16B16G16R16 = 36;   // 16-bit unsigned R, G, B, A
constexpr std::uint32_t D3DFMT_R16F = 111;          // 16-bit float R
constexpr std::uint32_t D3DFMT_G16R16F = 112;       // 16-bit float R, G
constexpr std::uint32_t D3DFMT_A16B16G16R16F = 113; // 16-bit float R, G, B, A
constexpr std::uint32_t D3DFMT_R32F = 114;          // 32-bit float R
constexpr std::uint32_t D3DFMT_G32R32F = 115;       // 32-bit float R, G
constexpr std::uint32_t D3DFMT_A32B32G32R32F = 116; // 32-bit float R, G, B, A

// DDS_HEADER_DXT10.dxgiFormat: the formats the reader knows by name (DXGI_FORMAT in dxgiformat.h)
enum DXGI_FORMAT : std::uint32_t {
    DXGI_FORMAT_UNKNOWN = 0,               // no format
    DXGI_FORMAT_R32G32B32A32_FLOAT = 2,    // 4 x 32-bit float
    DXGI_FORMAT_R16G16B16A16_TYPELESS = 9, // 4 x 16 bits, read as UNORM
    DXGI_FORMAT_R16G16B16A16_FLOAT = 10,   // 4 x 16-bit float
    DXGI_FORMAT_R16G16B16A16_UNORM = 11,   // 4 x 16-bit unsigned normalised, R first
    DXGI_FORMAT_R10G10B10A2_TYPELESS = 23, // 10, 10, 10, 2 bits, read as UNORM
    DXGI_FORMAT_R10G10B10A2_UNORM = 24,    // 10, 10, 10, 2 bits from the low end, R first
    DXGI_FORMAT_R8G8B8A8_TYPELESS = 27,    // 4 x 8 bits, read as UNORM
    DXGI_FORMAT_R8G8B8A8_UNORM = 28,       // bytes R, G, B, A
    DXGI_FORMAT_R8G8B8A8_UNORM_SRGB = 29,  // bytes R, G, B, A; colours sRGB-coded
    DXGI_FORMAT_D32_FLOAT = 40,            // 32-bit float depth
    DXGI_FORMAT_D24_UNORM_S8_UINT = 45,    // depth and stencil
    DXGI_FORMAT_R8G8_TYPELESS = 48,        // 2 x 8 bits, read as UNORM
    DXGI_FORMAT_R8G8_UNORM = 49,           // bytes R, G
    DXGI_FORMAT_R8_TYPELESS = 60,          // 8 bits, read as UNORM
    DXGI_FORMAT_R8_UNORM = 61,             // one byte R
    DXGI_FORMAT_A8_UNORM = 65,             // one byte A
    DXGI_FORMAT_BC1_TYPELESS = 70,         // BC1, read as UNORM
    DXGI_FORMAT_BC1_UNORM = 71,            // BC1 (DXT1)
    DXGI_FORMAT_BC1_UNORM_SRGB = 72,       // BC1, colours sRGB-coded
    DXGI_FORMAT_BC2_TYPELESS = 73,         // BC2, read as UNORM
    DXGI_FORMAT_BC2_UNORM = 74,            // BC2 (DXT3)
    DXGI_FORMAT_BC2_UNORM_SRGB = 75,       // BC2, colours sRGB-coded
    DXGI_FORMAT_BC3_TYPELESS = 76,         // BC3, read as UNORM
    DXGI_FORMAT_BC3_UNORM = 77,            // BC3 (DXT5)
    DXGI_FORMAT_BC3_UNORM_SRGB = 78,       // BC3, colours sRGB-coded
    DXGI_FORMAT_BC4_TYPELESS = 79,         // BC4, read as UNORM
    DXGI_FORMAT_BC4_UNORM = 80,            // BC4 (ATI1), one channel
    DXGI_FORMAT_BC4_SNORM = 81,            // BC4, signed
    DXGI_FORMAT_BC5_TYPELESS = 82,         // BC5, read as UNORM
    DXGI_FORMAT_BC5_UNORM = 83,            // BC5 (ATI2), two channels
    DXGI_FORMAT_BC5_SNORM = 84,            // BC5, signed
    DXGI_FORMAT_B5G6R5_UNORM = 85,         // 16 bits: B in the low 5, G 6, R the high 5
    DXGI_FORMAT_B5G5R5A1_UNORM = 86,       // 16 bits: B, G, R 5 each from the low end, A the top
    DXGI_FORMAT_B8G8R8A8_UNORM = 87,       // bytes B, G, R, A
    DXGI_FORMAT_B8G8R8X8_UNORM = 88,       // bytes B, G, R, unused
    DXGI_FORMAT_B8G8R8A8_TYPELESS = 90,    // bytes B, G, R, A, read as UNORM
    DXGI_FORMAT_B8G8R8A8_UNORM_SRGB = 91,  // bytes B, G, R, A; colours sRGB-coded
    DXGI_FORMAT_B8G8R8X8_TYPELESS = 92,    // bytes B, G, R, unused, read as UNORM
    DXGI_FORMAT_B8G8R8X8_UNORM_SRGB = 93,  // bytes B, G, R, unused; colours sRGB-coded
    DXGI_FORMAT_BC6H_TYPELESS = 94,        // BC6H, half-float colour
    DXGI_FORMAT_BC6H_UF16 = 95,            // BC6H, unsigned half floats
    DXGI_FORMAT_BC6H_SF16 = 96,            // BC6H, signed half floats
    DXGI_FORMAT_BC7_TYPELESS = 97,         // BC7, read as UNORM
    DXGI_FORMAT_BC7_UNORM = 98,            // BC7
    DXGI_FORMAT_BC7_UNORM_SRGB = 99,       // BC7, colours sRGB-coded
    DXGI_FORMAT_NV12 = 103,                // planar YUV 4:2:0
    DXGI_FORMAT_YUY2 = 107,                // packed YUV 4:2:2
    DXGI_FORMAT_B4G4R4A4_UNORM = 115,      // 16 bits: B, G, R, A 4 each from the low end
};

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
