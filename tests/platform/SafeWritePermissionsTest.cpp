// Safe writes keep the POSIX permission bits of the file they replace. Windows has none of those
// bits (only a read-only attribute), so these cases are built for Linux only.
#include "platform/SafeWrite.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

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
