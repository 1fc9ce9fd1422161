// Safe writes keep the POSIX permission bits of the file they replace. Windows has none of those
// bits (only a read-only attribute), so these cases are built for Linux only.
#include "platform/SafeWrite.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

using namespace quillon;

namespace fs = std::filesystem;

TEST(WriteFileSafely, KeepsThePermissionsOfTheFileItReplaces) {
    TempFolder root;
    const std::string target = root / "Head.dds";
    WriteTextFile(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteFileSafely(target, [](const std::string& temp) {
        std::ofstream(temp) << "new";
        return true;
    }));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// A temporary folder on another file system (memory) than the target: the rename cannot cross,
// so the file is written beside the target after all, and nothing stays behind in either place.
TEST(WriteFileSafely, WritesBesideTheTargetWhenTheTemporaryFolderIsOnAnotherFileSystem) {
    TempFolder root;
    const fs::path memory = fs::path("/dev/shm") / root.Path().filename();
    struct stat rootInfo {
    }, memoryInfo{};
    std::error_code error;
    if (!fs::create_directory(memory, error) || stat(root.Path().c_str(), &rootInfo) != 0 ||
        stat(memory.c_str(), &memoryInfo) != 0 || rootInfo.st_dev == memoryInfo.st_dev) {
        fs::remove_all(memory, error);
        GTEST_SKIP() << "no memory file system apart from the temporary folder's";
    }
    std::vector<std::string> temps;
    EXPECT_TRUE(WriteFileSafely(
        root / "Head.dds",
        [&](const std::string& temp) {
            temps.push_back(temp);
            std::ofstream(temp) << "new";
            return true;
        },
        memory.string()));
    EXPECT_EQ(ReadTextFile(root / "Head.dds"), "new");
    ASSERT_EQ(temps.size(), 2u);
    EXPECT_EQ(fs::path(temps[0]).parent_path(), memory);
    EXPECT_EQ(fs::path(temps[1]).parent_path(), root.Path());
    EXPECT_TRUE(fs::is_empty(memory));
    EXPECT_EQ(std::distance(fs::directory_iterator(root.Path()), {}), 1);
    fs::remove_all(memory);
}
