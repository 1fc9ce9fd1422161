#include "imaging/DdsWriter.h"

#include "imaging/DdsFormat.h"

#include <squish.h>

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

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
    const std::uint32_t blocks = static_cast<std::uint32_t>(((width + 3) / 4) * ((height + 3) / 4));
    switch (format) {
    case TextureFormat::DXT1:
    case TextureFormat::DXT5:
        header.dwFlags |= DDSD_LINEARSIZE;
        header.dwPitchOrLinearSize = blocks * (format == TextureFormat::DXT1 ? 8 : 16);
        pixels.dwFlags = DDPF_FOURCC;
        pixels.dwFourCC = format == TextureFormat::DXT1 ? FOURCC_DXT1 : FOURCC_DXT5;
        break;
    case TextureFormat::RGB:
    case TextureFormat::RGBA: {
        const std::uint32_t bits = format == TextureFormat::RGB ? 24 : 32;
        header.dwFlags |= DDSD_PITCH;
        header.dwPitchOrLinearSize = static_cast<std::uint32_t>(width) * bits / 8;
        pixels.dwFlags = DDPF_RGB | (format == TextureFormat::RGBA ? DDPF_ALPHAPIXELS : 0);
        pixels.dwRGBBitCount = bits;
        pixels.dwRBitMask = 0x00FF0000;
        pixels.dwGBitMask = 0x0000FF00;
        pixels.dwBBitMask = 0x000000FF;
        pixels.dwRGBAlphaBitMask = format == TextureFormat::RGBA ? 0xFF000000 : 0;
        break;
    }
    }
    return header;
}

// One block row (4 pixel rows) of DXT blocks, each made as libsquish makes it for a whole image:
// the block's pixels, a mask of those inside the image, cluster fit. DXT1 is made opaque first,
// since libsquish turns pixels with alpha below 128 into transparent black.
void EncodeBlockRow(const RgbaImage& image, int blockRow, int flags, bool opaque,
                    std::uint8_t* out) {
    const int blockBytes = (flags & squish::kDxt1) ? 8 : 16;
    const int y0 = blockRow * 4;
    for (int x0 = 0; x0 < image.Width; x0 += 4, out += blockBytes) {
        std::uint8_t block[16 * 4] = {};
        int mask = 0;
        for (int py = 0; py < 4; ++py) {
            for (int px = 0; px < 4; ++px) {
                const int x = x0 + px, y = y0 + py;
                if (x < image.Width && y < image.Height) {
                    std::uint8_t* target = block + 4 * (4 * py + px);
                    std::memcpy(target, image.At(x, y), 4);
                    if (opaque) {
                        target[3] = 255;
                    }
                    mask |= 1 << (4 * py + px);
                }
            }
        }
        squish::CompressMasked(block, mask, out, flags);
    }
}

// Appends one level's data.
void AppendLevel(std::vector<std::uint8_t>& file, const RgbaImage& image, TextureFormat format,
                 TaskPool& pool) {
    const int width = image.Width, height = image.Height;
    const std::size_t start = file.size();
    if (format == TextureFormat::DXT1 || format == TextureFormat::DXT5) {
        const bool dxt1 = format == TextureFormat::DXT1;
        const int flags = (dxt1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
        const std::size_t rowBytes = static_cast<std::size_t>((width + 3) / 4) * (dxt1 ? 8 : 16);
        const int blockRows = (height + 3) / 4;
        file.resize(start + rowBytes * static_cast<std::size_t>(blockRows));
        std::uint8_t* blocks = file.data() + start;
        pool.ParallelFor(static_cast<std::size_t>(blockRows), [&](std::size_t row) {
            EncodeBlockRow(image, static_cast<int>(row), flags, dxt1, blocks + row * rowBytes);
        });
        return;
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t bytesPerPixel = format == TextureFormat::RGB ? 3 : 4;
    file.resize(start + pixels * bytesPerPixel);
    std::uint8_t* out = file.data() + start;
    for (std::size_t i = 0; i < pixels; ++i, out += bytesPerPixel) {
        const std::uint8_t* in = image.Pixels.data() + i * 4;
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        if (bytesPerPixel == 4) {
            out[3] = in[3];
        }
    }
}

} // namespace

std::vector<std::uint8_t> EncodeDds(const RgbaImage& image, TextureFormat format, TaskPool& pool,
                                    const std::vector<RgbaImage>& lowerLevels) {
    const DDS_HEADER header = MakeHeader(image.Width, image.Height, format, 1 + lowerLevels.size());
    std::vector<std::uint8_t> file(DDS_FILE_HEADER_SIZE);
    std::memcpy(file.data(), &DDS_MAGIC, 4);
    std::memcpy(file.data() + 4, &header, sizeof header);
    AppendLevel(file, image, format, pool);
    for (const RgbaImage& level : lowerLevels) {
        AppendLevel(file, level, format, pool);
    }
    return file;
}

} // namespace quillon
