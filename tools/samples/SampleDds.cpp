#include "samples/SampleDds.h"

#include <squish.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillon {

SampleDdsFormat FourCCFormat(std::uint32_t fourCC) {
    SampleDdsFormat format;
    format.FourCC = fourCC;
    return format;
}

SampleDdsFormat MaskedFormat(std::uint32_t flags, std::uint32_t bitCount,
                             std::array<std::uint32_t, 4> masks) {
    SampleDdsFormat format;
    format.Flags = flags;
    format.BitCount = bitCount;
    format.Masks = masks;
    return format;
}

SampleDdsFormat Dx10Format(std::uint32_t dxgiFormat) {
    SampleDdsFormat format;
    format.FourCC = FOURCC_DX10;
    format.DxgiFormat = dxgiFormat;
    return format;
}

std::vector<std::uint8_t> MakeDdsHeader(std::uint32_t width, std::uint32_t height,
                                        const SampleDdsFormat& format,
                                        const SampleDdsHeader& fields) {
    DDS_HEADER header{};
    header.dwSize = sizeof(DDS_HEADER);
    header.dwFlags = fields.Flags;
    header.dwHeight = height;
    header.dwWidth = width;
    header.dwPitchOrLinearSize = fields.PitchOrLinearSize;
    header.dwDepth = fields.Depth;
    header.dwMipMapCount = fields.MipMapCount;
    header.dwCaps = DDSCAPS_TEXTURE;
    header.dwCaps2 = fields.Caps2;
    DDS_PIXELFORMAT& pf = header.ddspf;
    pf.dwSize = sizeof(DDS_PIXELFORMAT);
    if (format.FourCC != 0) {
        pf.dwFlags = DDPF_FOURCC;
        pf.dwFourCC = format.FourCC;
    } else {
        pf.dwFlags = format.Flags;
        pf.dwRGBBitCount = format.BitCount;
        pf.dwRBitMask = format.Masks[0];
        pf.dwGBitMask = format.Masks[1];
        pf.dwBBitMask = format.Masks[2];
        pf.dwRGBAlphaBitMask = format.Masks[3];
    }
    std::vector<std::uint8_t> file(DDS_FILE_HEADER_SIZE);
    std::memcpy(file.data(), &DDS_MAGIC, 4);
    std::memcpy(file.data() + 4, &header, sizeof header);
    if (format.FourCC == FOURCC_DX10) {
        const DDS_HEADER_DXT10 extension = {format.DxgiFormat, fields.ResourceDimension,
                                            fields.MiscFlag, fields.ArraySize, 0};
        file.resize(DDS_DX10_FILE_HEADER_SIZE);
        std::memcpy(file.data() + DDS_FILE_HEADER_SIZE, &extension, sizeof extension);
    }
    return file;
}

std::array<std::uint8_t, 16> MakeBc7Mode6Block(const std::array<std::uint8_t, 4>& first,
                                               const std::array<std::uint8_t, 4>& second,
                                               const std::array<std::uint8_t, 16>& indices) {
    std::array<std::uint8_t, 16> block{};
    int position = 0;
    auto put = [&](unsigned value, int count) {
        for (int i = 0; i < count; ++i, ++position) {
            block[position / 8] |= static_cast<std::uint8_t>(((value >> i) & 1) << (position % 8));
        }
    };
    put(1u << 6, 7); // mode 6: six zeros, then a one
    for (int c = 0; c < 4; ++c) {
        put(first[c] >> 1, 7);
        put(second[c] >> 1, 7);
    }
    put(first[0] & 1, 1); // the p-bits: every channel's low bit
    put(second[0] & 1, 1);
    for (int i = 0; i < 16; ++i) {
        put(indices[i], i == 0 ? 3 : 4);
    }
    return block;
}

namespace {

// One value of 0..255 into the bits of `mask`, to nearest.
std::uint32_t Narrow(std::uint8_t value, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (!((mask >> shift) & 1)) {
        ++shift;
    }
    const std::uint64_t max = mask >> shift;
    return static_cast<std::uint32_t>((value * max + 127) / 255) << shift;
}

std::vector<std::uint8_t> Masked(const RgbaImage& image, int bytes,
                                 const std::array<std::uint32_t, 4>& masks) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4) {
        std::uint32_t pixel = 0;
        for (int c = 0; c < 4; ++c) {
            pixel |= Narrow(image.Pixels[i + c], masks[c]);
        }
        for (int b = 0; b < bytes; ++b) {
            out.push_back(static_cast<std::uint8_t>(pixel >> (8 * b)));
        }
    }
    return out;
}

std::vector<std::uint8_t> Squished(RgbaImage image, int flags, bool premultiply = false,
                                   bool redInAlpha = false, bool isSigned = false) {
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4) {
        std::uint8_t* p = &image.Pixels[i];
        if (premultiply) {
            for (int c = 0; c < 3; ++c) {
                p[c] = static_cast<std::uint8_t>((p[c] * p[3] + 127) / 255);
            }
        }
        if (redInAlpha) {
            p[3] = std::exchange(p[0], 0);
        }
    }
    std::vector<std::uint8_t> blocks(
        static_cast<std::size_t>(squish::GetStorageRequirements(image.Width, image.Height, flags)));
    squish::CompressImage(image.Pixels.data(), image.Width, image.Height, blocks.data(),
                          flags | squish::kColourRangeFit);
    if (isSigned) { // the same values, stored as signed endpoints
        for (std::size_t i = 0; i < blocks.size(); i += 8) {
            blocks[i] ^= 0x80;
            blocks[i + 1] ^= 0x80;
        }
    }
    return blocks;
}

std::vector<std::uint8_t> Bc7(const RgbaImage& image) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < image.Height; y += 4) {
        for (int x = 0; x < image.Width; x += 4) {
            const std::uint8_t* p = image.At(x, y);
            const std::array<std::uint8_t, 4> colour = {
                static_cast<std::uint8_t>(p[0] & 0xFE), static_cast<std::uint8_t>(p[1] & 0xFE),
                static_cast<std::uint8_t>(p[2] & 0xFE), static_cast<std::uint8_t>(p[3] & 0xFE)};
            const auto block = MakeBc7Mode6Block(colour, colour, {});
            out.insert(out.end(), block.begin(), block.end());
        }
    }
    return out;
}

std::vector<std::uint8_t> Wide(const RgbaImage& image) {
    std::vector<std::uint8_t> out;
    for (const std::uint8_t value : image.Pixels) {
        out.push_back(value); // value * 257, little-endian
        out.push_back(value);
    }
    return out;
}

std::vector<std::uint8_t> RedGreen(const RgbaImage& image) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4) {
        out.push_back(image.Pixels[i]);
        out.push_back(image.Pixels[i + 1]);
    }
    return out;
}

// Bit masks of the uncompressed DX10 formats: bytes a pixel and R, G, B, A.
bool Dx10Masks(std::uint32_t dxgi, int& bytes, std::array<std::uint32_t, 4>& masks) {
    struct Entry {
        std::uint32_t Format;
        int Bytes;
        std::array<std::uint32_t, 4> Masks;
    };
    static const Entry entries[] = {
        {DXGI_FORMAT_R8G8B8A8_UNORM, 4, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
        {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, 4, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
        {DXGI_FORMAT_B8G8R8A8_UNORM, 4, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
        {DXGI_FORMAT_B8G8R8A8_UNORM_SRGB, 4, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
        {DXGI_FORMAT_B8G8R8X8_UNORM, 4, {0xFF0000, 0xFF00, 0xFF, 0}},
        {DXGI_FORMAT_R8_UNORM, 1, {0xFF, 0, 0, 0}},
        {DXGI_FORMAT_A8_UNORM, 1, {0, 0, 0, 0xFF}},
        {DXGI_FORMAT_R10G10B10A2_UNORM, 4, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}},
        {DXGI_FORMAT_B5G6R5_UNORM, 2, {0xF800, 0x7E0, 0x1F, 0}},
        {DXGI_FORMAT_B5G5R5A1_UNORM, 2, {0x7C00, 0x3E0, 0x1F, 0x8000}},
        {DXGI_FORMAT_B4G4R4A4_UNORM, 2, {0xF00, 0xF0, 0xF, 0xF000}},
    };
    for (const Entry& entry : entries) {
        if (entry.Format == dxgi) {
            bytes = entry.Bytes;
            masks = entry.Masks;
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::uint8_t> EncodeSampleTopLevel(const RgbaImage& image,
                                               const SampleDdsFormat& format) {
    using namespace squish;
    if (format.FourCC == 0) {
        return Masked(image, static_cast<int>(format.BitCount / 8), format.Masks);
    }
    switch (format.FourCC) {
    case FOURCC_DXT1:
        return Squished(image, kDxt1);
    case FOURCC_DXT2:
    case FOURCC_DXT3:
        return Squished(image, kDxt3, format.FourCC == FOURCC_DXT2);
    case FOURCC_DXT4:
    case FOURCC_DXT5:
        return Squished(image, kDxt5, format.FourCC == FOURCC_DXT4);
    case FOURCC_RXGB:
        return Squished(image, kDxt5, false, true);
    case FOURCC_ATI1:
    case FOURCC_BC4U:
    case FOURCC_BC4S:
        return Squished(image, kBc4, false, false, format.FourCC == FOURCC_BC4S);
    case FOURCC_ATI2:
    case FOURCC_BC5U:
    case FOURCC_BC5S:
        return Squished(image, kBc5, false, false, format.FourCC == FOURCC_BC5S);
    case D3DFMT_A16B16G16R16:
        return Wide(image);
    case FOURCC_DX10:
        break;
    default:
        return {};
    }
    int bytes = 0;
    std::array<std::uint32_t, 4> masks{};
    if (Dx10Masks(format.DxgiFormat, bytes, masks)) {
        return Masked(image, bytes, masks);
    }
    switch (format.DxgiFormat) {
    case DXGI_FORMAT_BC1_UNORM:
    case DXGI_FORMAT_BC1_UNORM_SRGB:
        return Squished(image, kDxt1);
    case DXGI_FORMAT_BC2_UNORM:
    case DXGI_FORMAT_BC2_UNORM_SRGB:
        return Squished(image, kDxt3);
    case DXGI_FORMAT_BC3_UNORM:
    case DXGI_FORMAT_BC3_UNORM_SRGB:
        return Squished(image, kDxt5);
    case DXGI_FORMAT_BC4_UNORM:
    case DXGI_FORMAT_BC4_SNORM:
        return Squished(image, kBc4, false, false, format.DxgiFormat == DXGI_FORMAT_BC4_SNORM);
    case DXGI_FORMAT_BC5_UNORM:
    case DXGI_FORMAT_BC5_SNORM:
        return Squished(image, kBc5, false, false, format.DxgiFormat == DXGI_FORMAT_BC5_SNORM);
    case DXGI_FORMAT_BC7_UNORM:
    case DXGI_FORMAT_BC7_UNORM_SRGB:
        return Bc7(image);
    case DXGI_FORMAT_R8G8_UNORM:
        return RedGreen(image);
    case DXGI_FORMAT_R16G16B16A16_UNORM:
        return Wide(image);
    default:
        return {};
    }
}

std::vector<std::uint8_t> MakeDds(const RgbaImage& image, const SampleDdsFormat& format,
                                  const SampleDdsHeader& fields) {
    const std::vector<std::uint8_t> top = EncodeSampleTopLevel(image, format);
    if (top.empty()) {
        return {};
    }
    std::vector<std::uint8_t> file =
        MakeDdsHeader(static_cast<std::uint32_t>(image.Width),
                      static_cast<std::uint32_t>(image.Height), format, fields);
    file.insert(file.end(), top.begin(), top.end());
    return file;
}

const std::vector<NamedSampleFormat>& SampleDdsFormats() {
    const std::uint32_t rgb = DDPF_RGB, rgba = DDPF_RGB | DDPF_ALPHAPIXELS;
    static const std::vector<NamedSampleFormat> formats = {
        {"dxt1", FourCCFormat(FOURCC_DXT1)},
        {"dxt2", FourCCFormat(FOURCC_DXT2)},
        {"dxt3", FourCCFormat(FOURCC_DXT3)},
        {"dxt4", FourCCFormat(FOURCC_DXT4)},
        {"dxt5", FourCCFormat(FOURCC_DXT5)},
        {"rxgb", FourCCFormat(FOURCC_RXGB)},
        {"ati1", FourCCFormat(FOURCC_ATI1)},
        {"bc4u", FourCCFormat(FOURCC_BC4U)},
        {"bc4s", FourCCFormat(FOURCC_BC4S)},
        {"ati2", FourCCFormat(FOURCC_ATI2)},
        {"bc5u", FourCCFormat(FOURCC_BC5U)},
        {"bc5s", FourCCFormat(FOURCC_BC5S)},
        {"a16b16g16r16", FourCCFormat(D3DFMT_A16B16G16R16)},
        {"a8r8g8b8", MaskedFormat(rgba, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000})},
        {"x8r8g8b8", MaskedFormat(rgb, 32, {0xFF0000, 0xFF00, 0xFF, 0})},
        {"a8b8g8r8", MaskedFormat(rgba, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000})},
        {"r8g8b8", MaskedFormat(rgb, 24, {0xFF0000, 0xFF00, 0xFF, 0})},
        {"r5g6b5", MaskedFormat(rgb, 16, {0xF800, 0x7E0, 0x1F, 0})},
        {"x1r5g5b5", MaskedFormat(rgb, 16, {0x7C00, 0x3E0, 0x1F, 0})},
        {"a1r5g5b5", MaskedFormat(rgba, 16, {0x7C00, 0x3E0, 0x1F, 0x8000})},
        {"a4r4g4b4", MaskedFormat(rgba, 16, {0xF00, 0xF0, 0xF, 0xF000})},
        {"l8", MaskedFormat(DDPF_LUMINANCE, 8, {0xFF, 0, 0, 0})},
        {"a8l8", MaskedFormat(DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 16, {0xFF, 0, 0, 0xFF00})},
        {"a8", MaskedFormat(DDPF_ALPHA, 8, {0, 0, 0, 0xFF})},
        {"l16", MaskedFormat(DDPF_LUMINANCE, 16, {0xFFFF, 0, 0, 0})},
        {"dx10-bc1", Dx10Format(DXGI_FORMAT_BC1_UNORM)},
        {"dx10-bc1-srgb", Dx10Format(DXGI_FORMAT_BC1_UNORM_SRGB)},
        {"dx10-bc2", Dx10Format(DXGI_FORMAT_BC2_UNORM)},
        {"dx10-bc3", Dx10Format(DXGI_FORMAT_BC3_UNORM_SRGB)},
        {"dx10-bc4", Dx10Format(DXGI_FORMAT_BC4_UNORM)},
        {"dx10-bc4-snorm", Dx10Format(DXGI_FORMAT_BC4_SNORM)},
        {"dx10-bc5", Dx10Format(DXGI_FORMAT_BC5_UNORM)},
        {"dx10-bc5-snorm", Dx10Format(DXGI_FORMAT_BC5_SNORM)},
        {"dx10-bc7", Dx10Format(DXGI_FORMAT_BC7_UNORM)},
        {"dx10-bc7-srgb", Dx10Format(DXGI_FORMAT_BC7_UNORM_SRGB)},
        {"dx10-r8g8b8a8", Dx10Format(DXGI_FORMAT_R8G8B8A8_UNORM)},
        {"dx10-r8g8b8a8-srgb", Dx10Format(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB)},
        {"dx10-b8g8r8a8", Dx10Format(DXGI_FORMAT_B8G8R8A8_UNORM)},
        {"dx10-b8g8r8a8-srgb", Dx10Format(DXGI_FORMAT_B8G8R8A8_UNORM_SRGB)},
        {"dx10-b8g8r8x8", Dx10Format(DXGI_FORMAT_B8G8R8X8_UNORM)},
        {"dx10-r8", Dx10Format(DXGI_FORMAT_R8_UNORM)},
        {"dx10-r8g8", Dx10Format(DXGI_FORMAT_R8G8_UNORM)},
        {"dx10-a8", Dx10Format(DXGI_FORMAT_A8_UNORM)},
        {"dx10-r16g16b16a16", Dx10Format(DXGI_FORMAT_R16G16B16A16_UNORM)},
        {"dx10-r10g10b10a2", Dx10Format(DXGI_FORMAT_R10G10B10A2_UNORM)},
        {"dx10-b5g6r5", Dx10Format(DXGI_FORMAT_B5G6R5_UNORM)},
        {"dx10-b5g5r5a1", Dx10Format(DXGI_FORMAT_B5G5R5A1_UNORM)},
        {"dx10-b4g4r4a4", Dx10Format(DXGI_FORMAT_B4G4R4A4_UNORM)},
    };
    return formats;
}

} // namespace quillon
