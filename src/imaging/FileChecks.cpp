#include "imaging/FileChecks.h"

#include "imaging/DdsFormat.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint32_t ReadLE32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint32_t ReadBE16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 8 | p[1];
}

std::uint32_t ReadBE32(const std::uint8_t* p) {
    return ReadBE16(p) << 16 | ReadBE16(p + 2);
}

bool EdgeIsSane(std::uint32_t edge) {
    return edge >= 1 && edge <= MaxTextureEdge;
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

namespace {

// Walks one PackBits row; true when it yields exactly `rowBytes` bytes within `length`.
bool PackBitsRowIsWhole(const std::uint8_t* row, std::size_t length, std::size_t rowBytes) {
    std::size_t in = 0;
    std::size_t out = 0;
    while (in < length && out < rowBytes) {
        const int n = static_cast<std::int8_t>(row[in++]);
        if (n >= 0) { // n + 1 literal bytes
            in += static_cast<std::size_t>(n) + 1;
            out += static_cast<std::size_t>(n) + 1;
        } else if (n != -128) { // one byte repeated 1 - n times
            in += 1;
            out += static_cast<std::size_t>(1 - n);
        }
    }
    return out == rowBytes && in <= length;
}

std::uint32_t MinimumChannels(std::uint32_t mode) {
    switch (mode) {
    case 3: // RGB
    case 9: // Lab
        return 3;
    case 4: // CMYK
        return 4;
    default:
        return 1;
    }
}

} // namespace

FileProblem CheckPsdFile(const std::uint8_t* data, std::size_t size, PsdInfo* info) {
    constexpr std::size_t HeaderSize = 26;
    if (size < 4 || std::memcmp(data, "8BPS", 4) != 0) {
        return FileProblem::WrongMagic;
    }
    if (size < HeaderSize) {
        return FileProblem::Truncated;
    }
    if (ReadBE16(data + 4) != 1) { // 2 is the large-document variant, which we do not read
        return FileProblem::WrongMagic;
    }
    PsdInfo psd;
    psd.Channels = ReadBE16(data + 12);
    psd.Height = ReadBE32(data + 14);
    psd.Width = ReadBE32(data + 18);
    psd.Depth = ReadBE16(data + 22);
    psd.ColourMode = ReadBE16(data + 24);
    if (!EdgeIsSane(psd.Width) || !EdgeIsSane(psd.Height)) {
        return FileProblem::BadDimensions;
    }
    const std::uint32_t mode = psd.ColourMode;
    const bool knownMode = mode <= 4 || mode == 7 || mode == 8 || mode == 9;
    const bool knownDepth = psd.Depth == 1 || psd.Depth == 8 || psd.Depth == 16 || psd.Depth == 32;
    if (!knownMode || !knownDepth || psd.Channels < 1 || psd.Channels > 56 ||
        psd.Channels < MinimumChannels(mode) || ((mode == 0) != (psd.Depth == 1))) {
        return FileProblem::BadChannels;
    }

    // Colour mode data, image resources, layer and mask information: each a length and a body.
    std::size_t offset = HeaderSize;
    for (int section = 0; section < 3; ++section) {
        if (size - offset < 4) {
            return FileProblem::Truncated;
        }
        const std::uint32_t length = ReadBE32(data + offset);
        offset += 4;
        if (length > size - offset) {
            return FileProblem::Truncated;
        }
        if (section == 0 && mode == PSD_MODE_INDEXED && length != 768) {
            return FileProblem::BadLayout;
        }
        offset += length;
    }
    if (size - offset < 2) {
        return FileProblem::Truncated;
    }
    psd.Compression = ReadBE16(data + offset);
    offset += 2;
    psd.DataOffset = offset;

    const std::size_t rowBytes = (static_cast<std::size_t>(psd.Width) * psd.Depth + 7) / 8;
    const std::size_t rows = static_cast<std::size_t>(psd.Height) * psd.Channels;
    if (psd.Compression == 0) {
        if (rowBytes * rows > size - offset) {
            return FileProblem::Truncated;
        }
    } else if (psd.Compression == 1) {
        if (rows * 2 > size - offset) {
            return FileProblem::Truncated;
        }
        std::size_t rowStart = offset + rows * 2;
        for (std::size_t row = 0; row < rows; ++row) {
            const std::size_t length = ReadBE16(data + offset + row * 2);
            if (length > size - rowStart) {
                return FileProblem::Truncated;
            }
            if (!PackBitsRowIsWhole(data + rowStart, length, rowBytes)) {
                return FileProblem::BadLayout;
            }
            rowStart += length;
        }
    } else {
        return FileProblem::BadLayout; // the zip variants are not read
    }
    if (info != nullptr) {
        *info = psd;
    }
    return FileProblem::None;
}
