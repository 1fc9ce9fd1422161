#include "platform/SafeWrite.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

} // namespace

// The temporary file lies beside the target, or in Quillon's own folder when one is given (so
// that a process killed mid-write leaves nothing among the textures), and keeps the target's
// extension. The target changes only when the writer succeeded and wrote something; no temporary
// file stays in either folder.
TEST(WriteFileSafely, ReplacesTheTargetOnlyWhenTheWriteSucceeds) {
    TempFolder root;
    const fs::path textures = root.Path() / "textures", ours = root.Path() / "ours";
    fs::create_directories(ours);
    const std::string target = root / "textures/Head.dds";
    WriteTextFile(target, "old texture");
    const struct {
        const char* What;
        fs::path Folder;    // where the temporary file goes; empty: beside the target
        const char* Writes; // null: nothing
        bool Succeeds;
    } cases[] = {
        {"fails", {}, "half", false},
        {"claims success but writes nothing", {}, nullptr, true},
        {"fails in our folder", ours, "half", false},
        {"succeeds in our folder", ours, "ours", true},
        {"succeeds", {}, "new texture", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::string temp;
        const std::string before = ReadTextFile(target);
        const bool done = WriteFileSafely(
            target,
            [&](const std::string& path) {
                temp = path;
                if (c.Writes != nullptr) {
                    std::ofstream(path) << c.Writes;
                }
                return c.Succeeds;
            },
            c.Folder.string());
        const bool replaced = c.Succeeds && c.Writes != nullptr;
        EXPECT_EQ(done, replaced);
        EXPECT_EQ(ReadTextFile(target), replaced ? c.Writes : before);
        EXPECT_EQ(fs::path(temp).parent_path(), c.Folder.empty() ? textures : c.Folder);
        EXPECT_EQ(fs::path(temp).extension(), ".dds") << "writers choose their format by it";
        EXPECT_EQ(FilesIn(textures) + FilesIn(ours), 1u);
    }

    // A folder where the file should go cannot be replaced: failure, and nothing left behind.
    fs::create_directories(textures / "Folder.dds/inner");
    EXPECT_FALSE(WriteFileSafely((textures / "Folder.dds").string(), [](const std::string& temp) {
        std::ofstream(temp) << "new";
        return true;
    }));
    EXPECT_EQ(FilesIn(textures), 2u);
}
