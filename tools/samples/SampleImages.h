// Synthetic textures made in code, for the demo workspace, the tests and the benchmark: skin,
// normal and specular maps with a visible seam, and modification images whose alpha masks a
// band along that seam. Pixels are RGBA8, rows top-down.
#pragma once

#include "imaging/RgbaImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

enum class SampleKind { Skin, Normal, Specular };

// A texture of the kind with smooth gradients, fine noise and a hard seam at `seamRow`: the
// part below it is a shade off, as where a head texture meets the body's neck.
RgbaImage MakeSeamedTexture(SampleKind kind, int width, int height, int seamRow,
                            std::uint32_t seed);

// The modification for that seam: the colour the texture should have around the seam, opaque on
// the seam line and fading to transparent `bandHalfHeight` rows above and below it.
RgbaImage MakeSeamMod(SampleKind kind, int width, int height, int seamRow, int bandHalfHeight);

// A decal: a soft-edged shape of one colour on a transparent background, for other sets.
RgbaImage MakeDecal(int width, int height, std::uint32_t rgb, std::uint32_t seed);

// Writes the image as a DDS texture through the tool's own writer, with a compression word of the
// catalogue: "DXT1", "DXT5", "RGB" or "RGBA"; with `mipChain`, with its full chain of levels (a
// normal map's when the file's name says it is one).
bool WriteDdsTexture(const std::string& nativePath, const RgbaImage& image,
                     const std::string& compression, bool mipChain = false);

// Reads any texture file the tool reads, as RGBA8 rows top-down. False when it cannot.
bool ReadTexture(const std::string& nativePath, RgbaImage& image);

// Writes a Photoshop file (PackBits-coded, one layer): 8 or 16 bits per channel, RGB with the alpha
// as its fourth channel. Through the safe-write path; false when it cannot be written.
bool WritePsd(const std::string& nativePath, const RgbaImage& image, int bitsPerChannel = 8);

} // namespace quillon
