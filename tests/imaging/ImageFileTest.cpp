// Image files by extension or content, and stb_image kept to what a file's declared size needs.
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/LargestAllocation.h"
#include "imaging/StbImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace quillon;

namespace {

// A PNG's chunk: its length, type and data; the check sum is left at 0 (stb_image does not read
// it).
std::vector<std::uint8_t> Chunk(const std::string& type, std::uint32_t length,
                                const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> chunk;
    for (int shift = 24; shift >= 0; shift -= 8) {
        chunk.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    for (const char c : type) {
        chunk.push_back(static_cast<std::uint8_t>(c));
    }
    chunk.insert(chunk.end(), data.begin(), data.end());
    chunk.resize(chunk.size() + 4, 0);
    return chunk;
}

} // namespace

// A small PNG whose image data chunk claims 1.6 GB made stb_image ask for it before it found the
// data missing; now no request goes beyond what 64 x 64 pixels need.
TEST(ImageFile, ADamagedPngAsksForNoMoreThanItsSizeNeeds) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::vector<std::uint8_t> header = {0, 0, 0, 64, 0, 0, 0, 64, 8, 6, 0, 0, 0};
    const auto ihdr = Chunk("IHDR", 13, header);
    png.insert(png.end(), ihdr.begin(), ihdr.end());
    const auto idat = Chunk("IDAT", 0x60000000, RandomBytes(512, 3));
    png.insert(png.end(), idat.begin(), idat.end());
    RgbaImage image;
    ResetLargestAllocation();
    const Outcome read = ReadImageBytes(png, "damaged.png", true, image);
    EXPECT_LT(LargestAllocation(), StbRequestLimit(64, 64, 4, png.size()));
    EXPECT_FALSE(read);
    EXPECT_EQ(read.Why().Text, "its data asks for more memory than a 64 x 64 image needs");
}

// An empty image data chunk before the real one (allowed, and written by some encoders) made
// stb_image copy zero bytes to a null pointer; it reads as the image (the sanitizers check the
// copy).
TEST(ImageFile, APngWithAnEmptyDataChunkReads) {
    const RgbaImage picture = MakeSeamMod(SampleKind::Skin, 9, 7, 3, 2);
    std::vector<std::uint8_t> png = StbEncode(picture, "png");
    ASSERT_FALSE(png.empty());
    const std::string type = "IDAT";
    const auto first = std::search(png.begin(), png.end(), type.begin(), type.end()) - 4;
    const auto empty = Chunk("IDAT", 0, {});
    png.insert(first, empty.begin(), empty.end());
    RgbaImage image;
    ASSERT_TRUE(ReadImageBytes(png, "empty-chunk.png", true, image));
    EXPECT_EQ(image.Pixels, picture.Pixels);
}

// The JPEG reader of stb_image 2.27 wrote past a Huffman table given more than its 256 codes (the
// fuzzer's find); such a file is refused, while JPEG files as encoders write them read.
TEST(ImageFile, AJpegHuffmanTableOfMoreThan256CodesIsRefused) {
    const RgbaImage picture = MakeSeamMod(SampleKind::Skin, 16, 16, 5, 2);
    const std::vector<std::uint8_t> jpeg = StbEncode(picture, "jpg");
    RgbaImage image;
    ASSERT_TRUE(ReadImageBytes(jpeg, "good.jpg", true, image));
    std::vector<std::uint8_t> table = {0xFF, 0xC4, 0x01, 0x53, 0x00}; // 2 + 17 + 320 bytes
    table.insert(table.end(), 16, 20); // 20 codes of each length: 320
    table.insert(table.end(), 320, 0);
    std::vector<std::uint8_t> damaged = jpeg;
    damaged.insert(damaged.begin() + 2, table.begin(), table.end());
    const Outcome read = ReadImageBytes(damaged, "damaged.jpg", true, image);
    EXPECT_EQ(read.Why().Text, "a Huffman table of the JPEG holds more than 256 codes");
    damaged.insert(damaged.begin(), 3, 0xFF); // fill bytes before the start, as stb_image allows
    EXPECT_EQ(ReadImageBytes(damaged, "filled.jpg", true, image).Why().Text, read.Why().Text);
}

// stb_image 2.27 widened 16-bit PNM samples to four channels as 8-bit ones and read past its
// buffer (the fuzzer's find): each sample keeps its high byte, as in 16-bit PNG files.
TEST(ImageFile, SixteenBitPnmFilesKeepTheHighByteOfEachSample) {
    const auto file = [](const std::string& header, std::vector<std::uint8_t> samples) {
        samples.insert(samples.begin(), header.begin(), header.end());
        return samples;
    };
    const auto rgb = file("P6\n2 1\n65535\n",
                          {0x12, 0x34, 0xFF, 0x00, 0x00, 0xFF, 0x80, 0x00, 0x7F, 0xFF, 0xAB, 0xCD});
    RgbaImage image;
    ASSERT_TRUE(ReadImageBytes(rgb, "wide.ppm", true, image));
    EXPECT_EQ(image.Pixels,
              (std::vector<std::uint8_t>{0x12, 0xFF, 0x00, 255, 0x80, 0x7F, 0xAB, 255}));
    ASSERT_TRUE(ReadImageBytes(file("P5\n1 2\n65535\n", {0x03, 0xE8, 0xF1, 0x02}), "wide.pgm", true,
                               image));
    EXPECT_EQ(image.Pixels, (std::vector<std::uint8_t>{3, 3, 3, 255, 0xF1, 0xF1, 0xF1, 255}));
    // The fuzzer's files: one sample of its three; a width that overflowed stb_image's int.
    EXPECT_TRUE(ReadImageBytes(file("P6\n1 1\n2555\n", {0xC8}), "cut.ppm", true, image));
    const Outcome wide =
        ReadImageBytes(file("P6\n2 9999999999\n255\n", {0xC8}), "x.ppm", true, image);
    EXPECT_EQ(wide.Why().Text, "a number in the PNM header is too large");
}

// stb_image 2.27 read a run-length coded HDR line cut short as zero counts forever; such a file is
// refused, a complete one reads.
TEST(ImageFile, AnHdrFileCutInsideACodedLineIsRefused) {
    std::string hdr = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 8\n";
    hdr += std::string{2, 2, 0, 8};
    for (const char mantissa : {'\x80', '\x40', '\x20', '\x81'}) { // a run of 8 a channel
        hdr += std::string{static_cast<char>(128 + 8), mantissa};
    }
    const auto bytes = [](const std::string& text) {
        return std::vector<std::uint8_t>(text.begin(), text.end());
    };
    RgbaImage image;
    const Outcome whole = ReadImageBytes(bytes(hdr), "sky.hdr", true, image);
    ASSERT_TRUE(whole) << whole.Why().Text;
    EXPECT_EQ(image.Width, 8);
    const Outcome cut =
        ReadImageBytes(bytes(hdr.substr(0, hdr.size() - 2)), "sky.hdr", true, image);
    EXPECT_EQ(cut.Why().Text, "the HDR file ends inside a run-length coded line");
}

TEST(ImageFile, TheReaderIsChosenByExtensionElseByContent) {
    const RgbaImage picture = Uniform(5, 3, {10, 20, 30, 255});
    const std::vector<std::uint8_t> dds = MakeDds(picture, Sample("a8r8g8b8").Format);
    const std::vector<std::uint8_t> bmp = MakeBmp(2, 1, 8, 1, {{1, 2, 3}}, {2, 0, 0, 1});
    struct Case {
        const char* Name;
        const std::vector<std::uint8_t>& Bytes;
        const char* Reason; // nullptr: read
    };
    const std::vector<std::uint8_t> none;
    const std::vector<std::uint8_t> junk = RandomBytes(300, 5);
    const Case cases[] = {
        {"texture.DDS", dds, nullptr},
        {"texture.bin", dds, nullptr}, // by content
        {"noextension", bmp, nullptr}, // a run-length BMP, by content
        {"folder.dds\\texture", bmp, nullptr},
        {"texture.png", dds, "not an image file Quillon reads"}, // the extension decides
        {"texture.tif", dds, ".TIF files are not read"},
        {"texture.png", none, "the file is empty"},
        {"texture.dds", none, "the file is empty"},
        {"texture.dds", junk, "not a DDS file: it does not start with \"DDS \""},
        {"texture.jpg", junk, "not an image file Quillon reads"},
    };
    for (const Case& c : cases) {
        RgbaImage image;
        const Outcome read = ReadImageBytes(c.Bytes, c.Name, true, image);
        EXPECT_EQ(static_cast<bool>(read), c.Reason == nullptr) << c.Name;
        EXPECT_EQ(read.Why().Text, c.Reason ? c.Reason : "") << c.Name;
    }
}
