// The imaging tests whose oracle is Pillow (/usr/bin/python3), a Linux program: built for Linux
// only. The DDS reader on random blocks and on every layout Pillow decodes, the BMP files we read
// ourselves, and the BC7 blocks our encoder writes.
#include "imaging/Bc7Decoder.h"
#include "imaging/BlockEncoding.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsReader.h"
#include "imaging/DdsWriter.h"
#include "imaging/EncoderTestImages.h"
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/PillowDecoder.h"
#include "samples/SampleDds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace quillon;

namespace {

// Samples where our pixels and Pillow's differ (all of them if the sizes do); BC5's blue left out
// where Pillow leaves it at 0.
int Mismatches(const std::vector<std::uint8_t>& ours, const std::vector<std::uint8_t>& pillow,
               bool compareBlue = true) {
    if (ours.size() != pillow.size()) {
        return static_cast<int>(std::max(ours.size(), pillow.size()));
    }
    int mismatches = 0;
    for (std::size_t p = 0; p < ours.size(); ++p) {
        mismatches += (compareBlue || p % 4 != 2) && ours[p] != pillow[p];
    }
    return mismatches;
}

// Our DDS reader against Pillow: random BC4, BC5 and BC7 blocks of every mode, and the sample
// file of every layout Pillow decodes. Signed BC5 is left out: Pillow 9.4 mixes ranges there
// (interpolated values on 63..191, the six-value mode's extremes at 0 and 255), so it is checked
// by hand in the reader's tests.
TEST(DdsReader, RandomBlocksAndEveryLayoutPillowDecodesMatchIt) {
    struct Case {
        std::string Name;
        bool CompareBlue = true; // Pillow leaves BC5's blue at 0
        int HasAlpha = -1;       // the sample files': 0 or 1
    };
    std::vector<Case> cases;
    std::vector<std::vector<std::uint8_t>> files;
    // Random blocks in a file 16 pixels wide: four blocks a row.
    const auto random = [&](const std::string& name, const SampleDdsFormat& format,
                            std::size_t blockBytes, std::vector<std::uint8_t> blocks, bool blue) {
        files.push_back(
            MakeDdsHeader(16, static_cast<std::uint32_t>(blocks.size() / blockBytes), format));
        files.back().insert(files.back().end(), blocks.begin(), blocks.end());
        cases.push_back({name, blue});
    };
    random("ATI1", FourCCFormat(FOURCC_ATI1), 8, RandomBytes(8 * 4 * 64, 21), true);
    random("ATI2", FourCCFormat(FOURCC_ATI2), 16, RandomBytes(16 * 4 * 64, 22), false);
    for (int mode = 0; mode < 8; ++mode) {
        std::vector<std::uint8_t> blocks = RandomBytes(16 * 4 * 128, 30 + mode);
        for (std::size_t at = 0; at < blocks.size(); at += 16) {
            // The mode is the lowest set bit of the first byte.
            blocks[at] =
                static_cast<std::uint8_t>(((blocks[at] >> (mode + 1)) << (mode + 1)) | (1 << mode));
        }
        random("BC7 mode " + std::to_string(mode), Dx10Format(DXGI_FORMAT_BC7_UNORM), 16, blocks,
               true);
    }
    const std::tuple<std::vector<const char*>, bool, bool> layouts[] = {
        // alpha, blue compared
        {{"dxt1", "dxt3", "dxt5", "a8r8g8b8", "a8b8g8r8", "a8l8", "dx10-bc7", "dx10-bc7-srgb",
          "dx10-r8g8b8a8", "dx10-r8g8b8a8-srgb"},
         true,
         true},
        {{"ati1", "r8g8b8", "l8"}, false, true},
        {{"ati2", "dx10-bc5"}, false, false},
    };
    for (const auto& [samples, alpha, blue] : layouts) {
        for (const char* sample : samples) {
            files.push_back(MakeDds(TestImage(), Sample(sample).Format));
            cases.push_back({sample, blue, alpha});
        }
    }
    const auto expected = DecodeWithPillow(files);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].Name);
        RgbaImage ours;
        ASSERT_TRUE(DecodeDds(files[i].data(), files[i].size(), true, ours));
        EXPECT_EQ(Mismatches(ours.Pixels, expected[i], cases[i].CompareBlue), 0);
        EXPECT_TRUE(cases[i].HasAlpha < 0 || ours.HasAlpha == (cases[i].HasAlpha == 1));
    }
}

// The BMP variants we read ourselves read as Pillow reads them: run-length codes of 8 and 4 bits
// (runs, rows ended early, indices as they are), and true-colour pixels behind a palette. Pillow
// 9.4 drops the last of an odd count of 4-bit indices, misreads moves and refuses codes that end
// before the last row, so the counts are even and the rest is checked by hand (BmpReaderTest.cpp).
TEST(BmpReader, RunLengthAndPaletteFilesReadAsPillowReadsThem) {
    std::vector<std::array<std::uint8_t, 3>> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back({static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i)});
    }
    const std::vector<std::array<std::uint8_t, 3>> sixteen(palette.begin(), palette.begin() + 16);
    std::vector<std::uint8_t> rle8, rle4, rows24, rows32;
    for (int row = 0; row < 6; ++row) { // rows of 9: a run, indices as they are, a row cut short
        const auto index = static_cast<std::uint8_t>(row * 40 + 3);
        rle8.insert(rle8.end(), {4, index, 0, 3, static_cast<std::uint8_t>(index + 1), 7, 200, 0});
        rle8.insert(rle8.end(), {static_cast<std::uint8_t>(row % 3 + 1), 9, 0, 0});
        rle4.insert(rle4.end(), {5, static_cast<std::uint8_t>(row * 17 + 1), 0, 4, 0x9A, 0xBC});
        rle4.insert(rle4.end(), {static_cast<std::uint8_t>(row % 3 + 1), 0x5E, 0, 0});
    }
    rle8.insert(rle8.end(), {9, 77, 0, 1}); // the top row one run, then the end
    for (int row = 0; row < 6; ++row) {
        for (int x = 0; x < 9; ++x) {
            const auto b = static_cast<std::uint8_t>(x * 25),
                       g = static_cast<std::uint8_t>(row * 40);
            rows24.insert(rows24.end(), {b, g, 200});
            rows32.insert(rows32.end(), {b, g, 200, 0});
        }
        rows24.resize(rows24.size() + 1); // rows of 27 bytes padded to 28
    }
    const std::vector<std::vector<std::uint8_t>> files = {
        MakeBmp(9, 7, 8, 1, palette, rle8),
        MakeBmp(9, 6, 4, 2, sixteen, rle4),
        MakeBmp(9, 6, 24, 0, palette, rows24),
        MakeBmp(9, 6, 32, 0, palette, rows32),
    };
    const auto expected = DecodeWithPillow(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        RgbaImage image;
        const Outcome read = ReadImageBytes(files[i], "file.bmp", true, image);
        ASSERT_TRUE(read) << read.Why().Text;
        EXPECT_EQ(image.Pixels, expected[i]);
    }
}

// The BC7 blocks the encoder writes for images on which every mode turns up read the same in
// Pillow as in the reference decoder the encoder's own tests use; opaque textures saved as BC7
// (the writer's DX10 file) stay opaque in Pillow, texel for texel.
TEST(BlockEncoderTest, Bc7BlocksReadTheSameInPillowAndOpaqueStaysOpaque) {
    TaskPool pool(2);
    const std::vector<Bc7ModeCase> cases = Bc7ModeCases();
    const std::vector<RgbaImage> opaque = OpaqueImages();
    std::vector<std::vector<std::uint8_t>> streams, files;
    for (const Bc7ModeCase& c : cases) {
        streams.push_back(EncodeBlocks(c.Image, BlockFormat::BC7, pool));
        files.push_back(MakeDdsHeader(64, 64, Dx10Format(DXGI_FORMAT_BC7_UNORM)));
        files.back().insert(files.back().end(), streams.back().begin(), streams.back().end());
    }
    for (const RgbaImage& image : opaque) {
        files.push_back(EncodeDds(image, TextureFormat::BC7, pool));
    }
    const auto pillow = DecodeWithPillow(files);
    for (std::size_t n = 0; n < cases.size(); ++n) {
        SCOPED_TRACE(cases[n].Name);
        const RgbaImage ours = DecodeImage(streams[n], 64, 64, BlockFormat::BC7);
        EXPECT_EQ(Mismatches(ours.Pixels, pillow[n]), 0) << "Pillow reads the blocks differently";
    }
    for (std::size_t n = 0; n < opaque.size(); ++n) {
        SCOPED_TRACE(n);
        RgbaImage theirs(64, 64);
        ASSERT_EQ(pillow[cases.size() + n].size(), theirs.Pixels.size());
        theirs.Pixels = pillow[cases.size() + n];
        EXPECT_EQ(Translucent(theirs), 0);
    }
}

} // namespace
