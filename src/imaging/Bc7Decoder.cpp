#include "imaging/Bc7Decoder.h"

#include <cstring>
#include <utility>

namespace quillon {

namespace {

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

// Two-subset partitions: bit i is the subset of pixel i (pixels row by row).
constexpr std::uint16_t Partitions2[64] = {
    0xCCCC, 0x8888, 0xEEEE, 0xECC8, 0xC880, 0xFEEC, 0xFEC8, 0xEC80, 0xC800, 0xFFEC, 0xFE80,
    0xE800, 0xFFE8, 0xFF00, 0xFFF0, 0xF000, 0xF710, 0x008E, 0x7100, 0x08CE, 0x008C, 0x7310,
    0x3100, 0x8CCE, 0x088C, 0x3110, 0x6666, 0x366C, 0x17E8, 0x0FF0, 0x718E, 0x399C, 0xAAAA,
    0xF0F0, 0x5A5A, 0x33CC, 0x3C3C, 0x55AA, 0x9696, 0xA55A, 0x73CE, 0x13C8, 0x324C, 0x3BDC,
    0x6996, 0xC33C, 0x9966, 0x0660, 0x0272, 0x04E4, 0x4E40, 0x2720, 0xC936, 0x936C, 0x39C6,
    0x639C, 0x9336, 0x9CC6, 0x817E, 0xE718, 0xCCF0, 0x0FCC, 0x7744, 0xEE22,
};

// Three-subset partitions: the subset of each pixel, row by row.
constexpr std::uint8_t Partitions3[64][16] = {
    {0, 0, 1, 1, 0, 0, 1, 1, 0, 2, 2, 1, 2, 2, 2, 2},
    {0, 0, 0, 1, 0, 0, 1, 1, 2, 2, 1, 1, 2, 2, 2, 1},
    {0, 0, 0, 0, 2, 0, 0, 1, 2, 2, 1, 1, 2, 2, 1, 1},
    {0, 2, 2, 2, 0, 0, 2, 2, 0, 0, 1, 1, 0, 1, 1, 1},
    {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 2, 1, 1, 2, 2},
    {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 2, 2, 0, 0, 2, 2},
    {0, 0, 2, 2, 0, 0, 2, 2, 1, 1, 1, 1, 1, 1, 1, 1},
    {0, 0, 1, 1, 0, 0, 1, 1, 2, 2, 1, 1, 2, 2, 1, 1},
    {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2},
    {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2},
    {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2},
    {0, 0, 1, 2, 0, 0, 1, 2, 0, 0, 1, 2, 0, 0, 1, 2},
    {0, 1, 1, 2, 0, 1, 1, 2, 0, 1, 1, 2, 0, 1, 1, 2},
    {0, 1, 2, 2, 0, 1, 2, 2, 0, 1, 2, 2, 0, 1, 2, 2},
    {0, 0, 1, 1, 0, 1, 1, 2, 1, 1, 2, 2, 1, 2, 2, 2},
    {0, 0, 1, 1, 2, 0, 0, 1, 2, 2, 0, 0, 2, 2, 2, 0},
    {0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 2, 1, 1, 2, 2},
    {0, 1, 1, 1, 0, 0, 1, 1, 2, 0, 0, 1, 2, 2, 0, 0},
    {0, 0, 0, 0, 1, 1, 2, 2, 1, 1, 2, 2, 1, 1, 2, 2},
    {0, 0, 2, 2, 0, 0, 2, 2, 0, 0, 2, 2, 1, 1, 1, 1},
    {0, 1, 1, 1, 0, 1, 1, 1, 0, 2, 2, 2, 0, 2, 2, 2},
    {0, 0, 0, 1, 0, 0, 0, 1, 2, 2, 2, 1, 2, 2, 2, 1},
    {0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 2, 2, 0, 1, 2, 2},
    {0, 0, 0, 0, 1, 1, 0, 0, 2, 2, 1, 0, 2, 2, 1, 0},
    {0, 1, 2, 2, 0, 1, 2, 2, 0, 0, 1, 1, 0, 0, 0, 0},
    {0, 0, 1, 2, 0, 0, 1, 2, 1, 1, 2, 2, 2, 2, 2, 2},
    {0, 1, 1, 0, 1, 2, 2, 1, 1, 2, 2, 1, 0, 1, 1, 0},
    {0, 0, 0, 0, 0, 1, 1, 0, 1, 2, 2, 1, 1, 2, 2, 1},
    {0, 0, 2, 2, 1, 1, 0, 2, 1, 1, 0, 2, 0, 0, 2, 2},
    {0, 1, 1, 0, 0, 1, 1, 0, 2, 0, 0, 2, 2, 2, 2, 2},
    {0, 0, 1, 1, 0, 1, 2, 2, 0, 1, 2, 2, 0, 0, 1, 1},
    {0, 0, 0, 0, 2, 0, 0, 0, 2, 2, 1, 1, 2, 2, 2, 1},
    {0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 2, 2, 1, 2, 2, 2},
    {0, 2, 2, 2, 0, 0, 2, 2, 0, 0, 1, 2, 0, 0, 1, 1},
    {0, 0, 1, 1, 0, 0, 1, 2, 0, 0, 2, 2, 0, 2, 2, 2},
    {0, 1, 2, 0, 0, 1, 2, 0, 0, 1, 2, 0, 0, 1, 2, 0},
    {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 0, 0, 0, 0},
    {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0},
    {0, 1, 2, 0, 2, 0, 1, 2, 1, 2, 0, 1, 0, 1, 2, 0},
    {0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0, 0, 1, 1},
    {0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 0, 0, 0, 0, 1, 1},
    {0, 1, 0, 1, 0, 1, 0, 1, 2, 2, 2, 2, 2, 2, 2, 2},
    {0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 1, 2, 1, 2, 1},
    {0, 0, 2, 2, 1, 1, 2, 2, 0, 0, 2, 2, 1, 1, 2, 2},
    {0, 0, 2, 2, 0, 0, 1, 1, 0, 0, 2, 2, 0, 0, 1, 1},
    {0, 2, 2, 0, 1, 2, 2, 1, 0, 2, 2, 0, 1, 2, 2, 1},
    {0, 1, 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 0, 1, 0, 1},
    {0, 0, 0, 0, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1},
    {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 2, 2, 2, 2},
    {0, 2, 2, 2, 0, 1, 1, 1, 0, 2, 2, 2, 0, 1, 1, 1},
    {0, 0, 0, 2, 1, 1, 1, 2, 0, 0, 0, 2, 1, 1, 1, 2},
    {0, 0, 0, 0, 2, 1, 1, 2, 2, 1, 1, 2, 2, 1, 1, 2},
    {0, 2, 2, 2, 0, 1, 1, 1, 0, 1, 1, 1, 0, 2, 2, 2},
    {0, 0, 0, 2, 1, 1, 1, 2, 1, 1, 1, 2, 0, 0, 0, 2},
    {0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 2, 2, 2, 2},
    {0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 2, 2, 1, 1, 2},
    {0, 1, 1, 0, 0, 1, 1, 0, 2, 2, 2, 2, 2, 2, 2, 2},
    {0, 0, 2, 2, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 2, 2},
    {0, 0, 2, 2, 1, 1, 2, 2, 1, 1, 2, 2, 0, 0, 2, 2},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 2},
    {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1},
    {0, 2, 2, 2, 1, 2, 2, 2, 0, 2, 2, 2, 1, 2, 2, 2},
    {0, 1, 0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2},
    {0, 1, 1, 1, 2, 0, 1, 1, 2, 2, 0, 1, 2, 2, 2, 0},
};

// The pixel whose index has one bit less (its top bit is 0): of the second subset of a
// two-subset partition, and of the second and third subsets of a three-subset partition.
// Pixel 0 is the anchor of the first subset.
constexpr std::uint8_t Anchors2[64] = {
    15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 2,  8, 2,  2, 8,
    8,  15, 2,  8,  2,  2,  8,  8,  2,  2,  15, 15, 6,  8,  2,  8,  15, 15, 2, 8,  2, 2,
    2,  15, 15, 6,  6,  2,  6,  8,  15, 15, 2,  2,  15, 15, 15, 15, 15, 2,  2, 15,
};
constexpr std::uint8_t Anchors3Second[64] = {
    3,  3,  15, 15, 8, 3,  15, 15, 8,  8,  6, 6,  6, 5,  3, 3,  3,  3,  8,  15, 3,  3,
    6,  10, 5,  8,  8, 6,  8,  5,  15, 15, 8, 15, 3, 5,  6, 10, 8,  15, 15, 3,  15, 5,
    15, 15, 15, 15, 3, 15, 5,  5,  5,  8,  5, 10, 5, 10, 8, 13, 15, 12, 3,  3,
};
constexpr std::uint8_t Anchors3Third[64] = {
    15, 8, 8, 3,  15, 15, 3,  8,  15, 15, 15, 15, 15, 15, 15, 8,  15, 8,  15, 3,  15, 8,
    15, 8, 3, 15, 6,  10, 15, 15, 10, 8,  15, 3,  15, 10, 10, 8,  9,  10, 6,  15, 8,  15,
    3,  6, 6, 8,  15, 3,  15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 3,  15, 15, 8,
};

// Interpolation weights out of 64, for indices of 2, 3 and 4 bits.
constexpr std::uint8_t Weights2[4] = {0, 21, 43, 64};
constexpr std::uint8_t Weights3[8] = {0, 9, 18, 27, 37, 46, 55, 64};
constexpr std::uint8_t Weights4[16] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};

const std::uint8_t* WeightsFor(int bits) {
    return bits == 2 ? Weights2 : bits == 3 ? Weights3 : Weights4;
}

// The block's 128 bits, read from the lowest up.
class BitReader {
public:
    explicit BitReader(const std::uint8_t* block) {
        std::memcpy(&Low, block, 8); // the block and this machine are little-endian
        std::memcpy(&High, block + 8, 8);
    }
    unsigned Read(int count) {
        if (count == 0) {
            return 0;
        }
        const unsigned value = static_cast<unsigned>(Low & ((std::uint64_t(1) << count) - 1));
        Low = (Low >> count) | (High << (64 - count));
        High >>= count;
        return value;
    }

private:
    std::uint64_t Low = 0;
    std::uint64_t High = 0;
};

std::uint8_t Interpolate(unsigned e0, unsigned e1, unsigned weight) {
    return static_cast<std::uint8_t>(((64 - weight) * e0 + weight * e1 + 32) >> 6);
}

} // namespace

void DecodeBc7Block(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes) {
    int modeNumber = 0;
    while (modeNumber < 8 && !(block[0] & (1 << modeNumber))) {
        ++modeNumber;
    }
    if (modeNumber == 8) {
        for (int y = 0; y < 4; ++y) {
            std::memset(rgba + y * rowBytes, 0, 16);
        }
        return;
    }
    const Bc7Mode& mode = Modes[modeNumber];
    BitReader bits(block);
    bits.Read(modeNumber + 1);
    const unsigned partition = bits.Read(mode.PartitionBits);
    const unsigned rotation = bits.Read(mode.RotationBits);
    const unsigned selector = bits.Read(mode.SelectorBits);

    // Endpoints: all reds, then all greens, blues and alphas; then the p-bits.
    const int endpointCount = mode.Subsets * 2;
    unsigned endpoints[6][4];
    for (int c = 0; c < 4; ++c) {
        const int channelBits = c < 3 ? mode.ColourBits : mode.AlphaBits;
        for (int i = 0; i < endpointCount; ++i) {
            endpoints[i][c] = bits.Read(channelBits);
        }
    }
    unsigned pBits[6] = {};
    if (mode.EndpointPBits) {
        for (int i = 0; i < endpointCount; ++i) {
            pBits[i] = bits.Read(1);
        }
    } else if (mode.SharedPBits) {
        for (int s = 0; s < mode.Subsets; ++s) {
            pBits[2 * s] = pBits[2 * s + 1] = bits.Read(1);
        }
    }
    const bool hasPBits = mode.EndpointPBits || mode.SharedPBits;
    for (int i = 0; i < endpointCount; ++i) {
        for (int c = 0; c < 4; ++c) {
            int width = c < 3 ? mode.ColourBits : mode.AlphaBits;
            if (width == 0) {
                endpoints[i][c] = 255;
                continue;
            }
            unsigned value = endpoints[i][c];
            if (hasPBits) {
                value = value << 1 | pBits[i];
                ++width;
            }
            // Widened to 8 bits by repeating the top bits.
            endpoints[i][c] = (value << (8 - width)) | (value >> (2 * width - 8));
        }
    }

    std::uint8_t subsetOf[16] = {};
    bool anchor[16] = {true};
    if (mode.Subsets == 2) {
        for (int i = 0; i < 16; ++i) {
            subsetOf[i] = static_cast<std::uint8_t>((Partitions2[partition] >> i) & 1);
        }
        anchor[Anchors2[partition]] = true;
    } else if (mode.Subsets == 3) {
        std::memcpy(subsetOf, Partitions3[partition], 16);
        anchor[Anchors3Second[partition]] = true;
        anchor[Anchors3Third[partition]] = true;
    }
    unsigned indices[16], secondIndices[16] = {};
    for (int i = 0; i < 16; ++i) {
        indices[i] = bits.Read(mode.IndexBits - (anchor[i] ? 1 : 0));
    }
    if (mode.SecondIndexBits != 0) {
        for (int i = 0; i < 16; ++i) {
            secondIndices[i] = bits.Read(mode.SecondIndexBits - (i == 0 ? 1 : 0));
        }
    }

    // Modes 4 and 5 index colour and alpha apart; mode 4's selector swaps the two index sets.
    const bool separate = mode.SecondIndexBits != 0;
    const bool swapped = separate && selector != 0;
    const std::uint8_t* colourWeights = WeightsFor(swapped ? mode.SecondIndexBits : mode.IndexBits);
    const std::uint8_t* alphaWeights =
        WeightsFor(separate && !swapped ? mode.SecondIndexBits : mode.IndexBits);
    for (int i = 0; i < 16; ++i) {
        const unsigned* e0 = endpoints[2 * subsetOf[i]];
        const unsigned* e1 = endpoints[2 * subsetOf[i] + 1];
        const unsigned colourWeight = colourWeights[swapped ? secondIndices[i] : indices[i]];
        const unsigned alphaWeight =
            alphaWeights[separate && !swapped ? secondIndices[i] : indices[i]];
        std::uint8_t pixel[4];
        for (int c = 0; c < 3; ++c) {
            pixel[c] = Interpolate(e0[c], e1[c], colourWeight);
        }
        pixel[3] = Interpolate(e0[3], e1[3], alphaWeight);
        if (rotation != 0) {
            std::swap(pixel[3], pixel[rotation - 1]);
        }
        std::memcpy(rgba + (i / 4) * rowBytes + (i % 4) * 4, pixel, 4);
    }
}

} // namespace quillon
