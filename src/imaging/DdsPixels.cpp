#include "imaging/DdsReader.h"

#include "imaging/Bc7Decoder.h"
#include "imaging/BlockDecoders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

namespace quillon {

namespace {

using BlockDecoder = void (*)(const std::uint8_t* block, std::uint8_t* rgba, std::size_t rowBytes);

void Bc4Unsigned(const std::uint8_t* b, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeBc4Block(b, false, rgba, rowBytes);
}
void Bc4Signed(const std::uint8_t* b, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeBc4Block(b, true, rgba, rowBytes);
}
void Bc5Unsigned(const std::uint8_t* b, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeBc5Block(b, false, rgba, rowBytes);
}
void Bc5Signed(const std::uint8_t* b, std::uint8_t* rgba, std::size_t rowBytes) {
    DecodeBc5Block(b, true, rgba, rowBytes);
}

// The decoder of a block layout; null for the layouts stored pixel by pixel.
BlockDecoder DecoderFor(DdsPixelFormat format) {
    switch (format) {
    case DdsPixelFormat::Bc1:
        return DecodeBc1Block;
    case DdsPixelFormat::Bc2:
        return DecodeBc2Block;
    case DdsPixelFormat::Bc3:
    case DdsPixelFormat::Bc3Rxgb:
        return DecodeBc3Block;
    case DdsPixelFormat::Bc4:
        return Bc4Unsigned;
    case DdsPixelFormat::Bc4Signed:
        return Bc4Signed;
    case DdsPixelFormat::Bc5:
        return Bc5Unsigned;
    case DdsPixelFormat::Bc5Signed:
        return Bc5Signed;
    case DdsPixelFormat::Bc7:
        return DecodeBc7Block;
    case DdsPixelFormat::Masked:
    case DdsPixelFormat::Rg8:
    case DdsPixelFormat::Rgba16:
        return nullptr;
    }
    return nullptr;
}

// Blocks left to right, top to bottom; blocks inside the image are decoded in place, those on a
// ragged right or bottom edge through a spare block.
void DecodeBlocks(const std::uint8_t* blocks, std::size_t blockBytes, BlockDecoder decode,
                  RgbaImage& image) {
    const int columns = (image.Width + 3) / 4, rows = (image.Height + 3) / 4;
    const std::size_t rowBytes = image.RowBytes();
    std::uint8_t spare[64];
    for (int by = 0; by < rows; ++by) {
        for (int bx = 0; bx < columns; ++bx, blocks += blockBytes) {
            const int x = bx * 4, y = by * 4;
            const int w = std::min(4, image.Width - x), h = std::min(4, image.Height - y);
            if (w == 4 && h == 4) {
                decode(blocks, image.At(x, y), rowBytes);
                continue;
            }
            decode(blocks, spare, BlockRowBytes);
            for (int row = 0; row < h; ++row) {
                std::memcpy(image.At(x, y + row), spare + row * BlockRowBytes,
                            static_cast<std::size_t>(w) * 4);
            }
        }
    }
}

// One channel of a masked layout: where it lies, and how it widens to 8 bits, to nearest.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : Mask(mask) {
        if (mask == 0) {
            return;
        }
        while (!((mask >> Shift) & 1)) {
            ++Shift;
        }
        Max = mask >> Shift; // masks with gaps count as their span
        for (std::uint32_t v = 0; v < Table.size() && v <= Max; ++v) {
            Table[v] = Widen(v);
        }
    }
    bool Present() const { return Mask != 0; }
    std::uint32_t operator()(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & Mask) >> Shift;
        if (Max < Table.size()) {
            return Table[v];
        }
        return Max == 0xFFFF ? (v * 255u + 0x7FFFu) / 0xFFFFu : Widen(v);
    }

private:
    std::uint8_t Widen(std::uint32_t v) const {
        return static_cast<std::uint8_t>((std::uint64_t(v) * 255 + Max / 2) / Max);
    }
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint32_t Max = 0;
    std::array<std::uint8_t, 4096> Table{}; // channels of up to 12 bits
};

// A masked layout's pixels to packed RGBA8 (bytes R, G, B, A).
class MaskedPixels {
public:
    explicit MaskedPixels(const DdsLayout& layout)
        : Luminance(layout.Luminance), Red(layout.Masks[0]), Green(layout.Masks[1]),
          Blue(layout.Masks[2]), Alpha(layout.Masks[3]) {}
    std::uint32_t operator()(std::uint32_t pixel) const {
        const std::uint32_t r = Red.Present() ? Red(pixel) : 0;
        const std::uint32_t g = Luminance ? r : Green.Present() ? Green(pixel) : 0;
        const std::uint32_t b = Luminance ? r : Blue.Present() ? Blue(pixel) : 0;
        const std::uint32_t a = Alpha.Present() ? Alpha(pixel) : 255;
        return r | g << 8 | b << 16 | a << 24;
    }

private:
    bool Luminance;
    Channel Red, Green, Blue, Alpha;
};

// One pixel of 1 to 4 bytes, little-endian as the file; spelt out so that each is one load.
template <int Bytes> std::uint32_t LoadPixel(const std::uint8_t* in) {
    if constexpr (Bytes == 4) {
        std::uint32_t pixel;
        std::memcpy(&pixel, in, 4); // this machine is little-endian too
        return pixel;
    } else if constexpr (Bytes == 3) {
        return in[0] | in[1] << 8u | in[2] << 16u;
    } else if constexpr (Bytes == 2) {
        return in[0] | in[1] << 8u;
    } else {
        return in[0];
    }
}

// B, G, R(, A) bytes, the layout of most uncompressed files (our writer's too), with shifts
// known at compile time; without alpha, alpha is 255.
template <int Bytes, bool HasAlpha>
void DecodeBgr(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i, in += Bytes, out += 4) {
        const std::uint32_t v = LoadPixel<Bytes>(in);
        const std::uint32_t pixel = ((v >> 16) & 0xFF) | (v & 0xFF00) | (v & 0xFF) << 16 |
                                    (HasAlpha ? v & 0xFF000000u : 0xFF000000u);
        std::memcpy(out, &pixel, 4);
    }
}

// Layouts whose channels are whole bytes of a 24- or 32-bit pixel: shifts and masks only.
template <int Bytes>
void DecodeWholeBytes(const std::uint8_t* in, const DdsLayout& layout, std::size_t count,
                      std::uint8_t* out) {
    const std::uint32_t* m = layout.Masks;
    if (!layout.Luminance && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF) {
        if (m[3] == 0) {
            return DecodeBgr<Bytes, false>(in, count, out);
        }
        if constexpr (Bytes == 4) {
            if (m[3] == 0xFF000000u) {
                return DecodeBgr<4, true>(in, count, out);
            }
        }
    }
    int shifts[4] = {};
    std::uint32_t keep[4] = {}, fixed = 0xFF000000u; // alpha 255 when the layout has none
    for (int c = 0; c < 4; ++c) {
        const std::uint32_t mask = layout.Masks[layout.Luminance && c < 3 ? 0 : c];
        if (mask != 0) {
            shifts[c] = std::countr_zero(mask);
            keep[c] = 0xFF;
            fixed &= c == 3 ? 0 : ~0u;
        }
    }
    for (std::size_t i = 0; i < count; ++i, in += Bytes, out += 4) {
        const std::uint32_t v = LoadPixel<Bytes>(in);
        const std::uint32_t pixel =
            fixed | ((v >> shifts[0]) & keep[0]) | ((v >> shifts[1]) & keep[1]) << 8 |
            ((v >> shifts[2]) & keep[2]) << 16 | ((v >> shifts[3]) & keep[3]) << 24;
        std::memcpy(out, &pixel, 4);
    }
}

// Any masked layout pixel by pixel; 8- and 16-bit layouts of images larger than their table
// through one look-up of the whole pixel.
template <int Bytes>
void DecodeEachPixel(const std::uint8_t* in, const DdsLayout& layout, std::size_t count,
                     std::uint8_t* out) {
    const MaskedPixels convert(layout);
    if constexpr (Bytes <= 2) {
        constexpr std::size_t values = std::size_t(1) << (8 * Bytes);
        if (count >= values / 4) {
            std::vector<std::uint32_t> table(values);
            for (std::size_t v = 0; v < values; ++v) {
                table[v] = convert(static_cast<std::uint32_t>(v));
            }
            for (std::size_t i = 0; i < count; ++i, in += Bytes, out += 4) {
                std::memcpy(out, &table[LoadPixel<Bytes>(in)], 4);
            }
            return;
        }
    }
    for (std::size_t i = 0; i < count; ++i, in += Bytes, out += 4) {
        const std::uint32_t pixel = convert(LoadPixel<Bytes>(in));
        std::memcpy(out, &pixel, 4);
    }
}

bool WholeBytes(const DdsLayout& layout) {
    for (const std::uint32_t mask : layout.Masks) {
        if (mask != 0 && (std::popcount(mask) != 8 || (std::countr_zero(mask) % 8) != 0)) {
            return false;
        }
    }
    return true;
}

void DecodeMasked(const std::uint8_t* in, const DdsLayout& layout, RgbaImage& image) {
    const std::size_t count = static_cast<std::size_t>(image.Width) * image.Height;
    std::uint8_t* out = image.Pixels.data();
    const std::uint32_t* m = layout.Masks;
    if (layout.BytesPerPixel == 4 && !layout.Luminance && m[0] == 0xFF && m[1] == 0xFF00 &&
        m[2] == 0xFF0000 && m[3] == 0xFF000000u) {
        std::memcpy(out, in, count * 4); // R, G, B, A already
        return;
    }
    switch (layout.BytesPerPixel) {
    case 1:
        return DecodeEachPixel<1>(in, layout, count, out);
    case 2:
        return DecodeEachPixel<2>(in, layout, count, out);
    case 3:
        return WholeBytes(layout) ? DecodeWholeBytes<3>(in, layout, count, out)
                                  : DecodeEachPixel<3>(in, layout, count, out);
    default:
        return WholeBytes(layout) ? DecodeWholeBytes<4>(in, layout, count, out)
                                  : DecodeEachPixel<4>(in, layout, count, out);
    }
}

void DecodeRg8(const std::uint8_t* in, RgbaImage& image) {
    std::uint8_t* out = image.Pixels.data();
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4, in += 2) {
        out[i] = in[0];
        out[i + 1] = in[1];
        out[i + 2] = NormalZ(in[0], in[1]);
        out[i + 3] = 255;
    }
}

void DecodeRgba16(const std::uint8_t* in, RgbaImage& image) {
    std::uint8_t* out = image.Pixels.data();
    const std::size_t count = image.Pixels.size();
    for (std::size_t i = 0; i < count; ++i, in += 2) {
        const unsigned word = in[0] | in[1] << 8u;
        // round(word * 255 / 65535), exact for every 16-bit word
        out[i] = static_cast<std::uint8_t>((word * 255u + 32895u) >> 16);
    }
}

// DXT2 and DXT4 colours back from colour times alpha; pixels of alpha 0 keep theirs.
void StripPremultipliedAlpha(RgbaImage& image) {
    std::vector<std::uint8_t>& rgba = image.Pixels;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        const unsigned alpha = rgba[i + 3];
        if (alpha == 0) {
            continue; // no colour to recover
        }
        for (int c = 0; c < 3; ++c) {
            rgba[i + c] =
                static_cast<std::uint8_t>(std::min(255u, (rgba[i + c] * 255u + alpha / 2) / alpha));
        }
    }
}

// The top level into an image of its size.
void DecodeTopLevel(const std::uint8_t* top, const DdsLayout& layout, RgbaImage& decoded) {
    switch (layout.Format) {
    case DdsPixelFormat::Masked:
        DecodeMasked(top, layout, decoded);
        break;
    case DdsPixelFormat::Rg8:
        DecodeRg8(top, decoded);
        break;
    case DdsPixelFormat::Rgba16:
        DecodeRgba16(top, decoded);
        break;
    default:
        DecodeBlocks(top, static_cast<std::size_t>(layout.BlockBytes), DecoderFor(layout.Format),
                     decoded);
        break;
    }
    if (layout.Format == DdsPixelFormat::Bc3Rxgb) { // the red was stored in the alpha
        for (std::size_t i = 0; i < decoded.Pixels.size(); i += 4) {
            decoded.Pixels[i] = std::exchange(decoded.Pixels[i + 3], 255);
        }
    }
}

} // namespace

Outcome DecodeDds(const std::uint8_t* data, std::size_t size, bool stripPremultipliedAlpha,
                  RgbaImage& image) {
    DdsLayout layout;
    Problem why;
    if (ReadDdsLayout(data, size, layout, &why) != DdsProblem::None) {
        return why;
    }
    // Up to 1 GB for a 16384 x 16384 image, which a small machine may not have.
    return CatchingOutOfMemory([&]() -> Outcome {
        RgbaImage decoded(layout.Width, layout.Height, layout.HasAlpha);
        DecodeTopLevel(data + layout.DataOffset, layout, decoded);
        if (layout.Premultiplied && stripPremultipliedAlpha) {
            StripPremultipliedAlpha(decoded);
        }
        image = std::move(decoded);
        return {};
    });
}

} // namespace quillon
