#include "platform/Paths.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(Paths, BackslashesBecomeNativeSeparatorsOnlyAtTheBoundary) {
    EXPECT_EQ(ToNativePath("textures\\actors\\a.dds"), "textures/actors/a.dds");
    EXPECT_EQ(ToNativePath("/abs/Data\\textures\\"), "/abs/Data/textures/");
    EXPECT_EQ(DisplayPath("Library\\Head\\x.psd"), "Library/Head/x.psd");
}

class ResolvePathTest : public ::testing::Test {
protected:
    TempFolder Root;
    void SetUp() override {
        WriteTextFile(Root / "Data/textures/actors/character/FemaleHead.dds", "x");
    }
    std::string Program(const std::string& relative) const {
        std::string path = Root.Path().string() + "\\" + relative;
        return path;
    }
};

TEST_F(ResolvePathTest, FindsAnExistingPathWrittenInAnotherLetterCase) {
    EXPECT_EQ(ResolvePath(Program("DATA\\Textures\\Actors\\CHARACTER\\femalehead.DDS")),
              Root / "Data/textures/actors/character/FemaleHead.dds");
    // As written when it exists as written.
    EXPECT_EQ(ResolvePath(Program("Data\\textures")), Root / "Data/textures");
}

TEST_F(ResolvePathTest, KeepsTheMissingTailAsWrittenAndATrailingSeparator) {
    EXPECT_EQ(ResolvePath(Program("data\\TEXTURES\\New\\Head.dds")),
              Root / "Data/textures/New/Head.dds");
    EXPECT_EQ(ResolvePath(Program("data\\Textures\\")), Root / "Data/textures/");
}

TEST_F(ResolvePathTest, ResolvesRelativePathsAgainstTheCurrentDirectory) {
    CurrentDirectoryGuard cwd(Root.Path());
    EXPECT_EQ(ResolvePath("data\\TEXTURES\\actors"), "Data/textures/actors");
}

TEST_F(ResolvePathTest, PrefersTheExactNameThenAFixedOrderAmongCaseVariants) {
    fs::create_directories(Root.Path() / "Data/Textures");
    EXPECT_EQ(ResolvePath(Program("Data\\Textures")), Root / "Data/Textures");
    EXPECT_EQ(ResolvePath(Program("Data\\textures")), Root / "Data/textures");
    EXPECT_EQ(ResolvePath(Program("Data\\TEXTURES")), Root / "Data/Textures");
}

TEST_F(ResolvePathTest, CreatingAFolderChainReusesFoldersThatDifferOnlyInCase) {
    ASSERT_TRUE(CreateFolderChain(Program("DATA\\Textures\\Actors\\Character\\Alt\\Deeper")));
    EXPECT_TRUE(fs::is_directory(Root.Path() / "Data/textures/actors/character/Alt/Deeper"));
    EXPECT_FALSE(fs::exists(Root.Path() / "DATA"));
    EXPECT_TRUE(CreateFolderChain(Program("Data\\textures"))); // existing: fine
    EXPECT_FALSE(CreateFolderChain(""));
    // A file in the way cannot become a folder.
    EXPECT_FALSE(
        CreateFolderChain(Program("Data\\textures\\actors\\character\\FemaleHead.dds\\x")));
}
