// Backups, the restore and no fix applied twice, end to end: the console program over a data
// folder that is also the output folder, and the window's session.
#include "backup/Restore.h"
#include "platform/MessageBox.h"
#include "support/ProcessRunner.h"
#include "workflow/BlendSession.h"
#include "workflow/HeadWorkspace.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

ProcessResult Cli(const TempFolder& root, const std::vector<std::string>& arguments = {}) {
    return RunIn(root.Path(), QUILLON_CLI, arguments);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

TEST(Backups, TheHeadFixTwiceWritesTheSameBytesAndTheRestoreBringsTheOriginalsBack) {
    const TempFolder root;
    ASSERT_TRUE(MakeDataFolderWorkspace(root.Path()));
    const auto original = FilesBelow(root.Path() / "Data");

    ProcessResult run = Cli(root);
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(Count(run.StandardOutput, "Quillon's own output"), 0u);
    const auto first = FilesBelow(root.Path() / "Data");
    ASSERT_EQ(first.size(), original.size()) << "no file beside the textures";
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_NE(first.at(HeadPath(i)), original.at(HeadPath(i))) << HeadPath(i);
    }

    // The second run starts from the originals, not from the first run's outputs, and says so.
    run = Cli(root);
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(Count(run.StandardOutput, "is Quillon's own output (run 1 of 20"), 6u)
        << run.StandardOutput;
    EXPECT_EQ(Count(run.StandardOutput, "the blend starts from the original it replaced"), 6u);
    EXPECT_TRUE(FilesBelow(root.Path() / "Data") == first) << "the same bytes again";

    // The second run changed nothing: the first is the one to undo.
    run = Cli(root, {"--restore", "--list"});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(Count(run.StandardOutput, "\n"), 1u) << run.StandardOutput;
    EXPECT_EQ(run.StandardOutput.rfind("run 1 (head fix, 20", 0), 0u) << run.StandardOutput;
    EXPECT_NE(run.StandardOutput.find("): 6 replaced, 0 new\n"), std::string::npos);

    run = Cli(root, {"--restore"});
    EXPECT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(Count(run.StandardOutput, "put back "), 6u) << run.StandardOutput;
    EXPECT_NE(run.StandardOutput.find(NativePath("Data/" + HeadPath(5))), std::string::npos);
    EXPECT_TRUE(FilesBelow(root.Path() / "Data") == original);

    run = Cli(root, {"--restore"});
    EXPECT_EQ(run.ExitCode, 20);
    EXPECT_EQ(run.StandardError.rfind("No run of Quillon can be undone in ", 0), 0u);
    EXPECT_TRUE(FilesBelow(root.Path() / "Data") == original);
    EXPECT_EQ(Cli(root, {"--force"}).ExitCode, 64) << "--force belongs to --restore";
}

// A player's texture installed over one of ours is the player's: the next run blends from it and
// keeps it; the run before, which never wrote it, leaves it alone until forced.
TEST(Backups, APlayersFileInTheOutputFolderIsNeverTreatedAsOurs) {
    const TempFolder root;
    ASSERT_TRUE(MakeDataFolderWorkspace(root.Path()));
    const auto original = FilesBelow(root.Path() / "Data");
    ASSERT_EQ(Cli(root).ExitCode, 0);
    const auto first = FilesBelow(root.Path() / "Data");
    const std::string players = "Data/" + HeadPath(1);
    ASSERT_TRUE(WriteDdsTexture(root / players, MakeSeamedTexture(SampleKind::Skin, 32, 32, 20, 99),
                                "DXT1"));
    const std::string playersBytes = ReadTextFile(root / players);

    ProcessResult run = Cli(root);
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(Count(run.StandardOutput, "is Quillon's own output"), 5u) << run.StandardOutput;
    EXPECT_EQ(run.StandardOutput.find(NativePath(players) + " is"), std::string::npos);
    const std::string blended = ReadTextFile(root / players);
    EXPECT_NE(blended, playersBytes);
    EXPECT_NE(blended, first.at(HeadPath(1)));

    // Undoing the second run gives the player's file back.
    run = Cli(root, {"--restore"});
    EXPECT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(run.StandardOutput.find("put back "), run.StandardOutput.rfind("put back "))
        << "only the player's file was replaced: " << run.StandardOutput;
    EXPECT_EQ(ReadTextFile(root / players), playersBytes);

    // The first run never wrote the player's file: it is left alone, named, and the run stays.
    run = Cli(root, {"--restore"});
    EXPECT_EQ(run.ExitCode, 21);
    EXPECT_EQ(Count(run.StandardOutput, "put back "), 5u);
    EXPECT_NE(run.StandardError.find("left alone " + (root / players) +
                                     ": it was changed since Quillon wrote it"),
              std::string::npos)
        << run.StandardError;
    EXPECT_EQ(ReadTextFile(root / players), playersBytes);
    run = Cli(root, {"--restore", "--list"});
    EXPECT_EQ(run.StandardOutput.rfind("run 1 (", 0), 0u) << run.StandardOutput;

    run = Cli(root, {"--restore", "--force"});
    EXPECT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_TRUE(FilesBelow(root.Path() / "Data") == original);
    bool setAside = false; // the player's file was not deleted
    for (const auto& [path, bytes] : FilesBelow(root.Path() / "Data", true)) {
        setAside = setAside ||
                   (path.find(ChangedFolderName) != std::string::npos && bytes == playersBytes);
    }
    EXPECT_TRUE(setAside);
}

// The window's "Blend Images" over an installed texture that is our own output starts from the
// original, says so beside the source picture, and writes the same bytes; the plan for "Restore
// Previous Textures..." lists the file.
TEST(Backups, TheWindowsInstalledSourceSkipsOurOwnOutput) {
    const TempFolder root;
    ASSERT_TRUE(MakeDataFolderWorkspace(root.Path()));
    const CurrentDirectoryGuard inWorkspace(root.Path());
    const std::string path = "Data/" + HeadPath(0);
    const std::string original = ReadTextFile(root / path);
    std::vector<std::string> boxes;
    SetMessageBoxHandler([&](const MessageBoxRequest& box) {
        boxes.push_back(box.Text.substr(0, box.Text.find("\r\n"))); // the first line
        return msgbox::IDOK;
    });
    BlendSession session;
    session.LoadConfiguration([] { return std::optional<std::string>(); });
    session.StartEngine();
    session.SetName = "Head";
    session.TypeName = "Color";
    std::vector<std::string> reasons;
    session.View.Reason = [&](unsigned pictures, const std::string& reason) {
        // A note beside a good load: no picture is marked failed.
        if (!reason.empty()) {
            EXPECT_EQ(pictures, 0u) << reason;
            reasons.push_back(reason);
        }
    };
    const BlendChoice choice{true, {"female"}, "", "Head\\Color\\KORAv3_HeadNeckBlendColor.psd"};
    session.BlendImages(choice, true);
    const std::string first = ReadTextFile(root / path);
    EXPECT_NE(first, original);
    EXPECT_TRUE(reasons.empty());
    session.BlendImages(choice, true);
    EXPECT_EQ(ReadTextFile(root / path), first);
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find("the blend starts from the original it replaced"), std::string::npos);
    EXPECT_EQ(session.SourceNote, reasons[0]);
    EXPECT_EQ(boxes,
              (std::vector<std::string>{"File saved successfully!", "File saved successfully!"}));
    SetMessageBoxHandler({});

    const RestorePlan plan = PlanRestore(session.OutputPath());
    ASSERT_TRUE(plan.Found);
    EXPECT_EQ(plan.Run.What, "Blend Images");
    ASSERT_EQ(plan.Files.size(), 1u);
    EXPECT_EQ(plan.Files[0].Action, RestoreAction::PutBack);
    EXPECT_TRUE(fs::equivalent(plan.Files[0].Path, root / path));
    EXPECT_TRUE(RestoreMostRecentRun(session.OutputPath()).Undone);
    EXPECT_EQ(ReadTextFile(root / path), original);
}
