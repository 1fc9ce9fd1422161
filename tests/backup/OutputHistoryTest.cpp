// Whether an installed texture is our own output, by its content hash alone, and which original
// a blend then starts from.
#include "backup/OutputHistory.h"

#include "backup/BackupSupport.h"
#include "backup/Restore.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillon;

namespace fs = std::filesystem;

TEST(OutputHistory, OnlyAHashMatchMakesAFileOurs) {
    const OutputFolder out;
    out.Write("textures/a.dds", "original a");
    out.Write("textures/player.dds", "the player's");
    OutputHistory history;
    // No folder of ours at all.
    InstalledOrigin origin = history.Trace(out.File("textures/a.dds"));
    EXPECT_EQ(origin.Which, InstalledOrigin::Kind::Player);
    EXPECT_EQ(origin.Path, out.File("textures/a.dds"));
    EXPECT_TRUE(origin.Note.empty());

    ASSERT_TRUE(out.RunWriting({{"textures/a.dds", "first a"}, {"textures/b.dds", "new b"}}));
    ASSERT_TRUE(out.RunWriting({{"textures/a.dds", "second a"}}));
    history.Forget();
    // Ours twice over: the original is what the first run kept, not the first run's output.
    origin = history.Trace(out.File("textures/a.dds"));
    EXPECT_EQ(origin.Which, InstalledOrigin::Kind::OursReplaced);
    EXPECT_EQ(ReadTextFile(origin.Path), "original a");
    EXPECT_NE(origin.Note.find("is Quillon's own output (run 1 of "), std::string::npos)
        << origin.Note;
    EXPECT_NE(origin.Note.find(origin.Path), std::string::npos);

    origin = history.Trace(out.File("textures/b.dds"));
    EXPECT_EQ(origin.Which, InstalledOrigin::Kind::OursNew);
    EXPECT_TRUE(origin.Path.empty());
    EXPECT_NE(origin.Note.find("replaced nothing"), std::string::npos);

    // A player's file at a path we wrote, and one that merely lies in the output folder.
    out.Write("textures/b.dds", "the player's b");
    EXPECT_EQ(history.Trace(out.File("textures/b.dds")).Which, InstalledOrigin::Kind::Player);
    origin = history.Trace(out.File("textures/player.dds"));
    EXPECT_EQ(origin.Which, InstalledOrigin::Kind::Player);
    EXPECT_TRUE(origin.Note.empty());
    // Our file below a folder that is not itself the output folder is found from above.
    EXPECT_EQ(history.Trace(out.File("textures/a.dds")).Which, InstalledOrigin::Kind::OursReplaced);

    // Undone runs do not count.
    ASSERT_TRUE(RestoreMostRecentRun(out.Program()).Undone);
    history.Forget();
    origin = history.Trace(out.File("textures/a.dds"));
    EXPECT_EQ(origin.Which, InstalledOrigin::Kind::OursReplaced);
    EXPECT_EQ(ReadTextFile(origin.Path), "original a");
    ASSERT_TRUE(RestoreMostRecentRun(out.Program(), true).Undone);
    history.Forget();
    EXPECT_EQ(history.Trace(out.File("textures/a.dds")).Which, InstalledOrigin::Kind::Player);
}

TEST(OutputHistory, AMissingOriginalIsSaidAndTheFileUsedAsItIs) {
    const OutputFolder out;
    out.Write("a.dds", "original a");
    ASSERT_TRUE(out.RunWriting({{"a.dds", "ours"}}));
    fs::remove(out.Runs().at(0).KeptOriginal("a.dds"));
    OutputHistory history;
    const InstalledOrigin origin = history.Trace(out.File("a.dds"));
    EXPECT_EQ(origin.Which, InstalledOrigin::Kind::Player);
    EXPECT_EQ(origin.Path, out.File("a.dds"));
    EXPECT_NE(origin.Note.find("is missing"), std::string::npos) << origin.Note;
}
