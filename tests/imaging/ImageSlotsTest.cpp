#include "catalogue/BlendEngine.h"
#include "imaging/DdsFormat.h"
#include "imaging/DdsWriter.h"
#include "imaging/ImageLibrary.h"
#include "imaging/ImagingTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <cstring>

namespace {

class ImageSlots : public ::testing::Test {
protected:
    void SetUp() override { InitialiseImageLibrary(); }

    // Writes the picture as an uncompressed RGBA DDS, which keeps every value exactly.
    std::string Dds(const std::string& name, const Picture& picture) {
        const std::string path = Folder / name;
        WriteBytes(
            path, EncodeDds(picture.Pixels.data(), picture.Width, picture.Height, DdsOutput::RGBA));
        return path;
    }

    ImageName Load(const std::string& key, const std::string& path) {
        return Engine.LoadTexture(key, path, true);
    }

    Picture Slot(const std::string& key) {
        ilBindImage(Engine.Images.at(key));
        return BoundPicture();
    }

    std::pair<int, int> SlotSize(const std::string& key) {
        ilBindImage(Engine.Images.at(key));
        return {BoundImageWidth(), BoundImageHeight()};
    }

    TempFolder Folder;
    BlendEngine Engine;
};

struct SizeCase {
    int Size;
    int BaseWidth, BaseHeight, OverlayWidth, OverlayHeight;
    std::pair<int, int> Base, Overlay, Result;
};

TEST_F(ImageSlots, SizeRulesOfTheComposite) {
    const SizeCase cases[] = {
        // Both scaled to the declared size (as 2048 with 1024 and 4096).
        {64, 32, 32, 128, 128, {64, 64}, {64, 64}, {64, 64}},
        // Size 0: the narrower decides, the wider shrinks; nothing is enlarged.
        {0, 64, 64, 32, 32, {32, 32}, {32, 32}, {32, 32}},
        {0, 32, 32, 64, 16, {32, 32}, {32, 32}, {32, 32}},
        // Size 0, equal widths: nothing scaled, heights not compared.
        {0, 64, 32, 64, 64, {64, 32}, {64, 64}, {64, 32}},
        // The declared size is always a square, whatever the proportions.
        {32, 64, 32, 32, 32, {32, 32}, {32, 32}, {32, 32}},
        // Widths already right: a non-square base stays as it is.
        {32, 32, 16, 32, 32, {32, 16}, {32, 32}, {32, 16}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "size " << c.Size << ", base " << c.BaseWidth << "x" << c.BaseHeight
                     << ", overlay " << c.OverlayWidth << "x" << c.OverlayHeight);
        ASSERT_NE(Load("Source", Dds("base.dds", Photo(c.BaseWidth, c.BaseHeight))), 0u);
        ASSERT_NE(Load("Mod", Dds("mod.dds", Photo(c.OverlayWidth, c.OverlayHeight, 2))), 0u);
        ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", c.Size));
        EXPECT_EQ(SlotSize("Source"), c.Base);
        EXPECT_EQ(SlotSize("Mod"), c.Overlay);
        EXPECT_EQ(SlotSize("Final"), c.Result);
    }
}

TEST_F(ImageSlots, RepeatedCompositesDoNoResampling) {
    // An RGB base keeps its format unless it is resampled (resampling makes it RGBA).
    WriteWithDevil(Folder / "base.tga", Photo(32, 32), IL_RGB, IL_ORIGIN_LOWER_LEFT);
    Load("Source", Folder / "base.tga");
    Load("Mod", Dds("mod.dds", Photo(64, 64, 2)));
    ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", 32));
    const Picture overlay = Slot("Mod");
    const Picture result = Slot("Final");
    const ImageName firstFinal = Engine.Images.at("Final");
    ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", 32));
    ilBindImage(Engine.Images.at("Source"));
    EXPECT_EQ(ilGetInteger(IL_IMAGE_FORMAT), IL_BGR); // DevIL reads TGA as BGR: untouched
    EXPECT_EQ(Slot("Mod").Pixels, overlay.Pixels);
    EXPECT_EQ(Slot("Final").Pixels, result.Pixels);
    EXPECT_NE(Engine.Images.at("Final"), 0u);
    EXPECT_FALSE(ilIsImage(firstFinal) && firstFinal != Engine.Images.at("Final"))
        << "the previous Final is deleted";
}

TEST_F(ImageSlots, MissingSlots) {
    Load("Source", Dds("base.dds", Photo(16, 16)));
    EXPECT_FALSE(Engine.CompositeTextures("Source", "Mod", "Final", 8));
    EXPECT_EQ(SlotSize("Source"), std::make_pair(16, 16)); // nothing changed
    EXPECT_EQ(Engine.Images.count("Final"), 0u);

    Engine.Images.erase("Source");
    Load("Mod", Dds("mod.dds", Photo(16, 16)));
    EXPECT_FALSE(Engine.CompositeTextures("Source", "Mod", "Final", 8));
    EXPECT_EQ(SlotSize("Mod"), std::make_pair(8, 8)); // scaled before the base was missed
    EXPECT_EQ(Engine.Images.count("Final"), 0u);
}

TEST_F(ImageSlots, OverlayColourIsBlendedByItsAlphaAndTheBaseAlphaKept) {
    const Picture base = Uniform(4, 2, 100, 150, 200, 77);
    Picture overlay = Uniform(4, 2, 10, 20, 30, 0);
    const std::uint8_t alphas[4] = {0, 128, 255, 1};
    for (int x = 0; x < 4; ++x) {
        overlay.At(x, 0)[3] = overlay.At(x, 1)[3] = alphas[x];
    }
    Load("Source", Dds("base.dds", base));
    Load("Mod", Dds("mod.dds", overlay));
    ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", 0));
    const Picture result = Slot("Final");
    // round((overlay * a + base * (255 - a)) / 255), worked out by hand.
    const std::uint8_t expected[4][4] = {
        {100, 150, 200, 77}, {55, 85, 115, 77}, {10, 20, 30, 77}, {100, 149, 199, 77}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(std::vector<int>(result.At(x, y), result.At(x, y) + 4),
                      std::vector<int>(expected[x], expected[x] + 4))
                << x << "," << y;
        }
    }
}

TEST_F(ImageSlots, EveryPixelOfTheResultIsDefinedWhenTheOverlayIsShorter) {
    Load("Source", Dds("base.dds", Uniform(8, 8, 1, 2, 3, 4)));
    Load("Mod", Dds("mod.dds", Uniform(8, 4, 250, 250, 250, 255)));
    ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", 0));
    const Picture result = Slot("Final");
    ASSERT_EQ(result.Height, 8);
    EXPECT_EQ(result.At(7, 3)[0], 250);                               // covered
    EXPECT_EQ(std::vector<int>(result.At(0, 4), result.At(0, 4) + 4), // base shows through
              (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ImageSlots, SourcesOfAnyFormatAndOriginLineUpAsTheyLook) {
    const Picture base = Photo(16, 8, 3);
    const Picture overlay = Photo(16, 8, 4);
    Picture expected = base;
    for (std::size_t i = 0; i < expected.Pixels.size(); i += 4) {
        const unsigned a = overlay.Pixels[i + 3];
        for (int c = 0; c < 3; ++c) {
            expected.Pixels[i + c] = static_cast<std::uint8_t>(
                (overlay.Pixels[i + c] * a + expected.Pixels[i + c] * (255 - a) + 127) / 255);
        }
    }
    struct Source {
        const char* Name;
        std::function<std::string(const std::string&, const Picture&)> Write;
    };
    const Source sources[] = {
        {"tga, stored bottom-up",
         [&](const std::string& n, const Picture& p) {
             WriteWithDevil(Folder / (n + ".tga"), p, IL_RGBA, IL_ORIGIN_LOWER_LEFT);
             return Folder / (n + ".tga");
         }},
        {"png, stored top-down",
         [&](const std::string& n, const Picture& p) {
             WriteWithDevil(Folder / (n + ".png"), p, IL_RGBA, IL_ORIGIN_UPPER_LEFT);
             return Folder / (n + ".png");
         }},
        {"16-bit PSD",
         [&](const std::string& n, const Picture& p) {
             WriteBytes(Folder / (n + ".psd"), MakePsd(p, 4, 16));
             return Folder / (n + ".psd");
         }},
        {"8-bit PSD",
         [&](const std::string& n, const Picture& p) {
             WriteBytes(Folder / (n + ".psd"), MakePsd(p, 4, 8));
             return Folder / (n + ".psd");
         }},
    };
    for (const Source& b : sources) {
        for (const Source& o : sources) {
            SCOPED_TRACE(std::string("base ") + b.Name + ", overlay " + o.Name);
            ASSERT_NE(Load("Source", b.Write("base", base)), 0u);
            ASSERT_NE(Load("Mod", o.Write("mod", overlay)), 0u);
            ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", 0));
            EXPECT_EQ(MaxDifference(Slot("Final"), expected, 4), 0);
        }
    }
}

TEST_F(ImageSlots, AnRgbBaseCountsAsOpaqueAndGrayscaleReadsAsGray) {
    WriteBytes(Folder / "base.psd", MakePsd(Uniform(4, 4, 90, 0, 0, 0), 3, 8));
    WriteBytes(Folder / "mod.psd", MakePsd(Uniform(4, 4, 200, 0, 0, 51), 2, 16));
    Load("Source", Folder / "base.psd");
    Load("Mod", Folder / "mod.psd");
    ASSERT_TRUE(Engine.CompositeTextures("Source", "Mod", "Final", 0));
    // Gray 200 at alpha 51 over (90, 0, 0, opaque).
    const Picture result = Slot("Final");
    const std::uint8_t* pixel = result.At(2, 2);
    EXPECT_EQ(std::vector<int>(pixel, pixel + 4), (std::vector<int>{112, 40, 40, 255}));
}

TEST_F(ImageSlots, LoadWithoutReloadIsALookupOnly) {
    const std::string path = Dds("a.dds", Uniform(4, 4, 1, 1, 1, 1));
    const ImageName first = Load("Source", path);
    ASSERT_NE(first, 0u);
    std::filesystem::remove(path);
    EXPECT_EQ(Engine.LoadTexture("Source", path, false), first);
    // A failed load leaves the fresh, empty image in the slot; a lookup then finds its name.
    EXPECT_EQ(Engine.LoadTexture("Source", path, true), 0u);
    const ImageName empty = Engine.LoadTexture("Source", path, false);
    EXPECT_NE(empty, 0u);
    EXPECT_EQ(ilGetError(), IL_NO_ERROR) << "the failed read's error was consumed";
}

TEST_F(ImageSlots, ProgramPathsAreResolvedIgnoringCase) {
    std::filesystem::create_directories(Folder.Path() / "textures" / "actors");
    Dds("textures/actors/skin.dds", Uniform(4, 4, 9, 9, 9, 9));
    const std::string programPath = Folder.Path().string() + "\\Textures\\Actors\\Skin.DDS";
    EXPECT_NE(Engine.LoadTexture("Source", programPath, true), 0u);
}

// A 4 x 4 block of colour (200, 100, 50) at alpha 128, stored premultiplied.
std::vector<std::uint8_t> PremultipliedDds(std::uint32_t fourCC, std::uint8_t stored[4]) {
    std::uint8_t rgba[64];
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t px[4] = {100, 50, 25, 128};
        std::memcpy(rgba + i * 4, px, 4);
    }
    const int flags = fourCC == FOURCC_DXT2 ? squish::kDxt3 : squish::kDxt5;
    std::uint8_t block[16];
    squish::Compress(rgba, block, flags | squish::kColourClusterFit);
    std::uint8_t decoded[64];
    squish::Decompress(decoded, block, flags);
    std::memcpy(stored, decoded, 4);
    std::vector<std::uint8_t> file =
        EncodeDds(Uniform(4, 4, 0, 0, 0, 0).Pixels.data(), 4, 4, DdsOutput::DXT5);
    std::memcpy(file.data() + 84, &fourCC, 4);
    std::memcpy(file.data() + DDS_FILE_HEADER_SIZE, block, 16);
    return file;
}

TEST_F(ImageSlots, PremultipliedAlphaIsStrippedUnlessTheStateKeepsIt) {
    // The state is process-wide and never reset, so the stripping cases run first.
    for (const bool keep : {false, true}) {
        Engine.StripPremultAlpha = !keep;
        for (const std::uint32_t fourCC : {FOURCC_DXT2, FOURCC_DXT4}) {
            SCOPED_TRACE(::testing::Message() << (keep ? "kept" : "stripped") << " " << fourCC);
            std::uint8_t stored[4];
            WriteBytes(Folder / "p.dds", PremultipliedDds(fourCC, stored));
            ASSERT_NE(Load("Source", Folder / "p.dds"), 0u);
            const Picture loaded = Slot("Source");
            const std::uint8_t* pixel = loaded.At(1, 1);
            for (int c = 0; c < 3; ++c) {
                const int expected =
                    keep ? stored[c] : std::min(255, (stored[c] * 255 + stored[3] / 2) / stored[3]);
                EXPECT_EQ(pixel[c], expected) << c;
            }
            EXPECT_EQ(pixel[3], stored[3]);
        }
        EXPECT_EQ(IsStateEnabled(STATE_NO_STRIP_PREMULT_ALPHA), keep);
    }
}

TEST_F(ImageSlots, OwnStatesLeaveNoErrorAndStaleErrorsDoNotFailACreation) {
    for (const ILenum state :
         {STATE_NO_STRIP_PREMULT_ALPHA, STATE_MATTE_DEFAULT, STATE_MATTE_BLACK}) {
        EnableState(state);
        EXPECT_EQ(ilGetError(), IL_NO_ERROR) << state;
        EXPECT_TRUE(IsStateEnabled(state));
    }
    ilEnable(0x0634); // DevIL itself would leave IL_INVALID_ENUM pending
    const ImageName image = CreateImage();
    EXPECT_NE(image, 0u);
    ilDeleteImage(image);
    EXPECT_TRUE(MatteIsBlack());
    EnableState(STATE_MATTE_DEFAULT);
    EXPECT_FALSE(MatteIsBlack());
}

TEST_F(ImageSlots, BadFilesLoadAsZero) {
    const Picture picture = Photo(8, 8);
    std::vector<std::uint8_t> dds = EncodeDds(picture.Pixels.data(), 8, 8, DdsOutput::DXT1);
    std::vector<std::uint8_t> truncated(dds.begin(), dds.end() - 1);
    std::vector<std::uint8_t> huge = dds;
    const std::uint32_t edge = 0x40000000;
    std::memcpy(huge.data() + 12, &edge, 4);
    std::memcpy(huge.data() + 16, &edge, 4);
    std::vector<std::uint8_t> psd = MakePsd(picture, 4, 8);
    std::vector<std::uint8_t> psdChannels = psd;
    psdChannels[12] = 0xFF; // 65280 channels
    WriteWithDevil(Folder / "real.png", picture, IL_RGBA, IL_ORIGIN_UPPER_LEFT);
    const std::vector<std::uint8_t> png = ReadBytes(Folder / "real.png");
    const std::pair<const char*, std::vector<std::uint8_t>> files[] = {
        {"truncated.dds", truncated},
        {"huge.dds", huge},
        {"channels.psd", psdChannels},
        {"cut.psd", std::vector<std::uint8_t>(psd.begin(), psd.begin() + 60)},
        {"png.dds", png},
        {"png.psd", png},
        {"empty.dds", {}},
        {"noise.tga", std::vector<std::uint8_t>(7, 0xFF)},
    };
    for (const auto& [name, bytes] : files) {
        WriteBytes(Folder / name, bytes);
        EXPECT_EQ(Load("Source", Folder / name), 0u) << name;
    }
    EXPECT_EQ(Load("Source", Folder / "missing.dds"), 0u);
    EXPECT_NE(Load("Source", Folder / "real.png"), 0u);
}

} // namespace
