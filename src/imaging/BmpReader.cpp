#include "imaging/BmpReader.h"

#include "imaging/StbImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quillon {

namespace {

constexpr std::uint32_t FileHeaderBytes = 14; // "BM", file size, reserved, pixel offset
constexpr std::uint32_t BitFields = 3;        // BI_BITFIELDS: colour masks

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Where stb_image expects the pixels of a true-colour file: after the header and, for bit fields
// in the shorter headers, the three masks behind it.
std::uint32_t StbPixelsAt(const BmpHeader& header) {
    const bool masksBehind =
        header.Compression == BitFields && (header.HeaderBytes == 40 || header.HeaderBytes == 56);
    return FileHeaderBytes + header.HeaderBytes + (masksBehind ? 12 : 0);
}

// Run-length coded palette indices, rows bottom-up, as Windows defines them: a count and an index
// (two alternating indices for 4 bits) make a run; a zero count and then 0 ends the row, 1 the
// image, 2 moves right and up by the next two bytes, and more than 2 gives that many indices as
// they are, padded to an even count of bytes. Pixels no code reaches keep palette entry 0; codes
// past the data's end end the image, as other readers take it.
Outcome DecodeRunLengths(std::span<const std::uint8_t> file, const BmpHeader& header,
                         RgbaImage& image) {
    const int width = header.Width, height = header.Height;
    if (height < 0) {
        return Problem{"a run-length coded BMP must be stored bottom-up", 22};
    }
    if (header.PixelsAt > file.size()) {
        return Truncated(file.size(), header.PixelsAt);
    }
    // The palette: B, G, R and a spare byte each, between the headers and the pixels.
    const std::uint32_t paletteAt = FileHeaderBytes + header.HeaderBytes;
    const std::uint32_t room = header.PixelsAt > paletteAt ? (header.PixelsAt - paletteAt) / 4 : 0;
    const std::uint32_t declared = header.Colours != 0 ? header.Colours : 1u << header.Bits;
    std::array<std::uint32_t, 256> palette{}; // packed R, G, B, A; indices beyond it are black
    palette.fill(0xFF000000u);
    for (std::uint32_t i = 0; i < std::min({declared, room, 256u}); ++i) {
        const std::uint8_t* entry = file.data() + paletteAt + 4 * i;
        palette[i] = entry[2] | entry[1] << 8 | entry[0] << 16 | 0xFF000000u;
    }
    const bool fourBits = header.Compression == BmpRle4;
    return CatchingOutOfMemory([&]() -> Outcome {
        RgbaImage decoded(width, height, false);
        std::uint32_t* pixels = reinterpret_cast<std::uint32_t*>(decoded.Pixels.data());
        const std::uint32_t background = palette[0];
        for (std::size_t i = 0; i < decoded.Pixels.size() / 4; ++i) {
            std::memcpy(&pixels[i], &background, 4);
        }
        long x = 0, y = 0; // y counts rows from the bottom
        // Writes the run's indices that fall inside the row, `index(i)` giving the i-th; a run
        // past the row's end costs nothing more.
        const auto run = [&](unsigned count, const auto& index) {
            const long visible = std::clamp<long>(width - x, 0, count);
            std::uint8_t* out =
                visible > 0 ? decoded.At(static_cast<int>(x), height - 1 - static_cast<int>(y))
                            : nullptr;
            for (long i = 0; i < visible; ++i, out += 4) {
                std::memcpy(out, &palette[index(static_cast<unsigned>(i))], 4);
            }
            x += count;
        };
        const std::uint8_t* p = file.data() + header.PixelsAt;
        const std::uint8_t* const end = file.data() + file.size();
        while (end - p >= 2 && y < height) {
            const unsigned count = p[0], value = p[1];
            p += 2;
            if (count > 0) {
                run(count, [&](unsigned i) {
                    return fourBits ? (i % 2 == 0 ? value >> 4 : value & 15) : value;
                });
            } else if (value == 0) {
                x = 0;
                ++y;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (end - p < 2) {
                    break;
                }
                x += p[0];
                y += p[1];
                p += 2;
            } else {
                const long bytes = fourBits ? (value + 1) / 2 : value;
                if (end - p < bytes) {
                    break;
                }
                const std::uint8_t* indices = p;
                run(value, [&](unsigned i) -> unsigned {
                    return fourBits ? (i % 2 == 0 ? indices[i / 2] >> 4 : indices[i / 2] & 15)
                                    : indices[i];
                });
                p += std::min<long>(bytes + bytes % 2, end - p); // padded to an even count
            }
        }
        image = std::move(decoded);
        return {};
    });
}

} // namespace

std::optional<BmpHeader> ReadBmpHeader(std::span<const std::uint8_t> file) {
    if (file.size() < FileHeaderBytes + 40 || file[0] != 'B' || file[1] != 'M') {
        return std::nullopt;
    }
    const std::uint8_t* info = file.data() + FileHeaderBytes;
    BmpHeader header;
    header.PixelsAt = Le32(file.data() + 10);
    header.HeaderBytes = Le32(info);
    if (header.HeaderBytes < 40 || header.HeaderBytes > file.size() - FileHeaderBytes) {
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(Le32(info + 4));
    const auto height = static_cast<std::int32_t>(Le32(info + 8));
    if (width < 1 || width > MaxTextureEdge || height == 0 || height < -MaxTextureEdge ||
        height > MaxTextureEdge) {
        return std::nullopt; // stb_image says what is wrong
    }
    header.Width = width;
    header.Height = height;
    header.Bits = Le16(info + 14);
    header.Compression = Le32(info + 16);
    header.Colours = Le32(info + 32);
    return header;
}

Outcome DecodeBmp(std::span<const std::uint8_t> file, const BmpHeader& header, RgbaImage& image) {
    const int height = std::abs(header.Height);
    if ((header.Compression == BmpRle8 && header.Bits == 8) ||
        (header.Compression == BmpRle4 && header.Bits == 4)) {
        return DecodeRunLengths(file, header, image);
    }
    const std::uint32_t expected = StbPixelsAt(header);
    if (header.Bits < 16 || header.PixelsAt <= expected || expected > file.size()) {
        return StbDecode(file, header.Width, height, image);
    }
    if (header.PixelsAt > file.size()) {
        return Truncated(file.size(), header.PixelsAt);
    }
    // The gap is left out: the header, with the pixels' offset moved up, then the pixels.
    std::vector<std::uint8_t> head(file.begin(), file.begin() + expected);
    for (int i = 0; i < 4; ++i) {
        head[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(expected >> (8 * i));
    }
    return StbDecode(head, header.Width, height, image, file.subspan(header.PixelsAt));
}

} // namespace quillon
