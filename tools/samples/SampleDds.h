// DDS files of any layout made in code, for the tests, the fuzz seeds and the benchmark: the
// classic header with a FourCC or bit masks, or the DX10 extension header, with the top level of
// an image (RGBA8, rows top-down) encoded in that layout. No mip levels.
#pragma once

#include "imaging/DdsFormat.h"
#include "imaging/RgbaImage.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillon {

// The pixel format a sample file declares.
struct SampleDdsFormat {
    std::uint32_t FourCC = 0; // with DDPF_FOURCC; FOURCC_DX10 adds the extension header
    std::uint32_t Flags = 0;  // the DDPF_ flags of a masked layout (FourCC 0)
    std::uint32_t BitCount = 0;
    std::array<std::uint32_t, 4> Masks = {}; // R (or luminance), G, B, A
    std::uint32_t DxgiFormat = 0;            // with FOURCC_DX10
};

SampleDdsFormat FourCCFormat(std::uint32_t fourCC);
SampleDdsFormat MaskedFormat(std::uint32_t flags, std::uint32_t bitCount,
                             std::array<std::uint32_t, 4> masks);
SampleDdsFormat Dx10Format(std::uint32_t dxgiFormat);

// Header fields beyond the format, for files that are meant to be odd.
struct SampleDdsHeader {
    std::uint32_t Flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    std::uint32_t PitchOrLinearSize = 0;
    std::uint32_t Depth = 0;
    std::uint32_t MipMapCount = 0;
    std::uint32_t Caps2 = 0;
    // DX10 header fields
    std::uint32_t ResourceDimension = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
    std::uint32_t MiscFlag = 0;
    std::uint32_t ArraySize = 1;
};

// Magic and header (and DX10 header) of a width x height file; no pixel data.
std::vector<std::uint8_t> MakeDdsHeader(std::uint32_t width, std::uint32_t height,
                                        const SampleDdsFormat& format,
                                        const SampleDdsHeader& fields = {});

// The top level of `image` in the format: BC1 to BC5 by libsquish; BC7 as mode 6 blocks (see
// MakeBc7Mode6Block) of one colour each, the block's top-left pixel with every channel's low bit
// cleared; masked layouts by their masks; R8G8 as R and G; 16-bit channels widened (x 257).
// Empty for a format it has no encoding for.
std::vector<std::uint8_t> EncodeSampleTopLevel(const RgbaImage& image,
                                               const SampleDdsFormat& format);

// Header and top level together; empty when the format has no encoding here.
std::vector<std::uint8_t> MakeDds(const RgbaImage& image, const SampleDdsFormat& format,
                                  const SampleDdsHeader& fields = {});

// A BC7 mode 6 block: endpoints of 8-bit RGBA whose four low bits must agree (they share one
// p-bit), and a 4-bit index a pixel (pixels row by row; the first index must be below 8).
std::array<std::uint8_t, 16> MakeBc7Mode6Block(const std::array<std::uint8_t, 4>& first,
                                               const std::array<std::uint8_t, 4>& second,
                                               const std::array<std::uint8_t, 16>& indices);

// The sample layouts the tests and the fuzz seeds walk through, with a short name each.
struct NamedSampleFormat {
    const char* Name;
    SampleDdsFormat Format;
};
const std::vector<NamedSampleFormat>& SampleDdsFormats();

} // namespace quillon
