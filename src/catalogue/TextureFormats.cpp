#include "catalogue/TextureFormats.h"

#include <cstddef>
#include <string_view>

namespace quillon {

namespace {

using L = DdsPixelFormat;
using F = TextureFormat;

constexpr std::array<std::uint32_t, 4> Bgr = {0xFF0000, 0xFF00, 0xFF, 0};
constexpr std::array<std::uint32_t, 4> Bgra = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr std::array<std::uint32_t, 4> Rgba = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};

// The formats written come first, in the order of TextureFormat, so that a pixel format's row is
// found by its value (checked below).
constexpr FormatFacts Table[] = {
    // Written, classic header: what the 2011 edition reads.
    {.Name = "DXT1",
     .Word = "DXT1",
     .Written = F::DXT1,
     .FourCC = FOURCC_DXT1,
     .Decoded = true,
     .Layout = L::Bc1,
     .BlockBytes = 8,
     .Alpha = true}, // its transparent black may be meant
    {.Name = "DXT5",
     .Word = "DXT5",
     .Written = F::DXT5,
     .FourCC = FOURCC_DXT5,
     .Decoded = true,
     .Layout = L::Bc3,
     .BlockBytes = 16,
     .Alpha = true},
    // Written with the DX10 header, which only the Special Edition reads.
    {.Name = "BC7_UNORM",
     .Word = "BC7",
     .Written = F::BC7,
     .Dxgi = DXGI_FORMAT_BC7_UNORM,
     .Decoded = true,
     .Layout = L::Bc7,
     .BlockBytes = 16,
     .Alpha = true},
    // Written uncompressed, classic header.
    {.Name = "R8G8B8",
     .Word = "RGB",
     .Written = F::RGB,
     .Decoded = true,
     .BitsPerPixel = 24,
     .Masks = Bgr},
    {.Name = "A8R8G8B8",
     .Word = "RGBA",
     .Written = F::RGBA,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgra,
     .Alpha = true},

    // Read from a classic header's FourCC.
    {.Name = "DXT2",
     .FourCC = FOURCC_DXT2,
     .Decoded = true,
     .Layout = L::Bc2,
     .BlockBytes = 16,
     .Alpha = true,
     .Premultiplied = true},
    {.Name = "DXT3",
     .FourCC = FOURCC_DXT3,
     .Decoded = true,
     .Layout = L::Bc2,
     .BlockBytes = 16,
     .Alpha = true},
    {.Name = "DXT4",
     .FourCC = FOURCC_DXT4,
     .Decoded = true,
     .Layout = L::Bc3,
     .BlockBytes = 16,
     .Alpha = true,
     .Premultiplied = true},
    {.Name = "RXGB",
     .FourCC = FOURCC_RXGB,
     .Decoded = true,
     .Layout = L::Bc3Rxgb,
     .BlockBytes = 16},
    {.Name = "ATI1", .FourCC = FOURCC_ATI1, .Decoded = true, .Layout = L::Bc4, .BlockBytes = 8},
    {.Name = "BC4U", .FourCC = FOURCC_BC4U, .Decoded = true, .Layout = L::Bc4, .BlockBytes = 8},
    {.Name = "BC4S",
     .FourCC = FOURCC_BC4S,
     .Decoded = true,
     .Layout = L::Bc4Signed,
     .BlockBytes = 8},
    {.Name = "ATI2", .FourCC = FOURCC_ATI2, .Decoded = true, .Layout = L::Bc5, .BlockBytes = 16},
    {.Name = "BC5U", .FourCC = FOURCC_BC5U, .Decoded = true, .Layout = L::Bc5, .BlockBytes = 16},
    {.Name = "BC5S",
     .FourCC = FOURCC_BC5S,
     .Decoded = true,
     .Layout = L::Bc5Signed,
     .BlockBytes = 16},
    {.Name = "A16B16G16R16",
     .FourCC = D3DFMT_A16B16G16R16,
     .Decoded = true,
     .Layout = L::Rgba16,
     .BitsPerPixel = 64,
     .Alpha = true},
    {.Name = "R16F", .FourCC = D3DFMT_R16F},
    {.Name = "G16R16F", .FourCC = D3DFMT_G16R16F},
    {.Name = "A16B16G16R16F", .FourCC = D3DFMT_A16B16G16R16F},
    {.Name = "R32F", .FourCC = D3DFMT_R32F},
    {.Name = "G32R32F", .FourCC = D3DFMT_G32R32F},
    {.Name = "A32B32G32R32F", .FourCC = D3DFMT_A32B32G32R32F},

    // Read from a DX10 header; typeless data is read as UNORM, sRGB data as stored.
    {.Name = "BC1_TYPELESS",
     .Dxgi = DXGI_FORMAT_BC1_TYPELESS,
     .Decoded = true,
     .Layout = L::Bc1,
     .BlockBytes = 8,
     .Alpha = true},
    {.Name = "BC1_UNORM",
     .Dxgi = DXGI_FORMAT_BC1_UNORM,
     .Decoded = true,
     .Layout = L::Bc1,
     .BlockBytes = 8,
     .Alpha = true},
    {.Name = "BC1_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_BC1_UNORM_SRGB,
     .Decoded = true,
     .Layout = L::Bc1,
     .BlockBytes = 8,
     .Alpha = true,
     .Srgb = true},
    {.Name = "BC2_TYPELESS",
     .Dxgi = DXGI_FORMAT_BC2_TYPELESS,
     .Decoded = true,
     .Layout = L::Bc2,
     .BlockBytes = 16,
     .Alpha = true},
    {.Name = "BC2_UNORM",
     .Dxgi = DXGI_FORMAT_BC2_UNORM,
     .Decoded = true,
     .Layout = L::Bc2,
     .BlockBytes = 16,
     .Alpha = true},
    {.Name = "BC2_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_BC2_UNORM_SRGB,
     .Decoded = true,
     .Layout = L::Bc2,
     .BlockBytes = 16,
     .Alpha = true,
     .Srgb = true},
    {.Name = "BC3_TYPELESS",
     .Dxgi = DXGI_FORMAT_BC3_TYPELESS,
     .Decoded = true,
     .Layout = L::Bc3,
     .BlockBytes = 16,
     .Alpha = true},
    {.Name = "BC3_UNORM",
     .Dxgi = DXGI_FORMAT_BC3_UNORM,
     .Decoded = true,
     .Layout = L::Bc3,
     .BlockBytes = 16,
     .Alpha = true},
    {.Name = "BC3_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_BC3_UNORM_SRGB,
     .Decoded = true,
     .Layout = L::Bc3,
     .BlockBytes = 16,
     .Alpha = true,
     .Srgb = true},
    {.Name = "BC4_TYPELESS",
     .Dxgi = DXGI_FORMAT_BC4_TYPELESS,
     .Decoded = true,
     .Layout = L::Bc4,
     .BlockBytes = 8},
    {.Name = "BC4_UNORM",
     .Dxgi = DXGI_FORMAT_BC4_UNORM,
     .Decoded = true,
     .Layout = L::Bc4,
     .BlockBytes = 8},
    {.Name = "BC4_SNORM",
     .Dxgi = DXGI_FORMAT_BC4_SNORM,
     .Decoded = true,
     .Layout = L::Bc4Signed,
     .BlockBytes = 8},
    {.Name = "BC5_TYPELESS",
     .Dxgi = DXGI_FORMAT_BC5_TYPELESS,
     .Decoded = true,
     .Layout = L::Bc5,
     .BlockBytes = 16},
    {.Name = "BC5_UNORM",
     .Dxgi = DXGI_FORMAT_BC5_UNORM,
     .Decoded = true,
     .Layout = L::Bc5,
     .BlockBytes = 16},
    {.Name = "BC5_SNORM",
     .Dxgi = DXGI_FORMAT_BC5_SNORM,
     .Decoded = true,
     .Layout = L::Bc5Signed,
     .BlockBytes = 16},
    {.Name = "BC7_TYPELESS",
     .Dxgi = DXGI_FORMAT_BC7_TYPELESS,
     .Decoded = true,
     .Layout = L::Bc7,
     .BlockBytes = 16,
     .Alpha = true},
    {.Name = "BC7_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_BC7_UNORM_SRGB,
     .Decoded = true,
     .Layout = L::Bc7,
     .BlockBytes = 16,
     .Alpha = true,
     .Srgb = true},
    {.Name = "R8G8B8A8_TYPELESS",
     .Dxgi = DXGI_FORMAT_R8G8B8A8_TYPELESS,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Rgba,
     .Alpha = true},
    {.Name = "R8G8B8A8_UNORM",
     .Dxgi = DXGI_FORMAT_R8G8B8A8_UNORM,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Rgba,
     .Alpha = true},
    {.Name = "R8G8B8A8_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Rgba,
     .Alpha = true,
     .Srgb = true},
    {.Name = "B8G8R8A8_TYPELESS",
     .Dxgi = DXGI_FORMAT_B8G8R8A8_TYPELESS,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgra,
     .Alpha = true},
    {.Name = "B8G8R8A8_UNORM",
     .Dxgi = DXGI_FORMAT_B8G8R8A8_UNORM,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgra,
     .Alpha = true},
    {.Name = "B8G8R8A8_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_B8G8R8A8_UNORM_SRGB,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgra,
     .Alpha = true,
     .Srgb = true},
    {.Name = "B8G8R8X8_TYPELESS",
     .Dxgi = DXGI_FORMAT_B8G8R8X8_TYPELESS,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgr},
    {.Name = "B8G8R8X8_UNORM",
     .Dxgi = DXGI_FORMAT_B8G8R8X8_UNORM,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgr},
    {.Name = "B8G8R8X8_UNORM_SRGB",
     .Dxgi = DXGI_FORMAT_B8G8R8X8_UNORM_SRGB,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = Bgr,
     .Srgb = true},
    // One channel, read as grey like BC4.
    {.Name = "R8_TYPELESS",
     .Dxgi = DXGI_FORMAT_R8_TYPELESS,
     .Decoded = true,
     .BitsPerPixel = 8,
     .Masks = {0xFF, 0, 0, 0},
     .Luminance = true},
    {.Name = "R8_UNORM",
     .Dxgi = DXGI_FORMAT_R8_UNORM,
     .Decoded = true,
     .BitsPerPixel = 8,
     .Masks = {0xFF, 0, 0, 0},
     .Luminance = true},
    {.Name = "A8_UNORM",
     .Dxgi = DXGI_FORMAT_A8_UNORM,
     .Decoded = true,
     .BitsPerPixel = 8,
     .Masks = {0, 0, 0, 0xFF},
     .Alpha = true},
    // Two channels, a normal map like BC5.
    {.Name = "R8G8_TYPELESS",
     .Dxgi = DXGI_FORMAT_R8G8_TYPELESS,
     .Decoded = true,
     .Layout = L::Rg8,
     .BitsPerPixel = 16},
    {.Name = "R8G8_UNORM",
     .Dxgi = DXGI_FORMAT_R8G8_UNORM,
     .Decoded = true,
     .Layout = L::Rg8,
     .BitsPerPixel = 16},
    {.Name = "R16G16B16A16_TYPELESS",
     .Dxgi = DXGI_FORMAT_R16G16B16A16_TYPELESS,
     .Decoded = true,
     .Layout = L::Rgba16,
     .BitsPerPixel = 64,
     .Alpha = true},
    {.Name = "R16G16B16A16_UNORM",
     .Dxgi = DXGI_FORMAT_R16G16B16A16_UNORM,
     .Decoded = true,
     .Layout = L::Rgba16,
     .BitsPerPixel = 64,
     .Alpha = true},
    {.Name = "R10G10B10A2_TYPELESS",
     .Dxgi = DXGI_FORMAT_R10G10B10A2_TYPELESS,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
     .Alpha = true},
    {.Name = "R10G10B10A2_UNORM",
     .Dxgi = DXGI_FORMAT_R10G10B10A2_UNORM,
     .Decoded = true,
     .BitsPerPixel = 32,
     .Masks = {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
     .Alpha = true},
    {.Name = "B5G6R5_UNORM",
     .Dxgi = DXGI_FORMAT_B5G6R5_UNORM,
     .Decoded = true,
     .BitsPerPixel = 16,
     .Masks = {0xF800, 0x7E0, 0x1F, 0}},
    {.Name = "B5G5R5A1_UNORM",
     .Dxgi = DXGI_FORMAT_B5G5R5A1_UNORM,
     .Decoded = true,
     .BitsPerPixel = 16,
     .Masks = {0x7C00, 0x3E0, 0x1F, 0x8000},
     .Alpha = true},
    {.Name = "B4G4R4A4_UNORM",
     .Dxgi = DXGI_FORMAT_B4G4R4A4_UNORM,
     .Decoded = true,
     .BitsPerPixel = 16,
     .Masks = {0xF00, 0xF0, 0xF, 0xF000},
     .Alpha = true},
    // Known, and refused: high dynamic range, depth and video formats.
    {.Name = "R32G32B32A32_FLOAT", .Dxgi = DXGI_FORMAT_R32G32B32A32_FLOAT},
    {.Name = "R16G16B16A16_FLOAT", .Dxgi = DXGI_FORMAT_R16G16B16A16_FLOAT},
    {.Name = "D32_FLOAT", .Dxgi = DXGI_FORMAT_D32_FLOAT},
    {.Name = "D24_UNORM_S8_UINT", .Dxgi = DXGI_FORMAT_D24_UNORM_S8_UINT},
    {.Name = "BC6H", .Dxgi = DXGI_FORMAT_BC6H_TYPELESS},
    {.Name = "BC6H", .Dxgi = DXGI_FORMAT_BC6H_UF16},
    {.Name = "BC6H", .Dxgi = DXGI_FORMAT_BC6H_SF16},
    {.Name = "NV12", .Dxgi = DXGI_FORMAT_NV12},
    {.Name = "YUY2", .Dxgi = DXGI_FORMAT_YUY2},
};

constexpr bool WrittenFormatsComeFirstInOrder() {
    int written = 0;
    for (const FormatFacts& row : Table) {
        if (row.Written && static_cast<int>(*row.Written) != written++) {
            return false;
        }
    }
    return written == static_cast<int>(F::RGBA) + 1 && Table[written - 1].Written == F::RGBA;
}
static_assert(WrittenFormatsComeFirstInOrder(), "one row for each TextureFormat, first, in order");

} // namespace

std::span<const FormatFacts> FormatTable() {
    return Table;
}

const FormatFacts* FormatWithFourCC(std::uint32_t fourCC) {
    for (const FormatFacts& row : Table) {
        if (row.FourCC == fourCC && fourCC != 0) {
            return &row;
        }
    }
    return nullptr;
}

const FormatFacts* FormatWithDxgi(std::uint32_t dxgiFormat) {
    for (const FormatFacts& row : Table) {
        if (row.Dxgi == dxgiFormat && dxgiFormat != 0) {
            return &row;
        }
    }
    return nullptr;
}

const FormatFacts& FactsOf(TextureFormat format) {
    return Table[static_cast<std::size_t>(format)];
}

const FormatFacts* FormatNamed(std::string_view word) {
    for (const FormatFacts& row : Table) {
        if (row.Word != nullptr && word == row.Word) {
            return &row;
        }
    }
    return nullptr;
}

std::optional<TextureFormat> FormatWrittenAs(DdsPixelFormat layout) {
    for (const FormatFacts& row : Table) {
        if (row.Written && row.BlockBytes != 0 && row.Layout == layout) {
            return row.Written;
        }
    }
    return std::nullopt;
}

} // namespace quillon
