// The few stb_image and stb_image_write calls the tool makes, behind functions of our own, so that
// one file compiles the libraries (they are header-only) and nothing else sees their macros.
#pragma once

#include "imaging/RgbaImage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Width, height and whether the stored image has alpha, from the header only. False when stb
// does not recognise the data.
bool StbImageInfo(const std::uint8_t* data, std::size_t size, int& width, int& height,
                  bool& hasAlpha);

// Decodes to RGBA8; false on any error.
bool StbDecode(const std::uint8_t* data, std::size_t size, RgbaImage& image);

// Encodes PNG, TGA (uncompressed), BMP or JPEG (quality 99) from RGBA8 rows top-down, keeping
// alpha only when `hasAlpha`. `type` is "png", "tga", "bmp" or "jpg". Empty on failure.
std::vector<std::uint8_t> StbEncode(const RgbaImage& image, const std::string& type);

} // namespace quillon
