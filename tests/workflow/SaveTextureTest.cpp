// Saves of "Final": the format each channel declares, other extensions, mip chains, and the
// installed blocks a blend leaves alone. (Whether other readers take the files: OracleTest.cpp.)
#include "imaging/DdsFormat.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/MipChain.h"
#include "samples/SampleImages.h"
#include "support/TestSupport.h"
#include "workflow/SessionFixture.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <tuple>

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
    // BC7 goes out behind the DX10 header, with or without its chain.
    for (const char* mode : {"none", "full"}) {
        SCOPED_TRACE(mode);
        Session.Config.Set("MipMaps", mode);
        SetFinal(picture);
        ASSERT_TRUE(Save("Bc7"));
        EXPECT_EQ(DescribeDds(Written("Bc7")),
                  std::string("37x21 DXGI 98") + (mode[0] == 'f' ? " 6 levels" : ""));
        RgbaImage back;
        ASSERT_TRUE(ReadTexture(Written("Bc7"), back));
        EXPECT_LE(Worst(back, picture, 0, 4), 8);
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

// A full chain holds the levels of the picture filtered as the file's name says ("_n" and "_msn":
// normal maps), in the channel's format. (The filters and the writer: imaging's tests.)
TEST_F(SaveTexture, AFullChainIsFilteredAsTheFileNameSays) {
    Session.Config.Set("MipMaps", "full");
    auto& channels = Session.Engine->TextureSets[0]->Channels;
    channels["Color-Rgba"].FileName = "face_n";
    channels["Color-Dxt5"].FileName = "face_msn";
    const RgbaImage picture = Ramps(40, 24);
    RgbaImage opaque = picture; // an RGB save drops the alpha first
    for (std::size_t i = 3; i < opaque.Pixels.size(); i += 4) {
        opaque.Pixels[i] = 255;
    }
    opaque.HasAlpha = false;
    const std::tuple<const char*, TextureFormat, MipKind, const RgbaImage*> cases[] = {
        {"Rgba", TextureFormat::RGBA, MipKind::NormalMap, &picture},
        {"Rgb", TextureFormat::RGB, MipKind::Colour, &opaque},
        {"Dxt1", TextureFormat::DXT1, MipKind::Colour, &picture},
        {"Dxt5", TextureFormat::DXT5, MipKind::NormalMap, &picture},
        {"Bc7", TextureFormat::BC7, MipKind::Colour, &picture},
    };
    TaskPool one(1);
    for (const auto& [subSet, format, kind, image] : cases) {
        SCOPED_TRACE(subSet);
        SetFinal(picture);
        ASSERT_TRUE(Save(subSet));
        const std::vector<std::uint8_t> expected =
            EncodeDds(*image, format, one, MakeMipLevels(*image, kind, one));
        EXPECT_TRUE(ReadTextFile(Written(subSet)) == std::string(expected.begin(), expected.end()));
        EXPECT_NE(DescribeDds(Written(subSet)).find(" 6 levels"), std::string::npos);
    }
}

// Which files get a chain: "full" and "none" say so; "auto" does what the installed texture at
// the destination's game path does, and gives a chain where there is none.
TEST_F(SaveTexture, AutoChainsFollowTheInstalledTexture) {
    Session.Config.Set("SkyrimDataPath", Folder.Path().string() + "\\Data\\");
    const std::string installed = Folder / "Data/Textures/Actors/Character/Dxt1/face.dds";
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "nothing installed", " 5 levels"}, {"auto", "one level", ""},
        {"auto", "chain", " 5 levels"},         {"none", "chain", ""},
        {"full", "one level", " 5 levels"},     {"Full", "one level", ""},
    };
    for (const auto& [mode, what, levels] : cases) {
        SCOPED_TRACE(std::string(mode) + ", " + what);
        fs::remove_all(Folder.Path() / "Data");
        if (std::string(what) != "nothing installed") {
            fs::create_directories(fs::path(installed).parent_path());
            ASSERT_TRUE(WriteDdsTexture(installed, Ramps(8, 8), "DXT1", what[0] == 'c'));
        }
        if (*mode != '\0') {
            Session.Config.Set("MipMaps", mode);
        }
        SetFinal(Ramps(16, 16));
        ASSERT_TRUE(Save("Dxt1"));
        EXPECT_EQ(DescribeDds(Written("Dxt1")), std::string("16x16 DXT1") + levels);
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
    const std::tuple<const char*, bool> cases[] = {
        {"Dxt1", true}, {"Dxt5", true}, {"Dxt1", false}, {"Bc7", true}};
    unsigned seed = 1;
    for (const auto& [subSet, useInstalled] : cases) {
        SCOPED_TRACE(std::string(subSet) + (useInstalled ? " installed" : " library"));
        const std::vector<std::uint8_t> file = ArbitraryBlocksDds(
            subSet[3] == '1' ? TextureFormat::DXT1 : TextureFormat::DXT5, 64, seed++);
        const std::string installed(file.begin(), file.end());
        const std::string relative =
            std::string("Textures/Actors/Character/") + subSet + "/face.dds";
        WriteTextFile(Folder / ("Data/" + relative), installed);
        WriteTextFile(Folder / "Source/face.dds", installed);
        BlendChoice choice{useInstalled, {subSet}, "face.dds", "mod.psd"};
        Session.SourceReload = Session.ModReload = true;
        ASSERT_TRUE(Session.GenerateBlend(0, choice));
        ASSERT_TRUE(Session.SaveTexture(FinalSlot, "Out\\", "Head", "Color", subSet));
        const std::string written = Folder / ("Out/" + relative);
        if (subSet[1] == 'c') {
            EXPECT_EQ(DescribeDds(written), "64x64 DXGI 98 7 levels");
            continue;
        }
        EXPECT_EQ(DescribeDds(written),
                  std::string("64x64 ") + (subSet[3] == '1' ? "DXT1" : "DXT5") + " 7 levels");
        ExpectBlocksCopied(CompareBlocks(installed, ReadTextFile(written), mod), useInstalled);
    }
}

} // namespace
