// Images made in code for the block encoder tests (RGBA8, rows top-down, 64 x 64 unless said), a
// decoder of whole block streams, and the BC7 images on which each mode should turn up. Shared
// by the encoder's own tests and its Pillow cross-check, which runs on Linux only.
#pragma once

#include "imaging/Bc7Decoder.h"
#include "imaging/BlockDecoders.h"
#include "imaging/BlockEncoding.h"
#include "imaging/RgbaImage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <vector>

namespace quillon {

inline std::uint8_t Clamp(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Test images, 64 x 64. `alpha` gives them a soft mask; otherwise they are opaque.
inline RgbaImage Generate(const std::function<void(int x, int y, std::uint8_t* px)>& pixel,
                          int edge = 64) {
    RgbaImage image(edge, edge);
    for (int y = 0; y < edge; ++y) {
        for (int x = 0; x < edge; ++x) {
            image.At(x, y)[3] = 255;
            pixel(x, y, image.At(x, y));
        }
    }
    return image;
}

inline std::uint8_t SoftDisc(int x, int y) {
    return Clamp((26.0 - std::hypot(x - 31.5, y - 31.5)) * 40.0);
}

inline RgbaImage Photographic(bool alpha, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 2.5);
    return Generate([&](int x, int y, std::uint8_t* px) {
        const double u = x / 64.0, v = y / 64.0;
        for (int c = 0; c < 3; ++c) {
            px[c] = Clamp(120 + 60 * std::sin(5 * u * (c + 1) + 3 * v) +
                          35 * std::cos(8 * v - 2 * u * c) + noise(random));
        }
        if (alpha) {
            px[3] = SoftDisc(x, y);
        }
    });
}

// Random bytes in the first `channels` channels of each pixel; alpha 255 unless among them.
inline RgbaImage Noise(unsigned seed, int channels) {
    std::mt19937 random(seed);
    return Generate([&](int, int, std::uint8_t* px) {
        for (int c = 0; c < channels; ++c) {
            px[c] = static_cast<std::uint8_t>(random());
        }
    });
}

// A block stream of a width x height image decoded by the project's block decoders.
inline RgbaImage DecodeImage(const std::vector<std::uint8_t>& blocks, int width, int height,
                             BlockFormat format) {
    const auto bytes = static_cast<std::size_t>(BlockBytes(format));
    RgbaImage out(width, height);
    const int wide = (width + 3) / 4;
    for (std::size_t b = 0; b * bytes < blocks.size(); ++b) {
        std::uint8_t rgba[64];
        const std::uint8_t* block = blocks.data() + b * bytes;
        format == BlockFormat::BC1   ? DecodeBc1Block(block, rgba)
        : format == BlockFormat::BC3 ? DecodeBc3Block(block, rgba)
                                     : DecodeBc7Block(block, rgba);
        const int bx = static_cast<int>(b) % wide, by = static_cast<int>(b) / wide;
        for (int y = 0; y < 4 && by * 4 + y < height; ++y) {
            for (int x = 0; x < 4 && bx * 4 + x < width; ++x) {
                std::memcpy(out.At(bx * 4 + x, by * 4 + y), rgba + y * 16 + x * 4, 4);
            }
        }
    }
    return out;
}

inline int Bc7Mode(const std::uint8_t* block) {
    int mode = 0;
    while (mode < 8 && !(block[0] & (1 << mode))) {
        ++mode;
    }
    return mode;
}

// An image and the BC7 modes the encoder should choose for some of its blocks.
struct Bc7ModeCase {
    const char* Name;
    RgbaImage Image;
    std::set<int> Modes;
};

inline std::vector<Bc7ModeCase> Bc7ModeCases() {
    RgbaImage mixed = Photographic(false, 8);
    const RgbaImage edges = Generate([](int x, int y, std::uint8_t* px) {
        const bool split = (x % 4) + (y % 4) > 3;
        px[0] = split ? 220 : 30, px[1] = static_cast<std::uint8_t>(split ? 40 + x : 200 - y);
        px[2] = static_cast<std::uint8_t>(split ? 90 : 10 + 3 * x);
    });
    // Left half photographic, right half sharp blocks of two colours; its bottom quarter two
    // colours of even channels below 128, which only mode 5 stores exactly with alpha 255.
    for (int y = 0; y < 64; ++y) {
        std::memcpy(mixed.At(32, y), edges.At(32, y), 32 * 4);
    }
    for (int y = 48; y < 64; ++y) {
        for (int x = 32; x < 64; ++x) {
            const bool split = (x % 4) > (y % 4);
            const std::uint8_t even[2][3] = {{40, 100, 20},
                                             {2, static_cast<std::uint8_t>(60 + 2 * (x / 4)), 126}};
            std::memcpy(mixed.At(x, y), even[split], 3);
        }
    }
    RgbaImage masked = Photographic(true, 9);
    for (int y = 0; y < 64; ++y) {
        for (int x = 32; x < 64; ++x) {
            masked.At(x, y)[3] = static_cast<std::uint8_t>((x % 4) + (y % 4) > 3 ? 255 : 40 + x);
        }
    }
    return {{"opaque", mixed, {1, 3, 5, 6}}, {"masked", masked, {4, 5, 6, 7}}};
}

// Opaque images on which BC7 picks each of its opaque modes somewhere: photographs, noise, hard
// edges of two colours and the mode cases' opaque image.
inline std::vector<RgbaImage> OpaqueImages() {
    std::vector<RgbaImage> images = {Photographic(false, 31), Photographic(false, 32),
                                     Noise(33, 3)};
    images.push_back(Generate([&](int x, int y, std::uint8_t* px) {
        const bool split = (x % 4) * 3 + (y % 4) > 5;
        for (int c = 0; c < 3; ++c) {
            px[c] = static_cast<std::uint8_t>(split ? 30 + 50 * c + x : 220 - 40 * c + y);
        }
    }));
    images.push_back(Bc7ModeCases()[0].Image);
    return images;
}

} // namespace quillon
