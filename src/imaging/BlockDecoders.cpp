#include "imaging/BlockDecoders.h"

#include <array>
#include <cmath>
#include <cstring>

namespace quillon {

namespace {

// A 5:6:5 colour widened to 8 bits a channel by repeating its top bits, as libsquish does.
void Unpack565(unsigned value, std::uint8_t* rgba) {
    const unsigned r = (value >> 11) & 0x1F, g = (value >> 5) & 0x3F, b = value & 0x1F;
    rgba[0] = static_cast<std::uint8_t>((r << 3) | (r >> 2));
    rgba[1] = static_cast<std::uint8_t>((g << 2) | (g >> 4));
    rgba[2] = static_cast<std::uint8_t>((b << 3) | (b >> 2));
    rgba[3] = 255;
}

// The colour half of BC1 to BC3 blocks. Only a BC1 block may use the three-colour mode.
void DecodeColours(const std::uint8_t* block, bool mayBeThreeColour, std::uint8_t* rgba,
                   std::size_t rowBytes) {
    const unsigned a = block[0] | block[1] << 8u, b = block[2] | block[3] << 8u;
    std::uint8_t palette[4][4];
    Unpack565(a, palette[0]);
    Unpack565(b, palette[1]);
    const bool threeColour = mayBeThreeColour && a <= b;
    for (int c = 0; c < 3; ++c) {
        const unsigned p = palette[0][c], q = palette[1][c];
        if (threeColour) {
            palette[2][c] = static_cast<std::uint8_t>((p + q) / 2);
            palette[3][c] = 0;
        } else {
            palette[2][c] = static_cast<std::uint8_t>((2 * p + q) / 3);
            palette[3][c] = static_cast<std::uint8_t>((p + 2 * q) / 3);
        }
    }
    palette[2][3] = 255;
    palette[3][3] = threeColour ? 0 : 255;
    std::uint32_t colours[4];
    std::memcpy(colours, palette, sizeof colours);
    for (int y = 0; y < 4; ++y) {
        const unsigned row = block[4 + y];
        const std::uint32_t pixels[4] = {colours[row & 3], colours[(row >> 2) & 3],
                                         colours[(row >> 4) & 3], colours[row >> 6]};
        std::memcpy(rgba + y * rowBytes, pixels, 16);
    }
}

// The eight values of a BC3 alpha or BC4 block. Interpolation truncates, as libsquish does for
// BC3 alpha. `flip` 0x80 reads signed endpoints as unsigned ones shifted by 128.
void Codes(const std::uint8_t* block, std::uint8_t flip, std::uint8_t* codes) {
    const unsigned a = block[0] ^ flip, b = block[1] ^ flip;
    codes[0] = static_cast<std::uint8_t>(a);
    codes[1] = static_cast<std::uint8_t>(b);
    if (a <= b) {
        for (unsigned i = 1; i < 5; ++i) {
            codes[1 + i] = static_cast<std::uint8_t>(((5 - i) * a + i * b) / 5);
        }
        codes[6] = 0;
        codes[7] = 255;
    } else {
        for (unsigned i = 1; i < 7; ++i) {
            codes[1 + i] = static_cast<std::uint8_t>(((7 - i) * a + i * b) / 7);
        }
    }
}

// The 16 three-bit indices that follow the two endpoints, pixel 0 lowest.
std::uint64_t Indices(const std::uint8_t* block) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 2; --i) {
        bits = bits << 8 | block[i];
    }
    return bits;
}

// One channel of an interpolated block into byte `channel` of each pixel.
void DecodeChannel(const std::uint8_t* block, std::uint8_t flip, std::uint8_t* rgba,
                   std::size_t rowBytes, int channel) {
    std::uint8_t codes[8];
    Codes(block, flip, codes);
    std::uint64_t bits = Indices(block);
    for (int y = 0; y < 4; ++y) {
        std::uint8_t* out = rgba + y * rowBytes + channel;
        for (int x = 0; x < 4; ++x, bits >>= 3) {
            out[4 * x] = codes[bits & 7];
        }
    }
}

const std::array<std::uint8_t, 65536>& NormalZTable() {
    static const std::array<std::uint8_t, 65536> table = [] {
        std::array<std::uint8_t, 65536> zs{};
        for (int x = 0; x < 256; ++x) {
            for (int y = 0; y < 256; ++y) {
                const float nx = x / 127.5f - 1.0f, ny = y / 127.5f - 1.0f;
                const float squared = 1.0f - nx * nx - ny * ny;
                const float z = squared > 0.0f ? std::sqrt(squared) : 0.0f;
                // To nearest: 127.5 (z + 1) + 0.5.
                zs[static_cast<std::size_t>(x) << 8 | static_cast<std::size_t>(y)] =
                    static_cast<std::uint8_t>(127.5f * z + 128.0f);
            }
        }
        return zs;
    }();
    return table;
}

} // namespace

void DecodeBc1Block(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeColours(block, true, rgba, rowBytes);
}

void DecodeBc2Block(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeColours(block + 8, false, rgba, rowBytes);
    for (int i = 0; i < 8; ++i) {
        const unsigned lo = block[i] & 0x0F, hi = block[i] >> 4;
        std::uint8_t* out = rgba + (i / 2) * rowBytes + (i % 2) * 8;
        out[3] = static_cast<std::uint8_t>(lo * 17);
        out[7] = static_cast<std::uint8_t>(hi * 17);
    }
}

void DecodeBc3Block(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeColours(block + 8, false, rgba, rowBytes);
    DecodeChannel(block, 0, rgba, rowBytes, 3);
}

void DecodeBc4Block(const std::uint8_t* block, bool isSigned, std::uint8_t* rgba,
                    std::size_t rowBytes) {
    std::uint8_t codes[8];
    Codes(block, isSigned ? 0x80 : 0, codes);
    std::uint32_t greys[8];
    for (int i = 0; i < 8; ++i) {
        greys[i] = codes[i] * 0x010101u | 0xFF000000u; // bytes grey, grey, grey, 255
    }
    std::uint64_t bits = Indices(block);
    for (int y = 0; y < 4; ++y, bits >>= 12) {
        const std::uint32_t pixels[4] = {greys[bits & 7], greys[(bits >> 3) & 7],
                                         greys[(bits >> 6) & 7], greys[(bits >> 9) & 7]};
        std::memcpy(rgba + y * rowBytes, pixels, 16);
    }
}

void DecodeBc5Block(const std::uint8_t* block, bool isSigned, std::uint8_t* rgba,
                    std::size_t rowBytes) {
    const std::uint8_t flip = isSigned ? 0x80 : 0;
    DecodeChannel(block, flip, rgba, rowBytes, 0);
    DecodeChannel(block + 8, flip, rgba, rowBytes, 1);
    const std::array<std::uint8_t, 65536>& z = NormalZTable();
    for (int y = 0; y < 4; ++y) {
        std::uint8_t* out = rgba + y * rowBytes;
        for (int x = 0; x < 4; ++x, out += 4) {
            out[2] = z[static_cast<std::size_t>(out[0]) << 8 | out[1]];
            out[3] = 255;
        }
    }
}

std::uint8_t NormalZ(std::uint8_t x, std::uint8_t y) {
    return NormalZTable()[static_cast<std::size_t>(x) << 8 | y];
}

} // namespace quillon
