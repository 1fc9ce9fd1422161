// Facts about every texture format the tool reads or writes, one row each: the word set
// definitions name it by, the pixel format it is written in, the codes a DDS file stores it
// under, how its data is laid out (which names its decoder and, for the formats written, its
// encoder), its block or pixel size and its channels. The catalogue, the DDS reader and writer
// and the blend session all read this table; a format missing from it is refused, never taken
// for another. It lies in the catalogue, the lowest layer that reads it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quillon {

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

// FourCC codes of the block-compressed formats (DDS_PIXELFORMAT.dwFourCC)
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

// DDS_HEADER_DXT10.dxgiFormat: the formats the table knows by name (DXGI_FORMAT in dxgiformat.h)
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

// The pixel formats a texture is written in.
enum class TextureFormat {
    DXT1, // BC1, encoded opaque: no pixel becomes punch-through black
    DXT5, // BC3, colour and interpolated alpha
    BC7,  // BC7 in a DX10 file
    RGB,  // 24 bits a pixel, stored B, G, R
    RGBA, // 32 bits a pixel, stored B, G, R, A
};

// How a format's data is laid out: blocks of one of the block-compressed kinds, or pixels. The
// layout names the decoder, and for the formats written the encoder.
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

struct FormatFacts {
    const char* Name = nullptr; // as messages name it: "DXT1", "BC6H", "B8G8R8A8_UNORM"
    const char* Word = nullptr; // the catalogue's compression word; formats written only
    std::optional<TextureFormat> Written = std::nullopt; // the pixel format written in it
    std::uint32_t FourCC = 0; // the classic header's dwFourCC (FOURCC_DX10: see Dxgi)
    std::uint32_t Dxgi = 0;   // the DX10 header's dxgiFormat
    bool Decoded = false;     // false: the reader refuses it
    DdsPixelFormat Layout = DdsPixelFormat::Masked;
    int BlockBytes = 0;   // bytes of a 4 x 4 block; 0: stored pixel by pixel
    int BitsPerPixel = 0; // stored pixel by pixel: bits of one pixel
    // Masked: the R, G, B and A masks of a pixel; with Luminance the R mask is grey.
    std::array<std::uint32_t, 4> Masks = {};
    bool Luminance = false;
    bool Alpha = false;         // the stored format can carry alpha (DXT1 counts)
    bool Premultiplied = false; // DXT2 or DXT4: colours were multiplied by alpha
    bool Srgb = false;          // sRGB-coded colours, kept as stored
};

// Every row, formats written first.
std::span<const FormatFacts> FormatTable();

// The row a DDS file's codes name: a classic header's FourCC (or Direct3D 9 number), or a DX10
// header's dxgiFormat. Null when the table has none.
const FormatFacts* FormatWithFourCC(std::uint32_t fourCC);
const FormatFacts* FormatWithDxgi(std::uint32_t dxgiFormat);

// The row of a pixel format written, and of a catalogue word (exact letter case); null for a
// word that names none.
const FormatFacts& FactsOf(TextureFormat format);
const FormatFacts* FormatNamed(std::string_view word);

// The pixel format written whose data has this layout, if one is.
std::optional<TextureFormat> FormatWrittenAs(DdsPixelFormat layout);

} // namespace quillon
