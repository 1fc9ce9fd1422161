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
