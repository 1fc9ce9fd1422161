#include "imaging/DdsWriter.h"

#include "imaging/BlockEncoding.h"
#include "imaging/DdsFormat.h"

#include <cstring>
#include <new>

namespace quillon {

namespace {

bool IsBlockFormat(TextureFormat format) {
    return format == TextureFormat::DXT1 || format == TextureFormat::DXT5 ||
           format == TextureFormat::BC7;
}

BlockFormat BlockFormatOf(TextureFormat format) {
    return format == TextureFormat::DXT1   ? BlockFormat::BC1
           : format == TextureFormat::DXT5 ? BlockFormat::BC3
                                           : BlockFormat::BC7;
}

std::uint64_t BlockCount(int width, int height) {
    return std::uint64_t((width + 3) / 4) * std::uint64_t((height + 3) / 4);
}

DDS_HEADER MakeHeader(int width, int height, TextureFormat format, std::size_t levels) {
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
    if (IsBlockFormat(format)) {
        const auto blockBytes = static_cast<std::uint64_t>(BlockBytes(BlockFormatOf(format)));
        header.dwFlags |= DDSD_LINEARSIZE;
        header.dwPitchOrLinearSize =
            static_cast<std::uint32_t>(BlockCount(width, height) * blockBytes);
        pixels.dwFlags = DDPF_FOURCC;
        pixels.dwFourCC = format == TextureFormat::DXT1   ? FOURCC_DXT1
                          : format == TextureFormat::DXT5 ? FOURCC_DXT5
                                                          : FOURCC_DX10;
        return header;
    }
    const std::uint32_t bits = format == TextureFormat::RGB ? 24 : 32;
    header.dwFlags |= DDSD_PITCH;
    header.dwPitchOrLinearSize = static_cast<std::uint32_t>(width) * bits / 8;
    pixels.dwFlags = DDPF_RGB | (format == TextureFormat::RGBA ? DDPF_ALPHAPIXELS : 0);
    pixels.dwRGBBitCount = bits;
    pixels.dwRBitMask = 0x00FF0000;
    pixels.dwGBitMask = 0x0000FF00;
    pixels.dwBBitMask = 0x000000FF;
    pixels.dwRGBAlphaBitMask = format == TextureFormat::RGBA ? 0xFF000000 : 0;
    return header;
}

std::uint64_t LevelBytes(const RgbaImage& image, TextureFormat format) {
    if (IsBlockFormat(format)) {
        return BlockCount(image.Width, image.Height) *
               static_cast<std::uint64_t>(BlockBytes(BlockFormatOf(format)));
    }
    return std::uint64_t(image.Width) * std::uint64_t(image.Height) *
           (format == TextureFormat::RGB ? 3 : 4);
}

// Writes one level's data to `out`, LevelBytes long; false when its blocks could not be made.
bool WriteLevel(std::uint8_t* out, const RgbaImage& image, TextureFormat format, TaskPool& pool,
                const CopiedBlocks& copied = {}) {
    if (IsBlockFormat(format)) {
        return EncodeBlocksInto(image, BlockFormatOf(format), pool, out, copied);
    }
    if (image.Pixels.size() != std::size_t(image.Width) * std::size_t(image.Height) * 4) {
        return false;
    }
    const std::size_t pixels = image.Pixels.size() / 4;
    const std::size_t bytesPerPixel = format == TextureFormat::RGB ? 3 : 4;
    for (std::size_t i = 0; i < pixels; ++i, out += bytesPerPixel) {
        const std::uint8_t* in = image.Pixels.data() + i * 4;
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        if (bytesPerPixel == 4) {
            out[3] = in[3];
        }
    }
    return true;
}

// The blocks of lower level `index` (0: the level below the top) that `source` gives, once its
// top level fits; nothing where it does not hold that level whole.
CopiedBlocks LowerLevelCopies(const SourceBlocks& source, std::size_t index, const RgbaImage& level,
                              TextureFormat format) {
    if (index >= source.LowerBlocks.size() || index >= source.LowerUntouched.size()) {
        return {};
    }
    const std::uint64_t blocks = BlockCount(level.Width, level.Height);
    const std::vector<bool>& untouched = source.LowerUntouched[index];
    const std::vector<std::uint8_t>& stored = source.LowerBlocks[index];
    if (untouched.size() != blocks ||
        stored.size() != blocks * static_cast<std::uint64_t>(BlockBytes(BlockFormatOf(format)))) {
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
           source.Blocks.size() ==
               blocks * static_cast<std::uint64_t>(BlockBytes(BlockFormatOf(format)));
}

std::vector<std::uint8_t> EncodeDds(const RgbaImage& image, TextureFormat format, TaskPool& pool,
                                    const std::vector<RgbaImage>& lowerLevels,
                                    const SourceBlocks* source) {
    if (image.Empty()) {
        return {};
    }
    const DDS_HEADER header = MakeHeader(image.Width, image.Height, format, 1 + lowerLevels.size());
    const bool dx10 = format == TextureFormat::BC7;
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
        extension.dxgiFormat = DXGI_FORMAT_BC7_UNORM;
        extension.resourceDimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
        extension.arraySize = 1;
        std::memcpy(file.data() + DDS_FILE_HEADER_SIZE, &extension, sizeof extension);
    }
    CopiedBlocks copied;
    if (source != nullptr && SourceBlocksFit(*source, image, format)) {
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
