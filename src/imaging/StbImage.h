// The few stb_image and stb_image_write calls the tool makes, behind functions of our own, so that
// one file compiles the libraries (they are header-only) and nothing else sees their macros.
// stb_image allocates through us: no request may exceed what an image of the declared size can
// need, so a damaged file cannot make it ask for gigabytes.
#pragma once

#include "imaging/RgbaImage.h"
#include "platform/Problem.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// Width, height and whether the stored image has alpha, from the header only. A failure when stb
// does not recognise the data, or when it is a JPEG that stb_image would misread.
Outcome StbImageInfo(std::span<const std::uint8_t> file, int& width, int& height, bool& hasAlpha);

// Decodes to RGBA8 an image whose header declares width x height (as StbImageInfo read it). The
// file may come in two pieces, read as if they followed each other (a BMP whose palette is cut
// out between its header and its pixels).
Outcome StbDecode(std::span<const std::uint8_t> file, int width, int height, RgbaImage& image,
                  std::span<const std::uint8_t> rest = {});

// The most one request of stb_image may take for an image of width x height read from a file of
// `fileBytes` bytes whose widest buffer takes `bytesPerPixel` (4 for 8-bit data, 8 for 16-bit,
// 16 for high dynamic range floats): twice that buffer (a PNG's inflate buffer doubles when its
// estimate falls short), a byte a row, the file itself, and 1 MiB for tables and small images.
std::uint64_t StbRequestLimit(int width, int height, int bytesPerPixel, std::uint64_t fileBytes);

// Encodes PNG, TGA (uncompressed), BMP or JPEG (quality 99) from RGBA8 rows top-down, keeping
// alpha only when `hasAlpha`. `type` is "png", "tga", "bmp" or "jpg". Empty on failure.
[[nodiscard]] std::vector<std::uint8_t> StbEncode(const RgbaImage& image, const std::string& type);

} // namespace quillon
