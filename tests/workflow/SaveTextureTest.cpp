#include "imaging/Bc7Decoder.h"
#include "imaging/DdsFormat.h"
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/PillowDecoder.h"
#include "samples/SampleImages.h"
#include "support/ProcessRunner.h"
#include "support/TestSupport.h"
#include "workflow/BlendSession.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

// Smooth ramps: green grows downwards, so a picture upside down shows; alpha runs from 0 to 255.
RgbaImage Ramps(int width, int height) {
    RgbaImage image(width, height);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        const int x = static_cast<int>(i / 4) % width, y = static_cast<int>(i / 4) / width;
        const int values[] = {40 + 160 * x / width, 240 * y / height, 200 - 2 * (x + y),
                              255 * (x + y) / (width + height - 2)};
        image.Pixels[i] = static_cast<std::uint8_t>(values[i % 4]);
    }
    return image;
}

// The largest difference between two images in channels first to last - 1.
int Worst(const RgbaImage& a, const RgbaImage& b, std::size_t first, std::size_t last) {
    int worst = a.Pixels.size() == b.Pixels.size() ? 0 : 256;
    for (std::size_t i = 0; i < a.Pixels.size() && i < b.Pixels.size(); ++i) {
        if (i % 4 >= first && i % 4 < last) {
            worst = std::max(worst, std::abs(a.Pixels[i] - b.Pixels[i]));
        }
    }
    return worst;
}

class SaveTexture : public ::testing::Test {
protected:
    void SetUp() override {
        Session.Engine = std::make_unique<BlendEngine>();
        auto set = std::make_unique<TextureSet>("Head", "Textures\\Actors\\Character");
        set->AddChannel("Dxt1", "Color", "face", "dds", 0, 0);
        set->AddChannel("Dxt5", "Color", "face", "dds", 0, FlagHasAlpha);
        set->AddChannel("Rgb", "Color", "face", "dds", 0, FlagUncompressed);
        set->AddChannel("Rgba", "Color", "face", "dds", 0, FlagUncompressed | FlagHasAlpha);
        set->AddChannel("Png", "Color", "face", "png", 0, FlagUncompressed | FlagHasAlpha);
        set->AddChannel("Xyz", "Color", "face", "xyz", 0, FlagUncompressed);
        set->AddChannel("Bc7", "Color", "face", "dds", 0, 0, "BC7");
        Session.Engine->TextureSets.push_back(std::move(set));
        // The start of the chain exists in other letter case: it is reused, the rest is made.
        fs::create_directories(Folder.Path() / "textures/actors");
    }

    void SetFinal(const RgbaImage& picture) { Session.Images["Final"] = picture; }
    bool Save(const std::string& subSet, const std::string& setName = "Head") {
        return Session.SaveTexture("Final", Folder.Path().string() + "\\", setName, "Color",
                                   subSet);
    }
    std::string Written(const std::string& subSet, const std::string& extension = "dds") {
        return Folder / ("textures/actors/Character/" + subSet + "/face." + extension);
    }

    TempFolder Folder;
    BlendSession Session;
};

TEST_F(SaveTexture, DecisionTableRoundTripAndOtherReaders) {
    const RgbaImage picture = Ramps(37, 21); // neither edge a multiple of 4
    SetFinal(picture);
    struct Case {
        const char* SubSet;
        std::string Compression, Mode;       // as ImageMagick and Pillow see the file
        int ColourTolerance, AlphaTolerance; // -1: opaque, so DXT1 turns no pixel black
    };
    // One slot saved again and again: each save sets its own format, but "RGB" drops the slot's
    // own alpha, which the later RGBA save inherits. The second RGBA save overwrites the first.
    const Case cases[] = {{"Rgba", "None", "RGBA", 0, 0},
                          {"Dxt5", "DXT5", "RGBA", 12, 4},
                          {"Dxt1", "DXT1", "RGBA", 12, -1},
                          {"Rgb", "None", "RGB", 0, -1},
                          {"Rgba", "None", "RGB", 0, -1}};
    std::vector<std::string> files;
    std::string identified;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.SubSet);
        ASSERT_TRUE(Save(c.SubSet));
        RgbaImage back;
        ASSERT_TRUE(ReadTexture(Written(c.SubSet), back));
        EXPECT_LE(Worst(back, picture, 0, 3), c.ColourTolerance);
        EXPECT_LE(
            Worst(back, c.AlphaTolerance < 0 ? Uniform(37, 21, {0, 0, 0, 255}) : picture, 3, 4),
            std::max(0, c.AlphaTolerance));
        files.push_back(Folder / (std::to_string(files.size()) + ".dds"));
        fs::copy_file(Written(c.SubSet), files.back());
        identified += "37 21 " + c.Compression + "\n";
    }

    std::vector<std::string> arguments = {"-format", "%w %h %[compression]\n"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ProcessResult magick = RunProcess("/usr/bin/identify", arguments, Folder / "");
    EXPECT_EQ(magick.StandardOutput, identified) << magick.StandardError;
    arguments = {"-c",
                 "import sys\nfrom PIL import Image\nfor name in sys.argv[1:]:\n"
                 "    image = Image.open(name)\n"
                 "    print(*image.size, image.mode, *image.convert('RGB').getpixel((0, 0)))"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const ProcessResult pillow = RunProcess("/usr/bin/python3", arguments, Folder / "");
    std::istringstream lines(pillow.StandardOutput);
    for (const Case& c : cases) {
        int width = 0, height = 0, r = 0, g = 0, b = 0;
        std::string mode;
        ASSERT_TRUE(lines >> width >> height >> mode >> r >> g >> b) << pillow.StandardError;
        EXPECT_EQ(std::make_tuple(width, height, mode), std::make_tuple(37, 21, c.Mode));
        // The top row first, colours in their places.
        const std::uint8_t* top = picture.At(0, 0);
        EXPECT_LE(std::max({std::abs(r - top[0]), std::abs(g - top[1]), std::abs(b - top[2])}), 12)
            << c.SubSet;
    }
}

TEST_F(SaveTexture, OtherExtensionsUseTheLibraryWritersAndAFailedSaveKeepsTheOldFile) {
    EXPECT_FALSE(Save("Png")); // no slot
    SetFinal(Ramps(9, 7));
    EXPECT_FALSE(Save("Png", "head")); // no such set

    ASSERT_TRUE(Save("Png"));
    fs::create_hard_link(Written("Png", "png"), Folder / "old.png");
    ASSERT_TRUE(Save("Png"));
    EXPECT_FALSE(fs::equivalent(Written("Png", "png"), Folder / "old.png")) << "written over";
    RgbaImage back;
    ASSERT_TRUE(ReadTexture(Written("Png", "png"), back));
    EXPECT_EQ(back.Pixels, Ramps(9, 7).Pixels);

    const std::string target = Written("Xyz", "xyz");
    WriteTextFile(target, "the modder's texture");
    EXPECT_FALSE(Save("Xyz")); // no writer for this extension
    EXPECT_EQ(ReadTextFile(target), "the modder's texture");
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(target).parent_path()), {}), 1)
        << "no temporary file is left";
}

// BC7 goes out with the DX10 header: BC7_UNORM, a 2D texture, one slice; with or without its
// chain. Our decoder and Pillow read the same pixels, close to the picture.
TEST_F(SaveTexture, Bc7IsWrittenWithTheDx10HeaderAndReadBackAlike) {
    const RgbaImage picture = Ramps(37, 21);
    std::vector<std::vector<std::uint8_t>> files;
    for (const char* mode : {"none", "full"}) {
        SCOPED_TRACE(mode);
        Session.Config.Set("MipMaps", mode);
        SetFinal(picture);
        ASSERT_TRUE(Save("Bc7"));
        EXPECT_EQ(DescribeDds(Written("Bc7")),
                  std::string("37x21 DXGI 98") + (mode[0] == 'f' ? " 6 levels" : ""));
        const std::string bytes = ReadTextFile(Written("Bc7"));
        ASSERT_GE(bytes.size(), DDS_DX10_FILE_HEADER_SIZE);
        DDS_HEADER_DXT10 extension;
        std::memcpy(&extension, bytes.data() + DDS_FILE_HEADER_SIZE, sizeof extension);
        EXPECT_EQ(extension.dxgiFormat, DXGI_FORMAT_BC7_UNORM);
        EXPECT_EQ(extension.resourceDimension, D3D10_RESOURCE_DIMENSION_TEXTURE2D);
        EXPECT_EQ(extension.arraySize, 1u);
        EXPECT_EQ(extension.miscFlag, 0u);
        files.emplace_back(bytes.begin(), bytes.end());
    }
    const auto pillow = DecodeWithPillow(files);
    for (std::size_t i = 0; i < files.size(); ++i) {
        RgbaImage ours;
        ASSERT_TRUE(DecodeDds(files[i].data(), files[i].size(), true, ours));
        EXPECT_LE(Worst(ours, picture, 0, 4), 8);
        EXPECT_TRUE(pillow[i] == ours.Pixels) << "Pillow reads file " << i << " differently";
    }
}

// The window's blend over installed textures: every block the modification leaves at zero alpha
// keeps the installed bytes, in DXT1 and DXT5, with a chain too. The same file as a library
// source gets every block encoded anew; a BC7 target is BC7 throughout.
TEST_F(SaveTexture, InstalledSourcesKeepTheBlocksTheModificationLeavesAlone) {
    const CurrentDirectoryGuard cwd(Folder.Path());
    Session.Config.Set("SkyrimDataPath", "Data\\");
    Session.Config.Set("SkyrimOutPath", "Out\\");
    Session.Config.Set("MipMaps", "full");
    Session.SetName = "Head";
    Session.TypeName = "Color";
    const RgbaImage mod = MakeSeamMod(SampleKind::Skin, 64, 64, 40, 8);
    fs::create_directories(Folder.Path() / "Library");
    ASSERT_TRUE(WritePsd(Folder / "Library/mod.psd", mod));
    struct Case {
        const char* SubSet;
        bool Installed;
        int Edge;    // of the installed texture
        bool Copied; // whether its untouched blocks are copied
    };
    const Case cases[] = {{"Dxt1", true, 64, true},
                          {"Dxt5", true, 64, true},
                          {"Dxt1", false, 64, false},
                          {"Bc7", true, 64, false}};
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.SubSet) + (c.Installed ? " installed " : " library ") +
                     std::to_string(c.Edge));
        const TextureFormat format = c.SubSet[3] == '1' ? TextureFormat::DXT1 : TextureFormat::DXT5;
        const std::vector<std::uint8_t> file = ArbitraryBlocksDds(format, c.Edge, seed++);
        const std::string installed(file.begin(), file.end());
        const std::string relative =
            std::string("Textures/Actors/Character/") + c.SubSet + "/face.dds";
        WriteTextFile(Folder / ("Data/" + relative), installed);
        WriteTextFile(Folder / "Source/face.dds", installed);
        BlendChoice choice;
        choice.UseInstalled = c.Installed;
        choice.Destinations = {c.SubSet};
        choice.SourceTreePath = "face.dds";
        choice.LibraryTreePath = "mod.psd";
        Session.SourceReload = Session.ModReload = true;
        ASSERT_TRUE(Session.GenerateBlend(0, choice));
        ASSERT_TRUE(Session.SaveTexture(FinalSlot, "Out\\", "Head", "Color", c.SubSet));
        const std::string written = ReadTextFile(Folder / ("Out/" + relative));
        if (c.SubSet[1] == 'c') {
            EXPECT_EQ(DescribeDds(Folder / ("Out/" + relative)), "64x64 DXGI 98 7 levels");
            continue;
        }
        EXPECT_EQ(DescribeDds(Folder / ("Out/" + relative)),
                  std::string("64x64 ") + (c.SubSet[3] == '1' ? "DXT1" : "DXT5") + " 7 levels");
        const CopiedBlockCount count = CompareBlocks(installed, written, mod);
        EXPECT_GT(count.Untouched, 64) << "the test needs untouched blocks";
        EXPECT_LT(count.Untouched, 256 - 32) << "and touched ones";
        EXPECT_EQ(count.UntouchedChanged, c.Copied ? 0 : count.Untouched);
        EXPECT_EQ(count.TouchedSame, 0);
    }
}

} // namespace
