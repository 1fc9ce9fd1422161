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
