// A preview ready for display, the counterpart of a Win32 bitmap: opaque pixels 0xFFRRGGBB,
// one 32-bit word each, rows top-down, Width * Height words. Handles are shared, so a control
// that still shows a bitmap the engine has replaced keeps it alive: none ever shows a released
// one.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace quillon {

struct PreviewBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
};

using BitmapHandle = std::shared_ptr<const PreviewBitmap>; // null: no bitmap

} // namespace quillon
