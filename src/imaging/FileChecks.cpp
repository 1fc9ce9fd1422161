#include "imaging/FileChecks.h"

#include "imaging/DdsFormat.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool EdgeIsSane(std::uint32_t edge) {
    return edge >= 1 && edge <= static_cast<std::uint32_t>(MaxTextureEdge);
}

// Bytes of one block for the block-compressed FourCCs, 0 for others.
std::uint32_t BlockBytes(std::uint32_t fourCC) {
    switch (fourCC) {
    case FOURCC_DXT1:
    case FOURCC_ATI1:
        return 8;
    case FOURCC_DXT2:
    case FOURCC_DXT3:
    case FOURCC_DXT4:
    case FOURCC_DXT5:
    case FOURCC_ATI2:
    case FOURCC_RXGB:
        return 16;
    default:
        return 0;
    }
}

// Bytes a pixel for the numbered Direct3D formats stored in dwFourCC, 0 for others.
std::uint32_t NumberedFormatBytes(std::uint32_t fourCC) {
    switch (fourCC) {
    case 36:  // D3DFMT_A16B16G16R16
    case 113: // D3DFMT_A16B16G16R16F
    case 115: // D3DFMT_G32R32F
        return 8;
    case 111: // D3DFMT_R16F
        return 2;
    case 112: // D3DFMT_G16R16F
    case 114: // D3DFMT_R32F
        return 4;
    case 116: // D3DFMT_A32B32G32R32F
        return 16;
    default:
        return 0;
    }
}

} // namespace

FileProblem CheckDdsFile(const std::uint8_t* data, std::size_t size, DdsInfo* info) {
    if (size < 4 || ReadLE32(data) != DDS_MAGIC) {
        return FileProblem::WrongMagic;
    }
    if (size < DDS_FILE_HEADER_SIZE) {
        return FileProblem::Truncated;
    }
    DDS_HEADER header;
    std::memcpy(&header, data + 4, sizeof header); // the file and this machine are little-endian
    if (header.dwSize != sizeof(DDS_HEADER) || header.ddspf.dwSize != sizeof(DDS_PIXELFORMAT)) {
        return FileProblem::WrongMagic;
    }
    const std::uint32_t width = header.dwWidth;
    const std::uint32_t height = header.dwHeight;
    const bool volume = (header.dwFlags & DDSD_DEPTH) && (header.dwCaps2 & DDSCAPS2_VOLUME);
    const std::uint32_t depth = volume ? header.dwDepth : 1;
    if (!EdgeIsSane(width) || !EdgeIsSane(height) || !EdgeIsSane(depth)) {
        return FileProblem::BadDimensions;
    }
    std::uint32_t levels = 1;
    if ((header.dwFlags & DDSD_MIPMAPCOUNT) && header.dwMipMapCount > 1) {
        std::uint32_t longest = std::max({width, height, depth});
        std::uint32_t possible = 1;
        while (longest > 1) {
            longest /= 2;
            ++possible;
        }
        if (header.dwMipMapCount > possible) {
            return FileProblem::BadDimensions;
        }
        levels = header.dwMipMapCount;
    }
    std::uint32_t faces = 1;
    if (header.dwCaps2 & DDSCAPS2_CUBEMAP) {
        faces = 0;
        for (std::uint32_t bits = header.dwCaps2 & DDSCAPS2_CUBEMAP_ALLFACES; bits != 0;
             bits &= bits - 1) {
            ++faces;
        }
        if (faces == 0) {
            return FileProblem::BadLayout;
        }
    }

    const DDS_PIXELFORMAT& format = header.ddspf;
    std::uint32_t blockBytes = 0;
    std::uint32_t pixelBytes = 0;
    if (format.dwFlags & DDPF_FOURCC) {
        blockBytes = BlockBytes(format.dwFourCC);
        pixelBytes = NumberedFormatBytes(format.dwFourCC);
        if (blockBytes == 0 && pixelBytes == 0) {
            return FileProblem::BadChannels;
        }
    } else if (format.dwFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) {
        const std::uint32_t bits = format.dwRGBBitCount;
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
            return FileProblem::BadChannels;
        }
        pixelBytes = bits / 8;
    } else {
        return FileProblem::BadChannels;
    }

    // Every surface the header announces must lie inside the file; 64-bit sums cannot overflow
    // with edges of at most 16384.
    std::uint64_t needed = 0;
    std::uint64_t w = width, h = height, d = depth;
    for (std::uint32_t level = 0; level < levels; ++level) {
        const std::uint64_t bytes = blockBytes != 0 ? ((w + 3) / 4) * ((h + 3) / 4) * blockBytes * d
                                                    : w * h * d * pixelBytes;
        needed += bytes * faces;
        w = std::max<std::uint64_t>(1, w / 2);
        h = std::max<std::uint64_t>(1, h / 2);
        d = std::max<std::uint64_t>(1, d / 2);
    }
    if (needed > size - DDS_FILE_HEADER_SIZE) {
        return FileProblem::Truncated;
    }
    if (info != nullptr) {
        info->Width = width;
        info->Height = height;
        info->FourCC = (format.dwFlags & DDPF_FOURCC) ? format.dwFourCC : 0;
    }
    return FileProblem::None;
}

} // namespace quillon
