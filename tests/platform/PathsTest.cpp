#include "platform/Paths.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace fs = std::filesystem;

TEST(Paths, BackslashesBecomeNativeSeparatorsOnlyAtTheBoundary) {
    EXPECT_EQ(ToNativePath("textures\\actors\\a.dds"), NativePath("textures/actors/a.dds"));
    EXPECT_EQ(ToNativePath("\\abs\\Data\\textures\\"), NativePath("/abs/Data/textures/"));
    EXPECT_EQ(DisplayPath("Library\\Head\\x.psd"), NativePath("Library/Head/x.psd"));
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

TEST_F(ResolvePathTest, FindsEachComponentIgnoringCaseAndKeepsTheMissingTailAsWritten) {
    fs::create_directories(Root.Path() / "Data/Textures"); // a case variant of Data/textures
    const std::pair<const char*, const char*> cases[] = {
        {"DATA\\textures\\Actors\\CHARACTER\\femalehead.DDS",
         "Data/textures/actors/character/FemaleHead.dds"},
        {"Data\\textures", "Data/textures"}, // exists as written
        {"Data\\TEXTURES", "Data/Textures"}, // of two variants, the first in NTFS order
        {"data\\TEXTURES\\New\\Head.dds", "Data/Textures/New/Head.dds"}, // missing tail kept
        {"data\\actors\\", "Data/actors/"},                              // trailing separator kept
    };
    for (const auto& [written, found] : cases) {
        EXPECT_EQ(ResolvePath(Program(written)), Root / FoundSpelling(written, found)) << written;
    }
    CurrentDirectoryGuard cwd(Root.Path());
    EXPECT_EQ(ResolvePath("data\\TEXTURES\\actors"),
              FoundSpelling("data\\TEXTURES\\actors", "Data/Textures/actors"));
}

TEST_F(ResolvePathTest, CreatingAFolderChainReusesFoldersThatDifferOnlyInCase) {
    ASSERT_TRUE(CreateFolderChain(Program("DATA\\Textures\\Actors\\Character\\Alt\\Deeper")));
    EXPECT_TRUE(fs::is_directory(Root.Path() / "Data/textures/actors/character/Alt/Deeper"));
    std::vector<std::string> top; // no second "Data" in another letter case
    for (const auto& entry : fs::directory_iterator(Root.Path())) {
        top.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(top, std::vector<std::string>{"Data"});
    EXPECT_TRUE(CreateFolderChain(Program("Data\\textures"))); // existing: fine
    EXPECT_FALSE(CreateFolderChain(""));
    // A file in the way cannot become a folder.
    EXPECT_FALSE(
        CreateFolderChain(Program("Data\\textures\\actors\\character\\FemaleHead.dds\\x")));
}
