#include "imaging/ImagingTestSupport.h"
#include "workflow/SaveTextureFixture.h"

#include <gtest/gtest.h>

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

} // namespace
