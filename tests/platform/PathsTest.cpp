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

// Each component is found ignoring letter case; a missing tail is kept as written. Folders made
// for a path reuse those that differ only in case.
TEST(Paths, ResolvedAndMadeIgnoringCase) {
    TempFolder root;
    WriteTextFile(root / "Data/textures/actors/character/FemaleHead.dds", "x");
    fs::create_directories(root.Path() / "Data/Textures"); // a case variant of Data/textures
    auto program = [&root](const std::string& relative) {
        return root.Path().string() + "\\" + relative;
    };
    const std::pair<const char*, const char*> cases[] = {
        {"DATA\\textures\\Actors\\CHARACTER\\femalehead.DDS",
         "Data/textures/actors/character/FemaleHead.dds"},
        {"Data\\textures", "Data/textures"}, // exists as written
        {"Data\\TEXTURES", "Data/Textures"}, // of two variants, the first in NTFS order
        {"data\\TEXTURES\\New\\Head.dds", "Data/Textures/New/Head.dds"}, // missing tail kept
        {"data\\actors\\", "Data/actors/"},                              // trailing separator kept
    };
    for (const auto& [written, found] : cases) {
        EXPECT_EQ(ResolvePath(program(written)), root / FoundSpelling(written, found)) << written;
    }
    {
        CurrentDirectoryGuard cwd(root.Path());
        EXPECT_EQ(ResolvePath("data\\TEXTURES\\actors"),
                  FoundSpelling("data\\TEXTURES\\actors", "Data/Textures/actors"));
    }

    std::error_code variant; // where names ignore case, the variant is Data/textures itself
    fs::remove(root.Path() / "Data/Textures", variant);
    ASSERT_TRUE(CreateFolderChain(program("DATA\\Textures\\Actors\\Character\\Alt\\Deeper")));
    EXPECT_TRUE(fs::is_directory(root.Path() / "Data/textures/actors/character/Alt/Deeper"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root.Path()), {}), 1) << "no second Data";
    EXPECT_TRUE(CreateFolderChain(program("Data\\textures"))); // existing: fine
    EXPECT_FALSE(CreateFolderChain(""));
    // A file in the way cannot become a folder.
    EXPECT_FALSE(
        CreateFolderChain(program("Data\\textures\\actors\\character\\FemaleHead.dds\\x")));
}
