#include "platform/SafeWrite.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

size_t FilesIn(const fs::path& folder) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

} // namespace

TEST(WriteFileSafely, ReplacesTheTargetOnlyWhenTheWriteSucceeds) {
    TempFolder root;
    const std::string target = root / "Head.dds";
    WriteTextFile(target, "old texture");

    std::string tempSeen;
    EXPECT_FALSE(WriteFileSafely(target, [&](const std::string& temp) {
        tempSeen = temp;
        std::ofstream(temp) << "half";
        return false;
    }));
    EXPECT_EQ(ReadTextFile(target), "old texture");
    EXPECT_EQ(FilesIn(root.Path()), 1u) << "the temporary file is removed";
    EXPECT_EQ(fs::path(tempSeen).parent_path(), root.Path());
    EXPECT_EQ(fs::path(tempSeen).extension(), ".dds") << "writers choose their format by it";

    // A writer that claims success but wrote nothing does not replace the target either.
    EXPECT_FALSE(WriteFileSafely(target, [](const std::string&) { return true; }));
    EXPECT_EQ(ReadTextFile(target), "old texture");

    EXPECT_TRUE(WriteFileSafely(target, [](const std::string& temp) {
        std::ofstream(temp) << "new texture";
        return true;
    }));
    EXPECT_EQ(ReadTextFile(target), "new texture");
    EXPECT_EQ(FilesIn(root.Path()), 1u);

    // A folder where the file should go cannot be replaced: failure, and nothing left behind.
    fs::create_directories(root.Path() / "Folder.dds/inner");
    EXPECT_FALSE(WriteFileSafely(root / "Folder.dds", [](const std::string& temp) {
        std::ofstream(temp) << "new";
        return true;
    }));
    EXPECT_EQ(FilesIn(root.Path()), 2u);
}

// Quillon's own folder takes the temporary file, so that a process killed mid-write leaves
// nothing among the textures; a failure leaves nothing in either folder.
TEST(WriteFileSafely, PutsTheTemporaryFileInTheFolderItIsGiven) {
    TempFolder root;
    fs::create_directories(root.Path() / "textures");
    fs::create_directories(root.Path() / "ours");
    const std::string target = root / "textures/Head.dds";
    WriteTextFile(target, "old texture");
    for (const bool succeed : {false, true}) {
        std::string tempSeen;
        EXPECT_EQ(WriteFileSafely(
                      target,
                      [&](const std::string& temp) {
                          tempSeen = temp;
                          std::ofstream(temp) << "new texture";
                          return succeed;
                      },
                      (root.Path() / "ours").string()),
                  succeed);
        EXPECT_EQ(fs::path(tempSeen).parent_path(), root.Path() / "ours");
        EXPECT_EQ(fs::path(tempSeen).extension(), ".dds");
        EXPECT_EQ(ReadTextFile(target), succeed ? "new texture" : "old texture");
        EXPECT_EQ(FilesIn(root.Path() / "ours"), 0u);
        EXPECT_EQ(FilesIn(root.Path() / "textures"), 1u);
    }
}
