// Our own reader for the merged image of Photoshop files. DevIL 1.7.8 misreads them: it places
// the alpha channel upside down against the colour, loses the alpha of uncompressed files and
// fails on 16-bit ones. Modification images are mostly PSDs whose alpha is the mask, so the
// tool reads them itself. Checks every size against the file before it allocates.
#pragma once

#include "imaging/RgbaImage.h"
#include "platform/Problem.h"

#include <cstddef>
#include <cstdint>

namespace quillon {

// Largest edge accepted, in pixels.
constexpr int MaxPsdEdge = MaxTextureEdge;

// Decodes a PSD (or PSB) file held in memory, of 8 or 16 bits per channel in grayscale or RGB,
// raw or PackBits coded, into `image` (RGBA8, rows top-down). A fourth colour channel (a second
// grey one) is the alpha; without one the image is opaque and HasAlpha is false. 16-bit samples
// keep their high byte, as DevIL's conversion gave them. Besides the image, only one decoded row
// and the rows' byte counts are allocated. A failure that says why, with `image` untouched, for
// anything else: not a Photoshop file, truncated, absurd sizes, unsupported modes or depths, or
// memory running out.
Outcome DecodePsd(const std::uint8_t* data, size_t size, RgbaImage& image);

} // namespace quillon
