// Image files of every kind the tool meets, read into and written from RgbaImage values (RGBA8,
// rows top-down). DDS and Photoshop files go through our own readers; the other common formats
// (TGA, PNG, BMP, JPEG, GIF, HDR, PNM) through stb_image. Every size is checked before anything is
// allocated: a damaged file is a failed read, never a crash or gigabytes.
#pragma once

#include "imaging/DdsWriter.h"
#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// Reads a file; the reader is chosen by the extension, else (an unknown extension) by the
// content. `stripPremultipliedAlpha`: DXT2 and DXT4 colours are divided by their alpha. False,
// with `image` untouched, when the file cannot be read. With `blocks`, a DXT1 or DXT5 file's top
// level and the lower levels it holds are kept there as stored (no untouched blocks yet); any
// other file leaves it empty.
[[nodiscard]] bool ReadImageFile(const std::string& nativePath, bool stripPremultipliedAlpha,
                                 RgbaImage& image, SourceBlocks* blocks = nullptr);

// The same for a file's bytes, such as a file taken out of an archive; `name` (its path or file
// name) gives the extension that chooses the reader.
[[nodiscard]] bool ReadImageBytes(const std::vector<std::uint8_t>& file, const std::string& name,
                                  bool stripPremultipliedAlpha, RgbaImage& image,
                                  SourceBlocks* blocks = nullptr);

// The mip levels a DDS header declares (1 without a chain), from a file's first bytes (the first
// DDS_FILE_HEADER_SIZE are enough); 0 when they are no DDS header.
[[nodiscard]] int DdsLevelCount(const std::uint8_t* data, std::size_t size);

// How many levels the texture in a file has: for a DDS the mip levels it declares (1 without a
// chain), for other images 1; 0 when the file cannot be read as an image.
[[nodiscard]] int TextureLevelCount(const std::string& nativePath);

// The bytes of a file of the type the path's extension names: ".dds" in `format`; ".png",
// ".tga", ".bmp", ".jpg"/".jpeg" with alpha when the image has it (`format` does not count).
// Empty for other extensions and for an empty image.
// A DDS is written with `lowerLevels` as its mip chain and `source`'s untouched blocks (see
// EncodeDds); other types ignore both.
[[nodiscard]] std::vector<std::uint8_t>
EncodeImageFile(const std::string& path, const RgbaImage& image, TextureFormat format,
                TaskPool& pool, const std::vector<RgbaImage>& lowerLevels = {},
                const SourceBlocks* source = nullptr);

} // namespace quillon
