// Image files of every kind the tool meets, read into and written from RgbaImage values (RGBA8,
// rows top-down). DDS and Photoshop files, and the BMP files stb_image refuses, go through our
// own readers; the other common formats (TGA, PNG, BMP, JPEG, GIF, HDR, PNM) through stb_image.
// Every size is checked before anything is allocated: a damaged file is a failed read that says
// why, never a crash or gigabytes.
#pragma once

#include "imaging/DdsWriter.h"
#include "imaging/RgbaImage.h"
#include "imaging/TaskPool.h"
#include "platform/Problem.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// Reads a file; the reader is chosen by the extension, else (an unknown extension) by the
// content. `stripPremultipliedAlpha`: DXT2 and DXT4 colours are divided by their alpha. A
// failure, with `image` untouched, when the file cannot be read. With `blocks`, a DXT1 or DXT5
// file's top level and the lower levels it holds are kept there as stored (no untouched blocks
// yet); any other file leaves it empty.
Outcome ReadImageFile(const std::string& nativePath, bool stripPremultipliedAlpha, RgbaImage& image,
                      SourceBlocks* blocks = nullptr);

// The same for a file's bytes held in memory; `name` (a file name or path) gives the extension.
// Reading a file is reading its bytes, capped in size, and then this.
Outcome ReadImageBytes(std::span<const std::uint8_t> bytes, const std::string& name,
                       bool stripPremultipliedAlpha, RgbaImage& image,
                       SourceBlocks* blocks = nullptr);

// The extensions ReadImageFile reads by (upper case, without the dot). Any other is read by its
// content, except those of image types it refuses (TIFF, PCX, SGI, ICO).
std::span<const char* const> ReadableExtensions();

// Whether an image of width x height may be decoded from a compressed file of `fileBytes` bytes:
// no coding used in images reaches 4096 times its size, so more is a damaged or hostile header.
// Images up to 64 MiB decoded always may.
Outcome CheckDeclaredSize(int width, int height, std::uint64_t fileBytes);

// The mip levels a DDS header declares (1 without a chain), from a file's first bytes (the first
// DDS_FILE_HEADER_SIZE are enough); 0 when they are no DDS header.
[[nodiscard]] int DdsLevelCount(const std::uint8_t* data, std::size_t size);

// How many levels the texture in a file has: for a DDS the mip levels it declares (1 without a
// chain), for other images 1; 0 when the file cannot be read as an image.
[[nodiscard]] int TextureLevelCount(const std::string& nativePath);

// Whether EncodeImageFile writes files of the path's extension.
[[nodiscard]] bool CanEncodeImageFile(const std::string& path);

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
