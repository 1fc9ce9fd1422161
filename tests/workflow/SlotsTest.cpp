#include "imaging/DdsWriter.h"
#include "imaging/ImagingTestSupport.h"
#include "samples/SampleDds.h"
#include "workflow/SessionFixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quillon;

namespace {

// A complete DDS file; uncompressed RGBA keeps every value exactly.
std::string Encoded(const RgbaImage& image, TextureFormat output = TextureFormat::RGBA) {
    const auto bytes = EncodeDds(image, output, TaskPool::Shared());
    return {bytes.begin(), bytes.end()};
}

// A TGA stored bottom-up, which DevIL keeps that way (origin lower left). Edges below 256.
std::string BottomUpTga(const RgbaImage& image) {
    std::string file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file += {char(image.Width), 0, char(image.Height), 0, 32, 8};
    for (int y = image.Height - 1; y >= 0; --y) {
        for (int x = 0; x < image.Width; ++x) {
            const std::uint8_t* p = image.At(x, y);
            file += {char(p[2]), char(p[1]), char(p[0]), char(p[3])};
        }
    }
    return file;
}

// A copy of a DDS file with one of its words replaced.
std::string Patched(std::string file, std::size_t offset, std::uint32_t value) {
    std::memcpy(file.data() + offset, &value, 4);
    return file;
}

} // namespace

TEST_F(ImageSlots, SizeRulesOfTheComposite) {
    struct Case {
        int Size, BaseWidth, BaseHeight, ModWidth, ModHeight;
        std::pair<int, int> Result, Mod;
    };
    const Case cases[] = {
        {64, 32, 32, 128, 128, {64, 64}, {64, 64}}, // both scaled, as 2048 with 1024 and 4096
        {0, 64, 64, 32, 32, {32, 32}, {32, 32}},    // size 0: the narrower decides, none enlarged
        {0, 32, 32, 64, 16, {32, 32}, {32, 32}},    // ... the overlay takes the base's height
        {0, 64, 32, 64, 64, {64, 32}, {64, 64}},  // equal widths: none scaled, heights not compared
        {32, 64, 32, 32, 32, {32, 32}, {32, 32}}, // the size is a square, whatever the proportions
        {32, 32, 16, 32, 32, {32, 16}, {32, 32}}, // sizes right, as on a repeated composite
    };
    // RGB images, which resampling would make RGBA.
    const auto rgb = [](int width, int height) {
        return Encoded(RgbaImage(width, height), TextureFormat::RGB);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        ASSERT_TRUE(Load("Source", "base.dds", rgb(c.BaseWidth, c.BaseHeight)));
        ASSERT_TRUE(Load("Mod", "mod.dds", rgb(c.ModWidth, c.ModHeight)));
        ASSERT_TRUE(Composite(c.Size));
        const RgbaImage result = Slot("Final"), mod = Slot("Mod");
        EXPECT_EQ(std::make_pair(result.Width, result.Height), c.Result);
        EXPECT_EQ(std::make_pair(mod.Width, mod.Height), c.Mod);
        EXPECT_EQ(result.At(0, 0)[3], 255) << "an RGB base is opaque";
        EXPECT_EQ(Slot("Source").HasAlpha, c.Result != std::make_pair(c.BaseWidth, c.BaseHeight));
        EXPECT_EQ(Slot("Mod").HasAlpha, c.Mod != std::make_pair(c.ModWidth, c.ModHeight));
    }
    EXPECT_FALSE(Session.CompositeTextures("Source", "Other", "Missing", 0));
    EXPECT_FALSE(Session.CompositeTextures("Other", "Mod", "Missing", 0));
    EXPECT_EQ(Session.Images.count("Missing"), 0u);
}

TEST_F(ImageSlots, OverlayColourIsBlendedByItsAlphaOverTheBaseWhoseAlphaStays) {
    RgbaImage overlay(4, 1); // a row shorter than the base, which shows through below it
    overlay.Pixels = {10, 20, 30, 0, 10, 20, 30, 128, 10, 20, 30, 255, 10, 20, 30, 1};
    Load("Source", "base.dds", Encoded(Uniform(4, 2, {100, 150, 200, 77})));
    Load("Mod", "mod.dds", Encoded(overlay));
    ASSERT_TRUE(Composite(0));
    const RgbaImage result = Slot("Final");
    // round((overlay * a + base * (255 - a)) / 255), worked out by hand.
    const std::vector<int> expected[4] = {
        {100, 150, 200, 77}, {55, 85, 115, 77}, {10, 20, 30, 77}, {100, 149, 199, 77}};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(PixelAt(result, x, 0), expected[x]) << x;
        EXPECT_EQ(PixelAt(result, x, 1), expected[0]) << x;
    }
}

// A bottom-up TGA and layered PackBits PSDs of 8 and 16 bits load as they look, as a DDS does.
TEST_F(ImageSlots, SourcesOfAnyDepthAndOriginLoadAsTheyLook) {
    const RgbaImage picture = MakeSeamMod(SampleKind::Skin, 16, 8, 4, 3);
    WriteTextFile(Folder / "a.dds", Encoded(picture));
    WriteTextFile(Folder / "a.tga", BottomUpTga(picture));
    ASSERT_TRUE(WritePsd(Folder / "a8.psd", picture, 8));
    ASSERT_TRUE(WritePsd(Folder / "a16.psd", picture, 16));
    for (const char* name : {"a.dds", "a.tga", "a8.psd", "a16.psd"}) {
        ASSERT_TRUE(Session.LoadTexture("Source", Folder / name, true)) << name;
        EXPECT_EQ(Slot("Source").Pixels, picture.Pixels) << name;
    }
}

// The window shows why a load failed, and which file, beside the status line and on the picture
// concerned; a step that succeeds clears it. A load that is not repeated gives its reason again.
TEST_F(ImageSlots, TheViewIsToldWhyAStepFailed) {
    const CurrentDirectoryGuard cwd(Folder.Path());
    std::vector<std::pair<unsigned, std::string>> told;
    Session.View.Reason = [&told](unsigned pictures, const std::string& reason) {
        told.emplace_back(pictures, reason);
    };
    std::vector<std::uint8_t> bc6 = MakeDdsHeader(4, 4, Dx10Format(DXGI_FORMAT_BC6H_UF16));
    bc6.resize(bc6.size() + 16);
    WriteTextFile(Folder / "Source/bc6.dds", std::string(bc6.begin(), bc6.end()));
    WriteTextFile(Folder / "Source/good.dds", Encoded(RgbaImage(4, 4)));
    WriteTextFile(Folder / "Library/mod.dds", Encoded(RgbaImage(4, 4)));
    BlendChoice choice;
    choice.SourceTreePath = "bc6.dds";
    choice.LibraryTreePath = "mod.dds";
    choice.Destinations = {"A"};
    EXPECT_FALSE(Session.LoadSourceImage(0, choice));
    EXPECT_TRUE(Session.LoadModImage(choice));
    Session.SourceReload = false;
    EXPECT_FALSE(Session.GenerateBlend(0, choice));
    const std::string bc6h = NativePath("Source/bc6.dds") + ": BC6H textures are not supported";
    using Told = std::vector<std::pair<unsigned, std::string>>;
    EXPECT_EQ(told, (Told{{SourcePreviewFlag, bc6h}, {0, ""}, {SourcePreviewFlag, bc6h}, {0, ""}}))
        << "the blend of a failed load keeps the load's reason";
    told.clear();
    choice.SourceTreePath = "good.dds";
    Session.SourceReload = true;
    EXPECT_TRUE(Session.GenerateBlend(0, choice));
    EXPECT_EQ(told, (Told{{0, ""}, {0, ""}, {0, ""}}));
}

TEST_F(ImageSlots, LoadWithoutReloadReturnsTheImageHeld) {
    WriteTextFile(Folder / "textures/skin.dds", Encoded(RgbaImage(4, 4)));
    const std::string programPath = Folder.Path().string() + "\\Textures\\Skin.DDS";
    ASSERT_TRUE(Session.LoadTexture("Source", programPath, true));
    std::filesystem::remove(Folder / "textures/skin.dds");
    EXPECT_TRUE(Session.LoadTexture("Source", programPath, false)) << "the image held";
    EXPECT_FALSE(Session.LoadTexture("Source", programPath, true));
    EXPECT_TRUE(Slot("Source").Empty()) << "a failed load leaves no picture";
}

TEST_F(ImageSlots, PremultipliedColoursAreDividedByAlphaUnlessTheSettingKeepsThem) {
    // (132, 65, 66) at alpha 136 is exact in DXT3 and DXT5 blocks; divided, round(c * 255 / 136).
    const std::string dxt5 = Encoded(Uniform(4, 4, {132, 65, 66, 136}), TextureFormat::DXT5);
    std::string dxt2 = Patched(dxt5, 84, 0x32545844);
    dxt2.replace(128, 8, 8, '\x88'); // DXT3's alpha: 4 bits a pixel, 8 meaning 136
    for (const bool keep : {false, true}) {
        Session.Engine->StripPremultAlpha = !keep;
        for (const std::string& file : {dxt2, Patched(dxt5, 84, 0x34545844)}) {
            ASSERT_TRUE(Load("Source", "p.dds", file));
            EXPECT_EQ(PixelAt(Slot("Source"), 1, 1), (keep ? std::vector<int>{132, 65, 66, 136}
                                                           : std::vector<int>{248, 122, 124, 136}))
                << file.substr(84, 4);
        }
    }
}
