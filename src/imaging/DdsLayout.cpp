#include "imaging/DdsReader.h"

#include "imaging/DdsFormat.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>

namespace quillon {

namespace {

// Where the header's fields lie in the file (after the four bytes of the magic).
constexpr std::uint64_t HeightAt = 4 + offsetof(DDS_HEADER, dwHeight);
constexpr std::uint64_t WidthAt = 4 + offsetof(DDS_HEADER, dwWidth);
constexpr std::uint64_t DepthAt = 4 + offsetof(DDS_HEADER, dwDepth);
constexpr std::uint64_t MipCountAt = 4 + offsetof(DDS_HEADER, dwMipMapCount);
constexpr std::uint64_t PixelFormatAt = 4 + offsetof(DDS_HEADER, ddspf);
constexpr std::uint64_t FourCCAt = PixelFormatAt + offsetof(DDS_PIXELFORMAT, dwFourCC);
constexpr std::uint64_t BitCountAt = PixelFormatAt + offsetof(DDS_PIXELFORMAT, dwRGBBitCount);
constexpr std::uint64_t Caps2At = 4 + offsetof(DDS_HEADER, dwCaps2);
constexpr std::uint64_t DxgiAt = DDS_FILE_HEADER_SIZE + offsetof(DDS_HEADER_DXT10, dxgiFormat);
constexpr std::uint64_t DimensionAt =
    DDS_FILE_HEADER_SIZE + offsetof(DDS_HEADER_DXT10, resourceDimension);
constexpr std::uint64_t MiscFlagAt = DDS_FILE_HEADER_SIZE + offsetof(DDS_HEADER_DXT10, miscFlag);
constexpr std::uint64_t ArraySizeAt = DDS_FILE_HEADER_SIZE + offsetof(DDS_HEADER_DXT10, arraySize);

// Records the reason where the caller asked for it and gives the kind of problem back.
class Refusal {
public:
    explicit Refusal(Problem* why) : Why(why) {}
    DdsProblem operator()(DdsProblem kind, std::string text,
                          std::optional<std::uint64_t> offset = std::nullopt) const {
        if (Why != nullptr) {
            *Why = {std::move(text), offset};
        }
        return kind;
    }
    DdsProblem operator()(Problem problem) const {
        if (Why != nullptr) {
            *Why = std::move(problem);
        }
        return DdsProblem::Truncated;
    }

private:
    Problem* Why;
};

std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool EdgeIsSane(std::uint32_t edge) {
    return edge >= 1 && edge <= static_cast<std::uint32_t>(MaxTextureEdge);
}

// A FourCC as its four characters where they are printable, else as its number.
std::string FourCCText(std::uint32_t fourCC) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(fourCC >> (8 * i));
        if (c < ' ' || c > '~') {
            return std::to_string(fourCC);
        }
        text += c;
    }
    return "\"" + text + "\"";
}

// The layout a row of the format table gives.
void TakeFacts(const FormatFacts& facts, DdsLayout& layout) {
    layout.Facts = &facts;
    layout.Format = facts.Layout;
    layout.BlockBytes = facts.BlockBytes;
    layout.BytesPerPixel = facts.BitsPerPixel / 8;
    std::copy(facts.Masks.begin(), facts.Masks.end(), layout.Masks);
    layout.Luminance = facts.Luminance;
    layout.HasAlpha = facts.Alpha;
    layout.Premultiplied = facts.Premultiplied;
    layout.Srgb = facts.Srgb;
}

// The uncompressed layouts that a classic header's bit masks describe.
DdsProblem ReadMaskedFormat(const DDS_PIXELFORMAT& format, DdsLayout& layout, Refusal refuse) {
    const std::uint32_t bits = format.dwRGBBitCount;
    if (!(format.dwFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA))) {
        return refuse(DdsProblem::Unsupported,
                      "its pixel format is neither a known compression nor RGB, luminance or "
                      "alpha bits (a palette, perhaps), which are not supported",
                      PixelFormatAt);
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return refuse(DdsProblem::Unsupported,
                      "pixels of " + std::to_string(bits) + " bits are not supported", BitCountAt);
    }
    const bool luminance = (format.dwFlags & DDPF_LUMINANCE) != 0;
    std::array<std::uint32_t, 4> masks = {};
    if (luminance) {
        masks[0] = format.dwRBitMask;
    } else if (format.dwFlags & DDPF_RGB) {
        masks = {format.dwRBitMask, format.dwGBitMask, format.dwBBitMask, 0};
    }
    // Without DDPF_ALPHAPIXELS an alpha mask is unused bits (X8R8G8B8).
    if (format.dwFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) {
        masks[3] = format.dwRGBAlphaBitMask;
    }
    const std::uint64_t pixelBits = (std::uint64_t(1) << bits) - 1;
    for (std::uint32_t& mask : masks) {
        mask &= static_cast<std::uint32_t>(pixelBits); // bits beyond the pixel read nothing
    }
    // Some writers give 8-bit luminance a mask beyond its 8 bits (0xFF000000): the byte is the
    // grey, as other readers take it.
    if (luminance && bits == 8 && masks[0] == 0 && masks[3] == 0) {
        masks[0] = 0xFF;
    }
    if ((masks[0] | masks[1] | masks[2] | masks[3]) == 0) {
        return refuse(DdsProblem::Unsupported, "its bit masks pick no channel from its pixels",
                      PixelFormatAt);
    }
    layout.Format = DdsPixelFormat::Masked;
    layout.BytesPerPixel = static_cast<int>(bits / 8);
    std::copy(masks.begin(), masks.end(), layout.Masks);
    layout.Luminance = luminance;
    layout.HasAlpha = masks[3] != 0;
    return DdsProblem::None;
}

// A format named by its code: a row of the format table that the reader decodes.
DdsProblem ReadNamedFormat(const FormatFacts* facts, const std::string& code, std::uint64_t at,
                           DdsLayout& layout, Refusal refuse) {
    if (facts == nullptr) {
        return refuse(DdsProblem::Unsupported, code + " is not a format Quillon reads", at);
    }
    if (!facts->Decoded) {
        return refuse(DdsProblem::Unsupported,
                      std::string(facts->Name) + " textures are not supported", at);
    }
    TakeFacts(*facts, layout);
    return DdsProblem::None;
}

std::string Edges(std::uint32_t width, std::uint32_t height) {
    return GroupedNumber(width) + " x " + GroupedNumber(height);
}

} // namespace

DdsProblem ReadDdsLayout(const std::uint8_t* data, std::size_t size, DdsLayout& result,
                         Problem* why) {
    const Refusal refuse(why);
    if (size < 4 || ReadLE32(data) != DDS_MAGIC) {
        return refuse(DdsProblem::NotDds, "not a DDS file: it does not start with \"DDS \"", 0);
    }
    if (size < DDS_FILE_HEADER_SIZE) {
        return refuse(Truncated(size, DDS_FILE_HEADER_SIZE));
    }
    DDS_HEADER header;
    std::memcpy(&header, data + 4, sizeof header); // the file and this machine are little-endian
    if (header.dwSize != sizeof(DDS_HEADER) || header.ddspf.dwSize != sizeof(DDS_PIXELFORMAT)) {
        return refuse(DdsProblem::NotDds, "not a DDS file: its header sizes are not 124 and 32", 4);
    }
    DdsLayout layout;
    const DDS_PIXELFORMAT& format = header.ddspf;
    layout.Dx10 = (format.dwFlags & DDPF_FOURCC) && format.dwFourCC == FOURCC_DX10;
    DDS_HEADER_DXT10 extension{};
    if (layout.Dx10) {
        if (size < DDS_DX10_FILE_HEADER_SIZE) {
            return refuse(Truncated(size, DDS_DX10_FILE_HEADER_SIZE));
        }
        std::memcpy(&extension, data + DDS_FILE_HEADER_SIZE, sizeof extension);
    }
    layout.DataOffset = layout.Dx10 ? DDS_DX10_FILE_HEADER_SIZE : DDS_FILE_HEADER_SIZE;

    const std::uint32_t width = header.dwWidth, height = header.dwHeight;
    if (!EdgeIsSane(width) || !EdgeIsSane(height)) {
        return refuse(DdsProblem::BadDimensions,
                      "its size of " + Edges(width, height) + " pixels is outside 1 to " +
                          GroupedNumber(MaxTextureEdge) + " a side",
                      EdgeIsSane(width) ? HeightAt : WidthAt);
    }
    layout.Width = static_cast<int>(width);
    layout.Height = static_cast<int>(height);

    // One flat surface only. A depth of 1 is a flat texture, whatever the header calls it.
    const bool volume = layout.Dx10
                            ? extension.resourceDimension == D3D10_RESOURCE_DIMENSION_TEXTURE3D
                            : (header.dwFlags & DDSD_DEPTH) && (header.dwCaps2 & DDSCAPS2_VOLUME);
    if (volume && header.dwDepth > 1) {
        if (header.dwDepth > static_cast<std::uint32_t>(MaxTextureEdge)) {
            return refuse(DdsProblem::BadDimensions,
                          "its depth of " + GroupedNumber(header.dwDepth) + " slices is beyond " +
                              GroupedNumber(MaxTextureEdge),
                          DepthAt);
        }
        return refuse(DdsProblem::NotFlat, "volume textures are not flat textures", DepthAt);
    }
    if (header.dwCaps2 & DDSCAPS2_CUBEMAP) {
        return refuse(DdsProblem::NotFlat, "cube maps are not flat textures", Caps2At);
    }
    if (layout.Dx10) {
        if (extension.miscFlag & DDS_RESOURCE_MISC_TEXTURECUBE) {
            return refuse(DdsProblem::NotFlat, "cube maps are not flat textures", MiscFlagAt);
        }
        if (extension.arraySize == 0) {
            return refuse(DdsProblem::BadDimensions, "its DX10 header declares no slices",
                          ArraySizeAt);
        }
        if (extension.arraySize > 1) {
            return refuse(DdsProblem::NotFlat, "texture arrays are not flat textures", ArraySizeAt);
        }
        const std::uint32_t dimension = extension.resourceDimension;
        if (dimension != D3D10_RESOURCE_DIMENSION_TEXTURE1D &&
            dimension != D3D10_RESOURCE_DIMENSION_TEXTURE2D &&
            dimension != D3D10_RESOURCE_DIMENSION_TEXTURE3D) {
            return refuse(DdsProblem::Unsupported, "its DX10 header names no texture", DimensionAt);
        }
    }

    if ((header.dwFlags & DDSD_MIPMAPCOUNT) && header.dwMipMapCount > 1) {
        std::uint32_t longest = std::max(width, height);
        std::uint32_t possible = 1;
        while (longest > 1) {
            longest /= 2;
            ++possible;
        }
        if (header.dwMipMapCount > possible) {
            return refuse(DdsProblem::BadDimensions,
                          "it declares " + GroupedNumber(header.dwMipMapCount) +
                              " mip levels where " + Edges(width, height) + " has at most " +
                              std::to_string(possible),
                          MipCountAt);
        }
        layout.MipCount = static_cast<int>(header.dwMipMapCount);
    }

    DdsProblem known;
    if (layout.Dx10) {
        layout.DxgiFormat = extension.dxgiFormat;
        known = ReadNamedFormat(FormatWithDxgi(extension.dxgiFormat),
                                "DXGI format " + std::to_string(extension.dxgiFormat), DxgiAt,
                                layout, refuse);
        layout.FourCC = FOURCC_DX10;
    } else if (format.dwFlags & DDPF_FOURCC) {
        layout.FourCC = format.dwFourCC;
        known =
            ReadNamedFormat(FormatWithFourCC(format.dwFourCC),
                            "the FourCC " + FourCCText(format.dwFourCC), FourCCAt, layout, refuse);
    } else {
        known = ReadMaskedFormat(format, layout, refuse);
    }
    if (known != DdsProblem::None) {
        return known;
    }

    // Edges of at most 16384 keep these products far below 2^64.
    layout.TopLevelBytes =
        layout.BlockBytes != 0
            ? ((std::uint64_t(width) + 3) / 4) * ((std::uint64_t(height) + 3) / 4) *
                  static_cast<std::uint64_t>(layout.BlockBytes)
            : std::uint64_t(width) * height * static_cast<std::uint64_t>(layout.BytesPerPixel);
    if (layout.TopLevelBytes > size - layout.DataOffset) {
        return refuse(Truncated(size, layout.DataOffset + layout.TopLevelBytes));
    }
    result = layout;
    return DdsProblem::None;
}

} // namespace quillon
