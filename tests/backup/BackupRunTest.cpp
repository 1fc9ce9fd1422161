// A run keeps every file it replaces, byte for byte, and its journal names every file before it
// is touched: what was replaced, what was new, what already held the bytes.
#include "backup/BackupRun.h"

#include "backup/BackupSupport.h"
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

std::size_t FilesBelow(const fs::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        count += entry.is_regular_file() ? 1 : 0;
    }
    return count;
}

} // namespace

TEST(BackupRun, KeepsWhatItReplacesAndRecordsEveryFile) {
    const OutputFolder out;
    out.Write("textures/a.dds", "player's a");
    out.Write("textures/same.dds", "already this");
    fs::create_hard_link(out.File("textures/a.dds"), out.File("staging a.dds")); // a mod manager's
    std::vector<std::string> steps;
    {
        BackupRun run("head fix");
        run.StepDone = [&](const char* step) { steps.push_back(step); };
        ASSERT_TRUE(run.Write(out.Program(), out.File("textures/a.dds"), Bytes("ours a")));
        ASSERT_TRUE(run.Write(out.Program(), out.File("textures/new/deeper/b.dds"), Bytes("b")));
        ASSERT_TRUE(run.Write(out.Program(), out.File("textures/same.dds"), Bytes("already this")));
        // Written again in the same run: the original stays the one kept.
        ASSERT_TRUE(run.Write(out.Program(), out.File("textures/a.dds"), Bytes("ours a, again")));
        run.Finish(true);
    }
    EXPECT_EQ(out.Read("textures/a.dds"), "ours a, again");
    EXPECT_EQ(out.Read("textures/new/deeper/b.dds"), "b");
    EXPECT_EQ(out.Read("staging a.dds"), "player's a") << "a linked file is never written through";

    const std::vector<RunFolder> runs = out.Runs();
    ASSERT_EQ(runs.size(), 1u);
    const RunFolder& run = runs[0];
    ASSERT_TRUE(run.Readable) << run.Problem;
    EXPECT_EQ(run.Number, 1u);
    EXPECT_EQ(ReadTextFile(run.KeptOriginal("textures/a.dds").string()), "player's a");
    EXPECT_EQ(FilesBelow(run.Path / ReplacedFolderName), 1u) << "only what was replaced is kept";
    EXPECT_TRUE(fs::is_empty(out.Root.Path() / BackupFolderName / TemporaryFolderName));
    const Journal& journal = run.Record;
    EXPECT_EQ(journal.What, "head fix");
    EXPECT_TRUE(journal.EndedOk && !journal.Ended.empty());
    EXPECT_EQ(journal.Folders, (std::vector<std::string>{"textures/new", "textures/new/deeper"}));
    ASSERT_EQ(journal.Files.size(), 4u);
    const EntryKind kinds[] = {EntryKind::Replaced, EntryKind::New, EntryKind::Same,
                               EntryKind::Replaced};
    const char* paths[] = {"textures/a.dds", "textures/new/deeper/b.dds", "textures/same.dds",
                           "textures/a.dds"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(journal.Files[i].State, EntryState::Written);
        EXPECT_EQ(journal.Files[i].Kind, kinds[i]) << i;
        EXPECT_EQ(journal.Files[i].Path, paths[i]);
    }
    EXPECT_EQ(journal.Files[0].Replaced, HashBytes(Bytes("player's a")));
    EXPECT_EQ(journal.Files[3].Replaced, HashBytes(Bytes("player's a")));
    EXPECT_EQ(journal.Files[3].Written, HashBytes(Bytes("ours a, again")));
    // Every step of a replacing write, the journal first; its success is recorded with the next
    // record, and the same bytes take a record alone.
    const std::vector<std::string> replacing = {"journal written aside", "journal", "kept",
                                                "written aside", "renamed"};
    ASSERT_GE(steps.size(), replacing.size());
    EXPECT_EQ(std::vector<std::string>(steps.begin(), steps.begin() + 5), replacing);

    // The next run takes the next number.
    EXPECT_TRUE(out.RunWriting({{"c.dds", "c"}}));
    ASSERT_EQ(out.Runs().size(), 2u);
    EXPECT_EQ(out.Runs()[1].Number, 2u);
}

TEST(BackupRun, AFailedWriteKeepsNothingAndSaysWhy) {
    const OutputFolder out;
    out.Write("textures/a.dds", "player's a");
    fs::create_directories(out.File("textures/folder.dds"));
    BackupRun run("save");
    EXPECT_FALSE(run.Write(out.Program(), out.File("textures/folder.dds"), Bytes("x")));
    EXPECT_NE(run.Failure().find("writing the file failed"), std::string::npos) << run.Failure();
    // Nothing outside the output folder, whatever the path says.
    EXPECT_FALSE(run.Write(out.Program(), out.File("textures/../../escaped.dds"), Bytes("x")));
    EXPECT_NE(run.Failure().find("outside the output folder"), std::string::npos);
    EXPECT_FALSE(fs::exists(out.Root.Path().parent_path() / "escaped.dds"));
    EXPECT_TRUE(run.Write(out.Program(), out.File("textures/a.dds"), Bytes("ours")));
    EXPECT_TRUE(run.Failure().empty());
    run.Finish(false);

    const std::vector<RunFolder> runs = out.Runs();
    ASSERT_EQ(runs.size(), 1u);
    const Journal& journal = runs[0].Record;
    ASSERT_EQ(journal.Files.size(), 2u);
    EXPECT_EQ(journal.Files[0].State, EntryState::Failed);
    EXPECT_NE(journal.Files[0].Reason.find("writing the file failed"), std::string::npos);
    EXPECT_EQ(journal.Files[1].State, EntryState::Written);
    EXPECT_FALSE(journal.EndedOk);
    EXPECT_FALSE(fs::exists(runs[0].KeptOriginal("textures/folder.dds")));
    EXPECT_EQ(ReadTextFile(runs[0].KeptOriginal("textures/a.dds").string()), "player's a");
}

// The bench's baseline: the safe write alone, no folder of ours.
TEST(BackupRun, WithoutKeepingWritesOnly) {
    const OutputFolder out;
    out.Write("a.dds", "player's a");
    BackupRun run("bench");
    run.Keep = false;
    ASSERT_TRUE(run.Write(out.Program(), out.File("t/a.dds"), Bytes("ours")));
    ASSERT_TRUE(run.Write(out.Program(), out.File("a.dds"), Bytes("ours")));
    run.Finish(true);
    EXPECT_EQ(out.Read("a.dds"), "ours");
    EXPECT_FALSE(fs::exists(out.Root.Path() / BackupFolderName));
}

// A process killed mid-write left a temporary file in our folder: the next run clears it away,
// but never one of a process that still runs.
TEST(BackupRun, ClearsTemporaryFilesOfEndedProcesses) {
    const OutputFolder out;
    const fs::path temporary = out.Root.Path() / BackupFolderName / TemporaryFolderName;
    fs::create_directories(temporary);
    // Process ids beyond any system's, and this process's own.
    WriteTextFile((temporary / ".a.quillon-4000000000-0.dds").string(), "half");
    const std::string ownName = ".b.quillon-" + std::to_string(CurrentProcessId()) + "-7.dds";
    WriteTextFile((temporary / ownName).string(), "being written");
    WriteTextFile((temporary / "player's note.txt").string(), "not ours");
    EXPECT_TRUE(out.RunWriting({{"a.dds", "a"}}));
    EXPECT_FALSE(fs::exists(temporary / ".a.quillon-4000000000-0.dds"));
    EXPECT_TRUE(fs::exists(temporary / ownName));
    EXPECT_TRUE(fs::exists(temporary / "player's note.txt"));
}
