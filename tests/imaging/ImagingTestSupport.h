// Small images made in code for the imaging tests (RGBA8, rows top-down).
#pragma once

#include "samples/SampleImages.h"

#include <array>
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

} // namespace quillon
