// Our DDS writer, used for every .dds the tool saves: DXT1 and DXT5 encoded with libsquish's
// cluster fit, or uncompressed 24-bit RGB and 32-bit RGBA; one surface, no mip levels, the
// classic header only (the game does not read the DX10 extension).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

enum class DdsOutput {
    DXT1, // BC1, encoded opaque: no pixel becomes punch-through black
    DXT5, // BC3, colour and interpolated alpha
    RGB,  // 24 bits a pixel, stored B, G, R
    RGBA, // 32 bits a pixel, stored B, G, R, A
};

// A complete DDS file for `rgba` (width x height RGBA8, rows top-down). The DXT encoder runs
// on every core libsquish was built to use.
std::vector<std::uint8_t> EncodeDds(const std::uint8_t* rgba, int width, int height,
                                    DdsOutput output);

// Writes the bound image as DDS in the format that IL_DXTC_FORMAT names: IL_DXT1, IL_DXT5, or
// IL_DXT_NO_COMP for RGB or RGBA by whether the image has alpha. False for other formats or
// when the file cannot be written.
bool WriteBoundImageAsDds(const std::string& nativePath);

} // namespace quillon
