// An image as a value: RGBA8 pixels, rows top-down, with its size and whether its alpha carries
// content. Every reader hands one back and every writer takes one; nothing keeps images in
// global state, so any number may be worked on at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

// The largest width or height of any image the tool reads, makes or writes.
constexpr int MaxTextureEdge = 16384;

struct RgbaImage {
    int Width = 0;
    int Height = 0;
    bool HasAlpha = true; // false: the alpha bytes are 255 and mean nothing (an RGB source)
    std::vector<std::uint8_t> Pixels; // Width * Height * 4 bytes, R G B A, rows top-down

    RgbaImage() = default;
    // Transparent black pixels.
    RgbaImage(int width, int height, bool hasAlpha = true)
        : Width(width), Height(height), HasAlpha(hasAlpha),
          Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0) {}

    bool Empty() const { return Pixels.empty(); }
    std::size_t RowBytes() const { return static_cast<std::size_t>(Width) * 4; }
    std::uint8_t* At(int x, int y) {
        return &Pixels[static_cast<std::size_t>(y) * RowBytes() + static_cast<std::size_t>(x) * 4];
    }
    const std::uint8_t* At(int x, int y) const {
        return &Pixels[static_cast<std::size_t>(y) * RowBytes() + static_cast<std::size_t>(x) * 4];
    }
};

} // namespace quillon
