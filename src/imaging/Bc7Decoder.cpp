#include "imaging/Bc7Decoder.h"

#include "imaging/Bc7Tables.h"

#include <bit>
#include <cstring>

namespace quillon {

namespace {

using namespace bc7;

struct Bc7Mode {
    int Subsets;
    int PartitionBits;
    int RotationBits;
    int SelectorBits; // the index selection bit of mode 4
    int ColourBits;   // a colour endpoint channel, before its p-bit
    int AlphaBits;    // 0: the mode has no alpha (255)
    bool EndpointPBits;
    bool SharedPBits; // one p-bit for both endpoints of a subset
    int IndexBits;
    int SecondIndexBits; // modes 4 and 5 index alpha (or colour) separately
};

constexpr Bc7Mode Modes[8] = {
    {3, 4, 0, 0, 4, 0, true, false, 3, 0},  {2, 6, 0, 0, 6, 0, false, true, 3, 0},
    {3, 6, 0, 0, 5, 0, false, false, 2, 0}, {2, 6, 0, 0, 7, 0, true, false, 2, 0},
    {1, 0, 2, 1, 5, 6, false, false, 2, 3}, {1, 0, 2, 0, 7, 8, false, false, 2, 2},
    {1, 0, 0, 0, 7, 7, true, false, 4, 0},  {2, 6, 0, 0, 5, 5, true, false, 2, 0},
};

// The block's 128 bits, read from the lowest up.
class BitReader {
public:
    explicit BitReader(const std::uint8_t* block) {
        std::memcpy(&Low, block, 8); // the block and this machine are little-endian
        std::memcpy(&High, block + 8, 8);
    }
    // The next 64 bits (fewer at the end, the rest 0), without moving on.
    std::uint64_t Peek() const { return Low; }
    void Skip(int count) {
        if (count > 0) {
            Low = (Low >> count) | (High << (64 - count));
            High >>= count;
        }
    }
    // The next `count` bits (fewer than 64).
    std::uint64_t Read(int count) {
        const std::uint64_t value = Low & ((std::uint64_t(1) << count) - 1);
        Skip(count);
        return value;
    }

private:
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
};

// Endpoints hold R, G, B, A in the four 16-bit lanes of a word, so that one multiply-add
// interpolates all four channels; no lane can carry into the next (64 * 255 + 32 < 65536).
std::uint32_t Interpolate(std::uint64_t e0, std::uint64_t e1, unsigned weight) {
    const std::uint64_t lanes =
        (((64 - weight) * e0 + weight * e1 + 0x0020002000200020u) >> 6) & 0x00FF00FF00FF00FFu;
    const std::uint64_t pairs = (lanes | (lanes >> 8)) & 0x0000FFFF0000FFFFu;
    return static_cast<std::uint32_t>(pairs | (pairs >> 16)); // bytes R, G, B, A
}

// Exchanges byte `channel` with the alpha byte of a packed pixel.
std::uint32_t RotateAlpha(std::uint32_t pixel, int channel) {
    const int shift = 8 * channel;
    const std::uint32_t a = pixel >> 24, c = (pixel >> shift) & 0xFF;
    pixel &= ~((0xFFu << shift) | 0xFF000000u);
    return pixel | (a << shift) | (c << 24);
}

// `count` indices of `bits` bits from the low end of `stream`; anchor pixels (set bits of
// `anchors`) have one bit less.
void ReadIndices(std::uint64_t stream, int bits, unsigned anchors, std::uint8_t* indices) {
    for (int i = 0; i < 16; ++i) {
        const int width = bits - static_cast<int>((anchors >> i) & 1);
        indices[i] = static_cast<std::uint8_t>(stream & ((1u << width) - 1));
        stream >>= width;
    }
}

// One mode, its widths known at compile time.
template <int ModeNumber>
void DecodeMode(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes) {
    constexpr Bc7Mode mode = Modes[ModeNumber];
    constexpr int endpointCount = mode.Subsets * 2;
    constexpr bool hasPBits = mode.EndpointPBits || mode.SharedPBits;
    BitReader bits(block);
    bits.Skip(ModeNumber + 1);
    const auto partition = static_cast<unsigned>(bits.Read(mode.PartitionBits));
    const auto rotation = static_cast<int>(bits.Read(mode.RotationBits));
    const auto selector = static_cast<unsigned>(bits.Read(mode.SelectorBits));

    // Endpoints: all reds, then all greens, blues and alphas; then the p-bits.
    unsigned endpoints[endpointCount][4] = {};
    for (int c = 0; c < 4; ++c) {
        const int width = c < 3 ? mode.ColourBits : mode.AlphaBits;
        std::uint64_t field = bits.Read(width * endpointCount); // at most 42 bits at once
        for (int i = 0; i < endpointCount; ++i, field >>= width) {
            endpoints[i][c] = static_cast<unsigned>(field & ((1u << width) - 1));
        }
    }
    unsigned pBits[endpointCount] = {};
    if constexpr (mode.EndpointPBits) {
        for (int i = 0; i < endpointCount; ++i) {
            pBits[i] = static_cast<unsigned>(bits.Read(1));
        }
    } else if constexpr (mode.SharedPBits) {
        for (int s = 0; s < mode.Subsets; ++s) {
            pBits[2 * s] = pBits[2 * s + 1] = static_cast<unsigned>(bits.Read(1));
        }
    }
    std::uint64_t lanes[endpointCount];
    for (int i = 0; i < endpointCount; ++i) {
        lanes[i] = 0;
        for (int c = 0; c < 4; ++c) {
            const int stored = c < 3 ? mode.ColourBits : mode.AlphaBits;
            const int width = stored + (hasPBits ? 1 : 0);
            unsigned value = 255;
            if (stored != 0) {
                value = hasPBits ? endpoints[i][c] << 1 | pBits[i] : endpoints[i][c];
                // Widened to 8 bits by repeating the top bits.
                value = (value << (8 - width)) | (value >> (2 * width - 8));
            }
            lanes[i] |= std::uint64_t(value) << (16 * c);
        }
    }

    std::uint8_t subsetOf[16] = {};
    unsigned anchors = 1;
    if constexpr (mode.Subsets == 2) {
        for (int i = 0; i < 16; ++i) {
            subsetOf[i] = static_cast<std::uint8_t>((Partitions2[partition] >> i) & 1);
        }
        anchors |= 1u << Anchors2[partition];
    } else if constexpr (mode.Subsets == 3) {
        std::memcpy(subsetOf, Partitions3[partition], 16);
        anchors |= 1u << Anchors3Second[partition] | 1u << Anchors3Third[partition];
    }

    // Each subset's palette, then one look-up a pixel.
    std::uint32_t pixels[16];
    std::uint8_t indices[16];
    ReadIndices(bits.Peek(), mode.IndexBits, anchors, indices);
    if constexpr (mode.SecondIndexBits == 0) {
        const std::uint8_t* weights = WeightsFor(mode.IndexBits);
        std::uint32_t palette[mode.Subsets][1 << mode.IndexBits];
        for (int s = 0; s < mode.Subsets; ++s) {
            for (int k = 0; k < (1 << mode.IndexBits); ++k) {
                palette[s][k] = Interpolate(lanes[2 * s], lanes[2 * s + 1], weights[k]);
            }
        }
        for (int i = 0; i < 16; ++i) {
            pixels[i] = palette[subsetOf[i]][indices[i]];
        }
    } else {
        // Modes 4 and 5 index colour and alpha apart; mode 4's selector swaps the two sets.
        std::uint8_t second[16];
        bits.Skip(16 * mode.IndexBits - 1);
        ReadIndices(bits.Peek(), mode.SecondIndexBits, 1, second);
        const std::uint8_t* colourIndices = selector ? second : indices;
        const std::uint8_t* alphaIndices = selector ? indices : second;
        const int colourBits = selector ? mode.SecondIndexBits : mode.IndexBits;
        const int alphaBits = selector ? mode.IndexBits : mode.SecondIndexBits;
        constexpr std::uint64_t colourLanes = 0x0000FFFFFFFFFFFFu, alphaLanes = ~colourLanes;
        std::uint32_t colours[8] = {}, alphas[8] = {};
        for (int k = 0; k < (1 << colourBits); ++k) {
            colours[k] = Interpolate(lanes[0] & colourLanes, lanes[1] & colourLanes,
                                     WeightsFor(colourBits)[k]);
        }
        for (int k = 0; k < (1 << alphaBits); ++k) {
            alphas[k] =
                Interpolate(lanes[0] & alphaLanes, lanes[1] & alphaLanes, WeightsFor(alphaBits)[k]);
        }
        if (rotation != 0) { // alpha trades places with R, G or B
            for (std::uint32_t& colour : colours) {
                colour = RotateAlpha(colour, rotation - 1);
            }
            for (std::uint32_t& alpha : alphas) {
                alpha = RotateAlpha(alpha, rotation - 1);
            }
        }
        for (int i = 0; i < 16; ++i) {
            pixels[i] = colours[colourIndices[i]] | alphas[alphaIndices[i]];
        }
    }
    for (int y = 0; y < 4; ++y) {
        std::memcpy(rgba + y * rowBytes, pixels + 4 * y, 16);
    }
}

} // namespace

void DecodeBc7Block(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes) {
    switch (block[0] == 0 ? 8 : std::countr_zero(block[0])) {
    case 0:
        return DecodeMode<0>(block, rgba, rowBytes);
    case 1:
        return DecodeMode<1>(block, rgba, rowBytes);
    case 2:
        return DecodeMode<2>(block, rgba, rowBytes);
    case 3:
        return DecodeMode<3>(block, rgba, rowBytes);
    case 4:
        return DecodeMode<4>(block, rgba, rowBytes);
    case 5:
        return DecodeMode<5>(block, rgba, rowBytes);
    case 6:
        return DecodeMode<6>(block, rgba, rowBytes);
    case 7:
        return DecodeMode<7>(block, rgba, rowBytes);
    default: // no mode: transparent black, as Direct3D decodes it
        for (int y = 0; y < 4; ++y) {
            std::memset(rgba + y * rowBytes, 0, 16);
        }
    }
}

} // namespace quillon
