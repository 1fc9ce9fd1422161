#include "imaging/BlockDecoders.h"

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
    for (int y = 0; y < 4; ++y) {
        const unsigned row = block[4 + y];
        std::uint8_t* out = rgba + y * rowBytes;
        for (int x = 0; x < 4; ++x) {
            std::memcpy(out + x * 4, palette[(row >> (2 * x)) & 3], 4);
        }
    }
}

// The eight values of a BC3 alpha or BC4 block and its 16 three-bit indices, as 16 values in
// pixel order. Interpolation truncates, as libsquish does for BC3 alpha.
void DecodeInterpolated(const std::uint8_t* block, std::uint8_t flip, std::uint8_t* values) {
    const unsigned a = block[0] ^ flip, b = block[1] ^ flip;
    unsigned codes[8] = {a, b};
    if (a <= b) {
        for (unsigned i = 1; i < 5; ++i) {
            codes[1 + i] = ((5 - i) * a + i * b) / 5;
        }
        codes[6] = 0;
        codes[7] = 255;
    } else {
        for (unsigned i = 1; i < 7; ++i) {
            codes[1 + i] = ((7 - i) * a + i * b) / 7;
        }
    }
    // Two groups of eight 3-bit indices, each in three bytes.
    for (int half = 0; half < 2; ++half) {
        const std::uint8_t* bytes = block + 2 + 3 * half;
        const unsigned bits = bytes[0] | bytes[1] << 8u | bytes[2] << 16u;
        for (int i = 0; i < 8; ++i) {
            values[half * 8 + i] = static_cast<std::uint8_t>(codes[(bits >> (3 * i)) & 7]);
        }
    }
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
    std::uint8_t alpha[16];
    DecodeInterpolated(block, 0, alpha);
    for (int i = 0; i < 16; ++i) {
        rgba[(i / 4) * rowBytes + (i % 4) * 4 + 3] = alpha[i];
    }
}

void DecodeBc4Block(const std::uint8_t* block, bool isSigned, std::uint8_t* rgba,
                    std::size_t rowBytes) {
    std::uint8_t grey[16];
    DecodeInterpolated(block, isSigned ? 0x80 : 0, grey);
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t pixel[4] = {grey[i], grey[i], grey[i], 255};
        std::memcpy(rgba + (i / 4) * rowBytes + (i % 4) * 4, pixel, 4);
    }
}

void DecodeBc5Block(const std::uint8_t* block, bool isSigned, std::uint8_t* rgba,
                    std::size_t rowBytes) {
    std::uint8_t x[16], y[16];
    DecodeInterpolated(block, isSigned ? 0x80 : 0, x);
    DecodeInterpolated(block + 8, isSigned ? 0x80 : 0, y);
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t pixel[4] = {x[i], y[i], NormalZ(x[i], y[i]), 255};
        std::memcpy(rgba + (i / 4) * rowBytes + (i % 4) * 4, pixel, 4);
    }
}

std::uint8_t NormalZ(std::uint8_t x, std::uint8_t y) {
    const float nx = x / 127.5f - 1.0f, ny = y / 127.5f - 1.0f;
    const float squared = 1.0f - nx * nx - ny * ny;
    const float z = squared > 0.0f ? std::sqrt(squared) : 0.0f;
    return static_cast<std::uint8_t>(127.5f * z + 128.0f); // to nearest: 127.5 (z + 1) + 0.5
}

} // namespace quillon
