// The DDS file layout as DirectDraw defines it: the magic, the 124-byte header and its pixel
// format block, with the flag values named as the format names them. All fields are
// little-endian 32-bit words; the pixel data follows the header directly (no DX10 extension).
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

static_assert(sizeof(DDS_PIXELFORMAT) == 32, "DDS_PIXELFORMAT is 32 bytes in the file");
static_assert(sizeof(DDS_HEADER) == 124, "DDS_HEADER is 124 bytes in the file");

constexpr std::uint32_t DDS_FILE_HEADER_SIZE = 4 + sizeof(DDS_HEADER); // magic and header

} // namespace quillon
