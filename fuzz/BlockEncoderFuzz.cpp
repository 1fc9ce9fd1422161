// Random pixel blocks to each block encoder. A decoded block is never worse, in squared error,
// than the solid block of the input's mean colour encoded the same way; DXT1 stays opaque; BC7
// keeps a block of one alpha exactly; and a small image made of the input encodes to the same
// bytes on one thread and on two.
//
// Input: 64 bytes of one block (RGBA8, 16 pixels row by row); bytes after that, if any, make the
// image: its width and height from the next two, its pixels the whole input repeated.
#include "imaging/Bc1Encoder.h"
#include "imaging/Bc3Encoder.h"
#include "imaging/Bc7Decoder.h"
#include "imaging/Bc7Encoder.h"
#include "imaging/BlockDecoders.h"
#include "imaging/BlockEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace quillon;

namespace {

struct Encoder {
    void (*Encode)(const std::uint8_t* rgba, std::uint8_t* block);
    void (*Decode)(const std::uint8_t* block, std::uint8_t* rgba);
    int First, Last; // the channels it is measured on
};

// The project's decoders for a lone block.
void Bc1Decode(const std::uint8_t* block, std::uint8_t* rgba) {
    DecodeBc1Block(block, rgba);
}
void Bc3Decode(const std::uint8_t* block, std::uint8_t* rgba) {
    DecodeBc3Block(block, rgba);
}
void Bc7Decode(const std::uint8_t* block, std::uint8_t* rgba) {
    DecodeBc7Block(block, rgba);
}

void Bc1Opaque(const std::uint8_t* rgba, std::uint8_t* block) {
    EncodeBc1Block(rgba, block, Bc1Colours::OpaqueDxt1);
}
void Bc1Four(const std::uint8_t* rgba, std::uint8_t* block) {
    EncodeBc1Block(rgba, block, Bc1Colours::FourOnly);
}
void Bc1FourDecode(const std::uint8_t* block, std::uint8_t* rgba) {
    // A BC3 block of opaque alpha around the colour half reads it with four colours.
    std::uint8_t whole[16] = {255, 255};
    std::memcpy(whole + 8, block, 8);
    Bc3Decode(whole, rgba);
}
void Bc3Alpha(const std::uint8_t* rgba, std::uint8_t* block) {
    EncodeBc3AlphaBlock(rgba, block);
}
void Bc3AlphaDecode(const std::uint8_t* block, std::uint8_t* rgba) {
    std::uint8_t whole[16] = {};
    std::memcpy(whole, block, 8);
    Bc3Decode(whole, rgba);
}

constexpr Encoder Encoders[] = {
    {Bc1Opaque, Bc1Decode, 0, 3},      {Bc1Four, Bc1FourDecode, 0, 3},
    {Bc3Alpha, Bc3AlphaDecode, 3, 4},  {EncodeBc3Block, Bc3Decode, 0, 4},
    {EncodeBc7Block, Bc7Decode, 0, 4},
};

int Error(const std::uint8_t* a, const std::uint8_t* b, int first, int last) {
    int sum = 0;
    for (int i = 0; i < 64; ++i) {
        if (i % 4 >= first && i % 4 < last) {
            sum += (a[i] - b[i]) * (a[i] - b[i]);
        }
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 64) {
        return 0;
    }
    std::uint8_t pixels[64], solid[64], mean[4], block[16], decoded[64];
    std::memcpy(pixels, data, 64);
    BlockMeanColour(pixels, mean);
    for (int i = 0; i < 64; ++i) {
        solid[i] = mean[i % 4];
    }
    for (const Encoder& encoder : Encoders) {
        encoder.Encode(pixels, block);
        encoder.Decode(block, decoded);
        const int error = Error(pixels, decoded, encoder.First, encoder.Last);
        if (encoder.Decode == Bc1Decode) {
            for (int i = 3; i < 64; i += 4) {
                if (decoded[i] != 255) {
                    std::abort(); // DXT1 output must stay opaque
                }
            }
        }
        encoder.Encode(solid, block);
        encoder.Decode(block, decoded);
        if (error > Error(pixels, decoded, encoder.First, encoder.Last)) {
            std::abort(); // worse than the block of the mean colour
        }
    }

    // BC7 keeps a block of one alpha exactly: the input's colours under its first alpha.
    std::uint8_t flat[64];
    std::memcpy(flat, pixels, 64);
    for (int i = 3; i < 64; i += 4) {
        flat[i] = pixels[3];
    }
    EncodeBc7Block(flat, block);
    Bc7Decode(block, decoded);
    for (int i = 3; i < 64; i += 4) {
        if (decoded[i] != pixels[3]) {
            std::abort(); // one alpha in, another out
        }
    }

    if (size < 66) {
        return 0;
    }
    static TaskPool one(1), two(2);
    RgbaImage image(1 + data[64] % 40, 1 + data[65] % 40);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        image.Pixels[i] = data[i % size];
    }
    for (const BlockFormat format : {BlockFormat::BC1, BlockFormat::BC3, BlockFormat::BC7}) {
        if (EncodeBlocks(image, format, one) != EncodeBlocks(image, format, two)) {
            std::abort(); // the thread count changed the bytes
        }
    }
    return 0;
}
