// Small images made in code for the imaging tests (RGBA8, rows top-down), the sample DDS layouts
// by name, and repeatable random bytes.
#pragma once

#include "samples/SampleDds.h"
#include "samples/SampleImages.h"

#include <array>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon {

// Every pixel the same.
inline RgbaImage Uniform(int width, int height, std::array<std::uint8_t, 4> rgba) {
    RgbaImage image(width, height);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        image.Pixels[i] = rgba[i % 4];
    }
    return image;
}

// Texels whose alpha is not 255.
inline int Translucent(const RgbaImage& image) {
    int count = 0;
    for (std::size_t i = 3; i < image.Pixels.size(); i += 4) {
        count += image.Pixels[i] != 255;
    }
    return count;
}

inline std::vector<int> PixelAt(const RgbaImage& image, int x, int y) {
    return {image.At(x, y), image.At(x, y) + 4};
}

// 9 x 7: blocks cut at both edges; alpha that varies.
inline RgbaImage TestImage() {
    return MakeSeamedTexture(SampleKind::Normal, 9, 7, 4, 3);
}

inline const NamedSampleFormat& Sample(const std::string& name) {
    for (const NamedSampleFormat& sample : SampleDdsFormats()) {
        if (name == sample.Name) {
            return sample;
        }
    }
    throw std::invalid_argument(name);
}

inline std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

} // namespace quillon

namespace quillon {

// A BMP file with a 40-byte info header: `palette` (R, G, B entries) after it, then `gap` spare
// bytes, then `data` (rows bottom-up, each padded to 4 bytes, or run-length codes). `masks` (R, G,
// B) follow the header for bit fields (compression 3).
inline std::vector<std::uint8_t> MakeBmp(int width, int height, int bits, std::uint32_t compression,
                                         const std::vector<std::array<std::uint8_t, 3>>& palette,
                                         const std::vector<std::uint8_t>& data, std::size_t gap = 0,
                                         const std::vector<std::uint32_t>& masks = {}) {
    std::vector<std::uint8_t> file = {'B', 'M'};
    const auto put = [&file](const std::vector<std::uint32_t>& values, int bytes) {
        for (const std::uint32_t value : values) {
            for (int i = 0; i < bytes; ++i) {
                file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        }
    };
    const auto offset =
        static_cast<std::uint32_t>(14 + 40 + 4 * masks.size() + 4 * palette.size() + gap);
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto u32 = [](auto value) { return static_cast<std::uint32_t>(value); };
    // File size, reserved, the pixels' offset; the info header's size, width, height.
    put({offset + size, 0, offset, 40, u32(width), u32(height)}, 4);
    put({1, u32(bits)}, 2); // planes, bits a pixel
    put({compression, size, 2835, 2835, u32(palette.size()), 0}, 4);
    put(masks, 4);
    for (const auto& [r, g, b] : palette) {
        file.insert(file.end(), {b, g, r, 0});
    }
    file.resize(file.size() + gap, 0xAB);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

} // namespace quillon
