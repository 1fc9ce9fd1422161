// The DDS reader on whole files: by hand from known colours the layouts Pillow does not decode
// (those it does are checked against it in OracleTest.cpp), the header's fields, the formats it
// refuses, and damaged files, which must fail without a crash and without allocating more than
// the image.
#include "imaging/DdsReader.h"
#include "imaging/DdsFormat.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/LargestAllocation.h"
#include "samples/SampleDds.h"
#include "samples/SampleImages.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quillon;

namespace {

TEST(DdsReader, LayoutsBuiltByHandFromKnownColours) {
    struct Case {
        std::vector<const char*> Samples;
        std::vector<std::uint8_t> Data; // two pixels, or one 4 x 4 block
        std::vector<int> Expected;      // the first two pixels of the top row
        bool HasAlpha;
    };
    const std::vector<std::uint8_t> dxt1 = {0x00, 0xF8, 0x1F, 0x00, 0x04, 0, 0, 0}; // red, blue
    std::vector<std::uint8_t> bc2 = {0xF3, 0, 0, 0, 0, 0, 0, 0};
    bc2.insert(bc2.end(), dxt1.begin(), dxt1.end());
    std::vector<std::uint8_t> bc3 = {10, 10, 0, 0, 0, 0, 0, 0};
    bc3.insert(bc3.end(), dxt1.begin(), dxt1.end());
    const std::vector<std::uint8_t> bc4 = {0x7F, 0x81, 0x08, 0, 0, 0, 0, 0}; // first, second
    const std::vector<std::uint8_t> bc5 = {255, 255, 0, 0, 0, 0, 0, 0, 128, 128, 0, 0, 0, 0, 0, 0};
    // Signed X of 127 then -128, signed Y of 0: the same vectors as 255, 0 and 128 unsigned.
    const std::vector<std::uint8_t> bc5s = {0x7F, 0x80, 0x08, 0, 0, 0, 0, 0,
                                            0,    0,    0,    0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> rxgb = {200,  200,  0,    0,    0, 0, 0, 0,
                                            0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    const std::vector<int> redBlue = {255, 0, 0, 255, 0, 0, 255, 255};
    const std::vector<std::uint8_t> wide = {0xFF, 0xFF, 0,    0,    0,    0x80, 0x01, 0x01,
                                            0xFF, 0,    0x34, 0x12, 0xCD, 0xAB, 0xFF, 0xFF};
    const std::vector<int> wideColours = {255, 0, 128, 1, 1, 18, 171, 255};
    const std::vector<std::uint8_t> r5g6b5 = {0x00, 0xF8, 0x10, 0x84};
    const std::vector<std::uint8_t> a1r5g5b5 = {0x10, 0xC2, 0x10, 0x42};
    const std::vector<std::uint8_t> a4r4g4b4 = {0x34, 0x12, 0xA5, 0xF0};
    const std::vector<std::uint8_t> bgra = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<std::uint8_t> r10g10b10a2 = {0xFF, 0x03, 0x20, 0xA0, 0, 0, 0, 0};
    // Each row's layouts, classic and DX10 alike, read its data as the same pixels.
    const Case cases[] = {
        {{"dx10-bc1", "dx10-bc1-srgb"}, dxt1, redBlue, true},
        {{"dx10-bc2"}, bc2, {255, 0, 0, 51, 0, 0, 255, 255}, true},
        {{"dx10-bc3"}, bc3, {255, 0, 0, 10, 0, 0, 255, 10}, true},
        {{"rxgb"}, rxgb, {200, 255, 255, 255, 200, 255, 255, 255}, false},
        {{"bc4u", "dx10-bc4"}, bc4, {127, 127, 127, 255, 129, 129, 129, 255}, false},
        {{"bc4s", "dx10-bc4-snorm"}, bc4, {255, 255, 255, 255, 1, 1, 1, 255}, false},
        {{"bc5u"}, bc5, {255, 128, 128, 255, 255, 128, 128, 255}, false},
        {{"bc5s", "dx10-bc5-snorm"}, bc5s, {255, 128, 128, 255, 0, 128, 128, 255}, false},
        {{"a16b16g16r16", "dx10-r16g16b16a16"}, wide, wideColours, true},
        {{"x8r8g8b8"}, {1, 2, 3, 99, 4, 5, 6, 0}, {3, 2, 1, 255, 6, 5, 4, 255}, false},
        {{"dx10-b8g8r8a8", "dx10-b8g8r8a8-srgb"}, bgra, {3, 2, 1, 4, 7, 6, 5, 8}, true},
        {{"dx10-b8g8r8x8"}, bgra, {3, 2, 1, 255, 7, 6, 5, 255}, false},
        {{"r5g6b5", "dx10-b5g6r5"}, r5g6b5, {255, 0, 0, 255, 132, 130, 132, 255}, false},
        {{"x1r5g5b5"}, a1r5g5b5, {132, 132, 132, 255, 132, 132, 132, 255}, false},
        {{"a1r5g5b5", "dx10-b5g5r5a1"}, a1r5g5b5, {132, 132, 132, 255, 132, 132, 132, 0}, true},
        {{"a4r4g4b4", "dx10-b4g4r4a4"}, a4r4g4b4, {34, 51, 68, 17, 0, 170, 85, 255}, true},
        {{"a8", "dx10-a8"}, {0x40, 0xFF}, {0, 0, 0, 0x40, 0, 0, 0, 255}, true},
        {{"dx10-r8"}, {0x33, 0xC0}, {0x33, 0x33, 0x33, 255, 0xC0, 0xC0, 0xC0, 255}, false},
        {{"l16"}, {0x00, 0x80, 0xFF, 0xFF}, {128, 128, 128, 255, 255, 255, 255, 255}, false},
        {{"dx10-r8g8"}, {255, 128, 128, 128}, {255, 128, 128, 255, 128, 128, 255, 255}, false},
        {{"dx10-r10g10b10a2"}, r10g10b10a2, {255, 0, 128, 170, 0, 0, 0, 0}, true},
    };
    for (const Case& c : cases) {
        for (const std::string name : c.Samples) {
            SCOPED_TRACE(name);
            const bool block = name.find("bc") != std::string::npos || name == "rxgb";
            std::vector<std::uint8_t> file =
                MakeDdsHeader(block ? 4 : 2, block ? 4 : 1, Sample(name).Format);
            file.insert(file.end(), c.Data.begin(), c.Data.end());
            RgbaImage image;
            ASSERT_TRUE(DecodeDds(file.data(), file.size(), true, image));
            EXPECT_EQ(std::vector<int>(image.Pixels.begin(), image.Pixels.begin() + 8), c.Expected);
            EXPECT_EQ(image.HasAlpha, c.HasAlpha);
        }
    }
}

// Every layout loads whole; cut at any eighth it fails, allocating nothing near the image's size.
TEST(DdsReader, EveryLayoutLoadsWholeAndFailsCutAndPremultipliedColoursFollowTheRule) {
    for (const NamedSampleFormat& sample : SampleDdsFormats()) {
        SCOPED_TRACE(sample.Name);
        const std::vector<std::uint8_t> file = MakeDds(TestImage(), sample.Format);
        RgbaImage image;
        EXPECT_TRUE(DecodeDds(file.data(), file.size(), true, image));
        EXPECT_EQ(image.Width * 10 + image.Height, 97);
        for (std::size_t eighth = 0; eighth < 8; ++eighth) {
            const std::vector<std::uint8_t> cut(file.begin(),
                                                file.begin() + file.size() * eighth / 8);
            ResetLargestAllocation();
            EXPECT_FALSE(DecodeDds(cut.data(), cut.size(), true, image)) << eighth << "/8";
            EXPECT_LT(LargestAllocation(), 4096u);
        }
    }
    // DXT4 of (132, 65, 66) at alpha 136, exact in a DXT5 block: divided, or as stored.
    std::vector<std::uint8_t> file = MakeDdsHeader(4, 4, FourCCFormat(FOURCC_DXT4));
    const std::uint8_t block[16] = {136, 136, 0, 0, 0, 0, 0, 0, 0x08, 0x82, 0x08, 0x82, 0, 0, 0, 0};
    file.insert(file.end(), block, block + 16);
    for (const bool strip : {true, false}) {
        RgbaImage image;
        ASSERT_TRUE(DecodeDds(file.data(), file.size(), strip, image));
        const std::vector<int> expected =
            strip ? std::vector<int>{248, 122, 124, 136} : std::vector<int>{132, 65, 66, 136};
        EXPECT_EQ(std::vector<int>(image.Pixels.begin(), image.Pixels.begin() + 4), expected);
    }
}

TEST(DdsReader, HeaderFields) {
    const SampleDdsFormat bc7 = Dx10Format(DXGI_FORMAT_BC7_UNORM);
    const SampleDdsFormat rgb = Sample("r8g8b8").Format;
    struct Case {
        const char* What;
        std::uint32_t Width, Height;
        SampleDdsFormat Format;
        SampleDdsHeader Fields;
        int MipCount;
        std::size_t DataOffset;
        std::uint64_t TopLevelBytes;
    };
    SampleDdsHeader mips;
    mips.Flags |= DDSD_MIPMAPCOUNT;
    mips.MipMapCount = 6;
    SampleDdsHeader zeroMips = mips;
    zeroMips.MipMapCount = 0;
    SampleDdsHeader unflagged;
    unflagged.MipMapCount = 6;
    const Case cases[] = {
        {"DX10 BC7", 9, 7, bc7, {}, 1, 148, 3 * 2 * 16},
        {"six levels declared, none stored", 33, 20, bc7, mips, 6, 148, 9 * 5 * 16},
        {"a count of 0", 8, 8, rgb, zeroMips, 1, 128, 8 * 8 * 3},
        {"a count without its flag", 8, 8, rgb, unflagged, 1, 128, 8 * 8 * 3},
        {"one pixel of BC1", 1, 1, FourCCFormat(FOURCC_DXT1), {}, 1, 128, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::uint8_t> file = MakeDdsHeader(c.Width, c.Height, c.Format, c.Fields);
        file.resize(file.size() + c.TopLevelBytes);
        DdsLayout layout;
        ASSERT_EQ(ReadDdsLayout(file.data(), file.size(), layout), DdsProblem::None);
        EXPECT_EQ(layout.MipCount, c.MipCount);
        EXPECT_EQ(layout.DataOffset, c.DataOffset);
        EXPECT_EQ(layout.TopLevelBytes, c.TopLevelBytes);
        EXPECT_EQ(layout.Dx10, c.Format.FourCC == FOURCC_DX10);
        file.pop_back(); // a byte short of the top level
        EXPECT_EQ(ReadDdsLayout(file.data(), file.size(), layout), DdsProblem::Truncated);
    }
}

TEST(DdsReader, FormatsItDoesNotDecodeAreRefusedByName) {
    std::vector<std::pair<SampleDdsFormat, const char*>> refused = {
        {Dx10Format(DXGI_FORMAT_BC6H_UF16), "BC6H textures are not supported"},
        {Dx10Format(DXGI_FORMAT_YUY2), "YUY2 textures are not supported"},
        {Dx10Format(1000), "DXGI format 1000 is not a format Quillon reads"},
        {FourCCFormat(D3DFMT_A16B16G16R16F), "A16B16G16R16F textures are not supported"},
        {FourCCFormat(MakeFourCC('U', 'Y', 'V', 'Y')),
         "the FourCC \"UYVY\" is not a format Quillon reads"},
        {MaskedFormat(DDPF_RGB, 12, {0xF00, 0xF0, 0xF, 0}), "pixels of 12 bits are not supported"},
        {MaskedFormat(DDPF_RGB, 32, {}), "its bit masks pick no channel from its pixels"},
    };
    // Floats, video, depth and palettes, and a pixel format of no kind, refused for some reason.
    for (const SampleDdsFormat& format :
         {Dx10Format(DXGI_FORMAT_BC6H_TYPELESS), Dx10Format(DXGI_FORMAT_BC6H_SF16),
          Dx10Format(DXGI_FORMAT_R32G32B32A32_FLOAT), Dx10Format(DXGI_FORMAT_R16G16B16A16_FLOAT),
          Dx10Format(DXGI_FORMAT_NV12), Dx10Format(DXGI_FORMAT_D32_FLOAT),
          Dx10Format(DXGI_FORMAT_D24_UNORM_S8_UINT), Dx10Format(DXGI_FORMAT_UNKNOWN),
          FourCCFormat(D3DFMT_R16F), FourCCFormat(D3DFMT_G16R16F), FourCCFormat(D3DFMT_R32F),
          FourCCFormat(D3DFMT_G32R32F), FourCCFormat(D3DFMT_A32B32G32R32F),
          MaskedFormat(0x20, 8, {}), // DDPF_PALETTEINDEXED8
          MaskedFormat(0, 32, {0xFF0000, 0xFF00, 0xFF, 0})}) {
        refused.emplace_back(format, nullptr);
    }
    for (const auto& [format, reason] : refused) {
        std::vector<std::uint8_t> file = MakeDdsHeader(4, 4, format);
        file.resize(file.size() + 4 * 4 * 16);
        DdsLayout layout;
        Problem why;
        EXPECT_EQ(ReadDdsLayout(file.data(), file.size(), layout, &why), DdsProblem::Unsupported)
            << why.Text;
        EXPECT_FALSE(why.Text.empty());
        if (reason != nullptr) {
            EXPECT_EQ(why.Text, reason);
        }
    }
}

// A widely used Python imaging library wrote 8-bit luminance with the mask 0xFF000000, beyond the
// pixel: the byte is the grey, as other readers take it. A luminance mask inside the pixel counts.
TEST(DdsReader, EightBitLuminanceWithAMaskBeyondItsBitsIsGrey) {
    for (const auto& [mask, expected] :
         {std::pair<std::uint32_t, std::vector<int>>{0xFF000000, {0x33, 0x33, 0x33, 255, 0xC0}},
          {0xFF00, {0x33, 0x33, 0x33, 255, 0xC0}},
          {0xF0, {0x33, 0x33, 0x33, 255, 0xCC}}}) {
        std::vector<std::uint8_t> file =
            MakeDdsHeader(2, 1, MaskedFormat(DDPF_LUMINANCE, 8, {mask, mask, mask, 0}));
        file.insert(file.end(), {0x33, 0xC0});
        RgbaImage image;
        ASSERT_TRUE(DecodeDds(file.data(), file.size(), true, image)) << mask;
        EXPECT_EQ(std::vector<int>(image.Pixels.begin(), image.Pixels.begin() + 5), expected)
            << mask;
        EXPECT_FALSE(image.HasAlpha);
    }
}

// The five layouts of the crashing cube maps, and a flat file of each.
std::vector<std::pair<const char*, SampleDdsFormat>> CubeLayouts() {
    return {{"ATI1", FourCCFormat(FOURCC_ATI1)},
            {"ATI2", FourCCFormat(FOURCC_ATI2)},
            {"L8", Sample("l8").Format},
            {"R32F", FourCCFormat(D3DFMT_R32F)},
            {"A16B16G16R16", FourCCFormat(D3DFMT_A16B16G16R16)}};
}

TEST(DdsReader, DamagedFilesFailWithoutAllocating) {
    struct Case {
        std::string What;
        std::vector<std::uint8_t> File;
        DdsProblem Problem;
        std::string Reason = ""; // the reason given, where the case pins it
    };
    std::vector<Case> cases;
    for (const auto& [name, format] : CubeLayouts()) {
        SampleDdsHeader cube; // two faces of six, as in the files that crashed the old library
        cube.Caps2 = DDSCAPS2_CUBEMAP | 0x400 | 0x800;
        std::vector<std::uint8_t> file = MakeDdsHeader(16, 16, format, cube);
        file.resize(384);
        cases.push_back({std::string("partial cube map, ") + name, file, DdsProblem::NotFlat,
                         "cube maps are not flat textures"});
    }
    SampleDdsHeader fields;
    auto add = [&](const std::string& what, std::uint32_t width, std::uint32_t height,
                   const SampleDdsFormat& format, DdsProblem problem, std::size_t size = 384,
                   const std::string& reason = "") {
        std::vector<std::uint8_t> file = MakeDdsHeader(width, height, format, fields);
        file.resize(std::max(size, file.size()));
        cases.push_back({what, file, problem, reason});
        fields = {};
    };
    const SampleDdsFormat l8 = Sample("l8").Format, bc1 = FourCCFormat(FOURCC_DXT1);
    fields.Flags |= DDSD_DEPTH;
    fields.Caps2 = DDSCAPS2_VOLUME;
    fields.Depth = 1600000000;
    add("a depth of 1.6e9 with its flag", 16, 16, l8, DdsProblem::BadDimensions);
    fields.Flags |= DDSD_DEPTH;
    fields.Caps2 = DDSCAPS2_VOLUME;
    fields.Depth = 2;
    add("a volume of two slices", 16, 8, l8, DdsProblem::NotFlat, 384,
        "volume textures are not flat textures");
    fields.MiscFlag = DDS_RESOURCE_MISC_TEXTURECUBE;
    add("a DX10 cube", 8, 8, Dx10Format(DXGI_FORMAT_R8_UNORM), DdsProblem::NotFlat);
    fields.ArraySize = 2;
    add("a DX10 array", 8, 8, Dx10Format(DXGI_FORMAT_R8_UNORM), DdsProblem::NotFlat, 384,
        "texture arrays are not flat textures");
    fields.ArraySize = 0;
    add("a DX10 array of none", 8, 8, Dx10Format(DXGI_FORMAT_R8_UNORM), DdsProblem::BadDimensions);
    fields.ArraySize = 0xFFFFFFFF;
    add("a DX10 array of 2^32 - 1", 8, 8, Dx10Format(DXGI_FORMAT_R8_UNORM), DdsProblem::NotFlat);
    fields.ResourceDimension = D3D10_RESOURCE_DIMENSION_TEXTURE3D;
    fields.Depth = 0xFFFFFFFF;
    add("a DX10 volume of 2^32 - 1", 8, 8, Dx10Format(DXGI_FORMAT_R8_UNORM),
        DdsProblem::BadDimensions);
    fields.ResourceDimension = D3D10_RESOURCE_DIMENSION_BUFFER;
    add("a DX10 buffer", 8, 8, Dx10Format(DXGI_FORMAT_R8_UNORM), DdsProblem::Unsupported);
    add("a width of 0", 0, 8, bc1, DdsProblem::BadDimensions);
    add("a width of 16385", 16385, 8, bc1, DdsProblem::BadDimensions, 384,
        "its size of 16,385 x 8 pixels is outside 1 to 16,384 a side");
    add("2^16 x 2^16, 2^32 pixels", 65536, 65536, bc1, DdsProblem::BadDimensions);
    add("a width of 2^32 - 1", 0xFFFFFFFF, 1, l8, DdsProblem::BadDimensions);
    add("16384 x 16384 of 8 bytes a pixel: 2^31 bytes", 16384, 16384,
        FourCCFormat(D3DFMT_A16B16G16R16), DdsProblem::Truncated, 384,
        "the file ends at byte 384 of 2,147,483,776");
    add("16384 x 16384 of BC7: 2^28 bytes", 16384, 16384, Dx10Format(DXGI_FORMAT_BC7_UNORM),
        DdsProblem::Truncated);
    fields.Flags |= DDSD_MIPMAPCOUNT;
    fields.MipMapCount = 0xFFFFFFFF;
    add("a mip count of 2^32 - 1", 16, 16, l8, DdsProblem::BadDimensions);
    fields.Flags |= DDSD_MIPMAPCOUNT;
    fields.MipMapCount = 16;
    add("16 levels of a 16384 edge", 16384, 1, l8, DdsProblem::BadDimensions, 20000);
    fields.Flags |= DDSD_MIPMAPCOUNT;
    fields.MipMapCount = 6;
    add("6 levels of a 31 edge", 31, 1, l8, DdsProblem::BadDimensions, 384,
        "it declares 6 mip levels where 31 x 1 has at most 5");
    add("the DX10 header cut off", 4, 4, Dx10Format(DXGI_FORMAT_R8_UNORM), DdsProblem::Truncated,
        140);
    std::vector<std::uint8_t> badSize = MakeDdsHeader(4, 4, l8);
    badSize[4] = 100;
    badSize.resize(384);
    cases.push_back({"a header size of 100", badSize, DdsProblem::NotDds});
    cases.push_back({"no magic", std::vector<std::uint8_t>(384, 'D'), DdsProblem::NotDds,
                     "not a DDS file: it does not start with \"DDS \""});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        DdsLayout layout;
        Problem why;
        EXPECT_EQ(ReadDdsLayout(c.File.data(), c.File.size(), layout, &why), c.Problem);
        EXPECT_TRUE(c.Reason.empty() || why.Text == c.Reason) << why.Text;
        RgbaImage image(1, 1);
        ResetLargestAllocation();
        const Outcome decoded = DecodeDds(c.File.data(), c.File.size(), true, image);
        EXPECT_LT(LargestAllocation(), 4096u);
        EXPECT_FALSE(decoded);
        EXPECT_EQ(decoded.Why().Text, why.Text) << "the decoder gives the header's reason";
        EXPECT_EQ(image.Width * 10 + image.Height, 11) << "the image was touched";
    }
}

TEST(DdsReader, FieldsTheGameIgnoresDoNotMatter) {
    // The old library spun or crashed on these; the game reads them as the flat texture that
    // width, height and format describe, and so do we: the depth counts only with DDSD_DEPTH and
    // DDSCAPS2_VOLUME, pitch and linear size are never trusted, and only the top level must be
    // there.
    const RgbaImage source = TestImage();
    struct Case {
        const char* What;
        SampleDdsHeader Fields;
        std::size_t Extra = 0;
    };
    SampleDdsHeader depth, volumeCapOnly, linear, pitch, mips, flatVolume;
    depth.Depth = 1600000000;
    volumeCapOnly.Depth = 1600000000;
    volumeCapOnly.Caps2 = DDSCAPS2_VOLUME;
    linear.Flags |= DDSD_LINEARSIZE;
    linear.PitchOrLinearSize = 0xFFFFFFF0;
    pitch.Flags |= DDSD_PITCH;
    pitch.PitchOrLinearSize = 0x80000000;
    mips.Flags |= DDSD_MIPMAPCOUNT;
    mips.MipMapCount = 4;
    flatVolume.Flags |= DDSD_DEPTH;
    flatVolume.Caps2 = DDSCAPS2_VOLUME;
    flatVolume.Depth = 1;
    const Case cases[] = {
        {"an unflagged depth of 1.6e9", depth},
        {"a depth of 1.6e9 with the volume cap but not the flag", volumeCapOnly},
        {"a linear size of 4 GB", linear},
        {"a pitch of 2 GB", pitch},
        {"four levels declared, one stored", mips},
        {"a volume of one slice", flatVolume},
        {"trailing bytes", {}, 1000},
    };
    for (const auto& [name, format] : CubeLayouts()) {
        if (name == std::string("R32F")) {
            continue;
        }
        RgbaImage clean;
        const std::vector<std::uint8_t> plain = MakeDds(source, format);
        ASSERT_TRUE(DecodeDds(plain.data(), plain.size(), true, clean));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + ", " + c.What);
            std::vector<std::uint8_t> file = MakeDds(source, format, c.Fields);
            file.resize(file.size() + c.Extra, 0xAB);
            RgbaImage image;
            ResetLargestAllocation();
            ASSERT_TRUE(DecodeDds(file.data(), file.size(), true, image));
            EXPECT_EQ(image.Pixels, clean.Pixels);
            EXPECT_EQ(LargestAllocation(), clean.Pixels.size()); // the image, nothing larger
        }
    }
}

} // namespace
