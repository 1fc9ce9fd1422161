#include "imaging/DdsWriter.h"

#include "imaging/BlockEncoding.h"
#include "imaging/DdsFormat.h"

#include <bit>
#include <cstring>
#include <new>
#include <optional>

namespace quillon {

namespace {

// The block encoder of a layout written; nothing for the layouts stored pixel by pixel, and for
// block layouts no encoder of ours writes.
std::optional<BlockFormat> EncoderFor(DdsPixelFormat layout) {
    switch (layout) {
    case DdsPixelFormat::Bc1:
        return BlockFormat::BC1;
    case DdsPixelFormat::Bc3:
        return BlockFormat::BC3;
    case DdsPixelFormat::Bc7:
        return BlockFormat::BC7;
    case DdsPixelFormat::Bc2:
    case DdsPixelFormat::Bc3Rxgb:
    case DdsPixelFormat::Bc4:
    case DdsPixelFormat::Bc4Signed:
    case DdsPixelFormat::Bc5:
    case DdsPixelFormat::Bc5Signed:
    case DdsPixelFormat::Masked:
    case DdsPixelFormat::Rg8:
    case DdsPixelFormat::Rgba16:
        return std::nullopt;
    }
    return std::nullopt;
}

std::uint64_t BlockCount(int width, int height) {
    return std::uint64_t((width + 3) / 4) * std::uint64_t((height + 3) / 4);
}

DDS_HEADER MakeHeader(int width, int height, const FormatFacts& format, std::size_t levels) {
    DDS_HEADER header{};
    header.dwSize = sizeof(DDS_HEADER);
    header.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    header.dwHeight = static_cast<std::uint32_t>(height);
    header.dwWidth = static_cast<std::uint32_t>(width);
    header.dwCaps = DDSCAPS_TEXTURE;
    if (levels > 1) {
        header.dwFlags |= DDSD_MIPMAPCOUNT;
        header.dwMipMapCount = static_cast<std::uint32_t>(levels);
        header.dwCaps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    }
    DDS_PIXELFORMAT& pixels = header.ddspf;
    pixels.dwSize = sizeof(DDS_PIXELFORMAT);
    if (format.BlockBytes != 0) {
        header.dwFlags |= DDSD_LINEARSIZE;
        header.dwPitchOrLinearSize = static_cast<std::uint32_t>(
            BlockCount(width, height) * static_cast<std::uint64_t>(format.BlockBytes));
        pixels.dwFlags = DDPF_FOURCC;
        pixels.dwFourCC = format.Dxgi != 0 ? FOURCC_DX10 : format.FourCC;
        return header;
    }
    const auto bits = static_cast<std::uint32_t>(format.BitsPerPixel);
    header.dwFlags |= DDSD_PITCH;
    header.dwPitchOrLinearSize = static_cast<std::uint32_t>(width) * bits / 8;
    pixels.dwFlags = DDPF_RGB | (format.Alpha ? DDPF_ALPHAPIXELS : 0);
    pixels.dwRGBBitCount = bits;
    pixels.dwRBitMask = format.Masks[0];
    pixels.dwGBitMask = format.Masks[1];
    pixels.dwBBitMask = format.Masks[2];
    pixels.dwRGBAlphaBitMask = format.Masks[3];
    return header;
}

std::uint64_t LevelBytes(const RgbaImage& image, const FormatFacts& format) {
    if (format.BlockBytes != 0) {
        return BlockCount(image.Width, image.Height) *
               static_cast<std::uint64_t>(format.BlockBytes);
    }
    return std::uint64_t(image.Width) * std::uint64_t(image.Height) *
           static_cast<std::uint64_t>(format.BitsPerPixel / 8);
}

// Each pixel packed by the format's masks, little-endian; the masks of the formats written are
// whole bytes.
void PackPixels(std::uint8_t* out, const RgbaImage& image, const FormatFacts& format) {
    const std::size_t bytesPerPixel = static_cast<std::size_t>(format.BitsPerPixel / 8);
    int shifts[4];
    for (int c = 0; c < 4; ++c) {
        shifts[c] = format.Masks[c] != 0 ? std::countr_zero(format.Masks[c]) : -1;
    }
    const std::size_t pixels = image.Pixels.size() / 4;
    for (std::size_t i = 0; i < pixels; ++i, out += bytesPerPixel) {
        const std::uint8_t* in = image.Pixels.data() + i * 4;
        std::uint32_t pixel = 0;
        for (int c = 0; c < 4; ++c) {
            pixel |= shifts[c] < 0 ? 0 : std::uint32_t(in[c]) << shifts[c];
        }
        for (std::size_t b = 0; b < bytesPerPixel; ++b) {
            out[b] = static_cast<std::uint8_t>(pixel >> (8 * b));
        }
    }
}

// Writes one level's data to `out`, LevelBytes long; false when its blocks could not be made.
bool WriteLevel(std::uint8_t* out, const RgbaImage& image, const FormatFacts& format,
                TaskPool& pool, const CopiedBlocks& copied = {}) {
    if (format.BlockBytes != 0) {
        const std::optional<BlockFormat> encoder = EncoderFor(format.Layout);
        return encoder && EncodeBlocksInto(image, *encoder, pool, out, copied);
    }
    if (image.Pixels.size() != std::size_t(image.Width) * std::size_t(image.Height) * 4) {
        return false;
    }
    PackPixels(out, image, format);
    return true;
}

// The blocks of lower level `index` (0: the level below the top) that `source` gives, once its
// top level fits; nothing where it does not hold that level whole.
CopiedBlocks LowerLevelCopies(const SourceBlocks& source, std::size_t index, const RgbaImage& level,
                              const FormatFacts& format) {
    if (index >= source.LowerBlocks.size() || index >= source.LowerUntouched.size()) {
        return {};
    }
    const std::uint64_t blocks = BlockCount(level.Width, level.Height);
    const std::vector<bool>& untouched = source.LowerUntouched[index];
    const std::vector<std::uint8_t>& stored = source.LowerBlocks[index];
    if (untouched.size() != blocks ||
        stored.size() != blocks * static_cast<std::uint64_t>(format.BlockBytes)) {
        return {};
    }
    return {stored.data(), &untouched};
}

} // namespace

bool SourceBlocksFit(const SourceBlocks& source, const RgbaImage& image, TextureFormat format) {
    if (source.Format != format ||
        (format != TextureFormat::DXT1 && format != TextureFormat::DXT5) ||
        source.Width != image.Width || source.Height != image.Height) {
        return false;
    }
    const std::uint64_t blocks = BlockCount(image.Width, image.Height);
    return source.Untouched.size() == blocks &&
           source.Blocks.size() == blocks * static_cast<std::uint64_t>(FactsOf(format).BlockBytes);
}

std::vector<std::uint8_t> EncodeDds(const RgbaImage& image, TextureFormat written, TaskPool& pool,
                                    const std::vector<RgbaImage>& lowerLevels,
                                    const SourceBlocks* source) {
    if (image.Empty()) {
        return {};
    }
    const FormatFacts& format = FactsOf(written);
    const DDS_HEADER header = MakeHeader(image.Width, image.Height, format, 1 + lowerLevels.size());
    const bool dx10 = format.Dxgi != 0;
    const std::uint64_t headerBytes = dx10 ? DDS_DX10_FILE_HEADER_SIZE : DDS_FILE_HEADER_SIZE;
    std::uint64_t total = headerBytes + LevelBytes(image, format);
    for (const RgbaImage& level : lowerLevels) {
        total += LevelBytes(level, format);
    }
    std::vector<std::uint8_t> file;
    try {
        file.resize(static_cast<std::size_t>(total));
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::memcpy(file.data(), &DDS_MAGIC, 4);
    std::memcpy(file.data() + 4, &header, sizeof header);
    if (dx10) {
        DDS_HEADER_DXT10 extension{};
        extension.dxgiFormat = format.Dxgi;
        extension.resourceDimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
        extension.arraySize = 1;
        std::memcpy(file.data() + DDS_FILE_HEADER_SIZE, &extension, sizeof extension);
    }
    CopiedBlocks copied;
    if (source != nullptr && SourceBlocksFit(*source, image, written)) {
        copied = {source->Blocks.data(), &source->Untouched};
    }
    std::uint8_t* out = file.data() + headerBytes;
    if (!WriteLevel(out, image, format, pool, copied)) {
        return {};
    }
    out += LevelBytes(image, format);
    for (std::size_t index = 0; index < lowerLevels.size(); ++index) {
        const RgbaImage& level = lowerLevels[index];
        const CopiedBlocks lower = copied.Blocks != nullptr
                                       ? LowerLevelCopies(*source, index, level, format)
                                       : CopiedBlocks();
        if (!WriteLevel(out, level, format, pool, lower)) {
            return {};
        }
        out += LevelBytes(level, format);
    }
    return file;
}

} // namespace quillon
