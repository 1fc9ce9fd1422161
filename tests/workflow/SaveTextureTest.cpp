#include "imaging/DdsFormat.h"
#include "imaging/ImageFile.h"
#include "imaging/ImagingTestSupport.h"
#include "samples/SampleImages.h"
#include "support/TestSupport.h"
#include "workflow/SessionFixture.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

TEST_F(SaveTexture, DecisionTableRoundTrip) {
    const RgbaImage picture = Ramps(37, 21); // neither edge a multiple of 4
    SetFinal(picture);
    for (const SaveCase& c : SaveCases) {
        SCOPED_TRACE(c.SubSet);
        ASSERT_TRUE(Save(c.SubSet));
        RgbaImage back;
        ASSERT_TRUE(ReadTexture(Written(c.SubSet), back));
        EXPECT_LE(Worst(back, picture, 0, 3), c.ColourTolerance);
        EXPECT_LE(
            Worst(back, c.AlphaTolerance < 0 ? Uniform(37, 21, {0, 0, 0, 255}) : picture, 3, 4),
            std::max(0, c.AlphaTolerance));
    }
}

TEST_F(SaveTexture, OtherExtensionsUseTheLibraryWritersAndAFailedSaveKeepsTheOldFile) {
    EXPECT_FALSE(Save("Png")); // no slot
    SetFinal(Ramps(9, 7));
    EXPECT_FALSE(Save("Png", "head")); // no such set

    ASSERT_TRUE(Save("Png"));
    // A mod manager's hard link to the file keeps the old content: the file is replaced, never
    // written through.
    fs::create_hard_link(Written("Png", "png"), Folder / "old.png");
    SetFinal(Ramps(11, 5));
    ASSERT_TRUE(Save("Png"));
    EXPECT_FALSE(fs::equivalent(Written("Png", "png"), Folder / "old.png")) << "written over";
    RgbaImage back;
    ASSERT_TRUE(ReadTexture(Written("Png", "png"), back));
    EXPECT_EQ(back.Pixels, Ramps(11, 5).Pixels);
    ASSERT_TRUE(ReadTexture(Folder / "old.png", back));
    EXPECT_EQ(back.Pixels, Ramps(9, 7).Pixels);

    const std::string target = Written("Xyz", "xyz");
    WriteTextFile(target, "the modder's texture");
    EXPECT_FALSE(Save("Xyz")); // no writer for this extension
    EXPECT_EQ(ReadTextFile(target), "the modder's texture");
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(target).parent_path()), {}), 1)
        << "no temporary file is left";
}

// BC7 goes out with the DX10 header: BC7_UNORM, a 2D texture, one slice; with or without its
// chain. Our decoder reads pixels close to the picture.
TEST_F(SaveTexture, Bc7IsWrittenWithTheDx10Header) {
    const RgbaImage picture = Ramps(37, 21);
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
        RgbaImage ours;
        ASSERT_TRUE(DecodeDds(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                              true, ours));
        EXPECT_LE(Worst(ours, picture, 0, 4), 8);
    }
}

// The window's blend over installed textures: every block whose footprint the modification
// leaves at zero alpha keeps the installed bytes, in DXT1 and DXT5, on every level of the chain.
// The same file as a library source gets every block encoded anew; a BC7 target is BC7
// throughout.
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
        const std::vector<CopiedBlockCount> levels = CompareBlocks(installed, written, mod);
        ASSERT_EQ(levels.size(), 7u);
        EXPECT_GT(levels[0].Untouched, 64) << "the test needs untouched blocks";
        EXPECT_LT(levels[0].Untouched, 256 - 32) << "and touched ones";
        EXPECT_GT(levels[2].Untouched, 4) << "down the chain too";
        for (const CopiedBlockCount& count : levels) {
            EXPECT_EQ(count.UntouchedChanged, c.Copied ? 0 : count.Untouched);
            EXPECT_EQ(count.TouchedSame, 0);
        }
    }
}

} // namespace
