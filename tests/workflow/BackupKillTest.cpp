// The head fix killed (SIGKILL) at random moments of its writes, and writes that fail for want of
// space: every texture is the old one or the new one, the journal reads, no temporary file lies
// beside the textures, and the restore brings every byte back. POSIX: the head fix runs in a fork
// of this process with its own threads, so the test picks the moment it dies.
#include "backup/BackupFolder.h"
#include "platform/SafeWrite.h"
#include "support/ProcessRunner.h"
#include "workflow/AutoHeadFix.h"
#include "workflow/HeadWorkspace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

// The head fix in a child process, killed after `killAt` steps of its writes (never when 0) and
// `delay` later. The number of steps it took when it finished, or -1 when it was killed.
int HeadFixInChild(const fs::path& workspace, int killAt, std::chrono::microseconds delay) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(workspace.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) ||
            !std::freopen("/dev/null", "w", stderr)) {
            _exit(126);
        }
        TaskPool pool(2); // the parent's shared pool has no threads here
        BlendSession session;
        session.Pool = &pool;
        session.LoadConfiguration([] { return std::optional<std::string>(); });
        session.StartEngine();
        int steps = 0;
        session.BackupStepDone = [&](const char*) {
            if (++steps != killAt) {
                return;
            }
            if (delay.count() == 0) {
                kill(getpid(), SIGKILL);
            }
            std::thread([delay] {
                std::this_thread::sleep_for(delay);
                kill(getpid(), SIGKILL);
            }).detach();
        };
        const int result = RunAutoHeadFix(session);
        _exit(result == 0 ? std::min(steps, 200) : 201 + result);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
        return -1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) <= 200 ? WEXITSTATUS(status) : -2;
}

std::vector<std::string> TemporaryFiles(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& [path, bytes] : FilesBelow(folder, true)) {
        if (path.find(TemporaryMarker) != std::string::npos) {
            found.push_back(path);
        }
    }
    return found;
}

} // namespace

TEST(BackupKill, KilledAtAnyMomentEveryTextureIsOldOrNewAndTheRestoreBringsBackEveryByte) {
    const TempFolder root;
    const fs::path clean = root.Path() / "clean";
    ASSERT_TRUE(MakeDataFolderWorkspace(clean));
    const auto original = FilesBelow(clean / "Data");

    // A whole run: how many steps its writes take, and what it writes.
    const fs::path whole = root.Path() / "whole";
    fs::copy(clean, whole, fs::copy_options::recursive);
    const int steps = HeadFixInChild(whole, 0, {});
    ASSERT_GT(steps, 6 * 5) << "every write has its steps";
    const auto written = FilesBelow(whole / "Data");

    const unsigned seed = 20261207;
    std::mt19937 random(seed);
    for (int point = 0; point < 24; ++point) {
        const int killAt = std::uniform_int_distribution<int>(1, steps)(random);
        const std::chrono::microseconds delay(
            random() % 2 ? 0 : std::uniform_int_distribution<int>(1, 3000)(random));
        SCOPED_TRACE("seed " + std::to_string(seed) + ", kill point " + std::to_string(point) +
                     ": after step " + std::to_string(killAt) + " of " + std::to_string(steps) +
                     " and " + std::to_string(delay.count()) + " µs");
        const fs::path workspace = root.Path() / ("kill" + std::to_string(point));
        fs::copy(clean, workspace, fs::copy_options::recursive);
        // A delayed kill may come after the run's end on a busy machine; one with no delay may not.
        const bool died = HeadFixInChild(workspace, killAt, delay) == -1;
        EXPECT_TRUE(died || delay.count() != 0) << "the kill falls within the run";

        // Each texture whole, old or new, and nothing else among them.
        const auto now = FilesBelow(workspace / "Data");
        ASSERT_EQ(now.size(), original.size());
        for (const auto& [path, bytes] : now) {
            EXPECT_TRUE(bytes == original.at(path) || bytes == written.at(path)) << path;
        }
        for (const RunFolder& run : ReadRuns(workspace / "Data")) {
            EXPECT_TRUE(run.Readable) << run.Problem;
        }

        const ProcessResult restore = RunIn(workspace, QUILLON_CLI, {"--restore"});
        EXPECT_TRUE(restore.ExitCode == 0 || restore.ExitCode == 20) << restore.StandardError;
        EXPECT_TRUE(FilesBelow(workspace / "Data") == original) << restore.StandardOutput;
        EXPECT_EQ(TemporaryFiles(workspace / "Data"), std::vector<std::string>());
        fs::remove_all(workspace);
    }
}

// The disk fills up (the file size limit stands in for it, as root ignores permissions): the save
// fails with the head fix's own code and message, the texture stays as it was, and the journal
// says what happened. When not even the journal can be written, nothing is touched at all.
TEST(BackupKill, AFullDiskLosesNothingAndTheJournalSaysSo) {
    for (const int blocks : {4, 0}) {
        SCOPED_TRACE(std::to_string(blocks * 512) + " bytes a file at most");
        const TempFolder root;
        ASSERT_TRUE(MakeDataFolderWorkspace(root.Path(), 64));
        const auto original = FilesBelow(root.Path() / "Data");
        // Ignored, SIGXFSZ lets the write fail instead of ending the process.
        const ProcessResult run =
            RunProcess("/bin/sh",
                       {"-c", "ulimit -f " + std::to_string(blocks) + "; trap '' XFSZ; exec \"$0\"",
                        QUILLON_CLI},
                       root.Path().string(), {{"HOME", root / "home"}},
                       {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
        EXPECT_EQ(run.ExitCode, 4);
        if (blocks > 0) { // with none, not even the message can be written
            EXPECT_EQ(run.StandardError, "Error: Failed to save Color output file writing the "
                                         "file failed (the disk may be full, or the folder "
                                         "read-only)\n");
        }
        EXPECT_TRUE(FilesBelow(root.Path() / "Data") == original);
        EXPECT_EQ(TemporaryFiles(root.Path() / "Data"), std::vector<std::string>());
        const std::vector<RunFolder> runs = ReadRuns(root.Path() / "Data");
        if (blocks == 0) {
            EXPECT_TRUE(runs.empty());
            continue;
        }
        ASSERT_EQ(runs.size(), 1u);
        ASSERT_TRUE(runs[0].Readable) << runs[0].Problem;
        const Journal& journal = runs[0].Record;
        ASSERT_EQ(journal.Files.size(), 1u);
        EXPECT_EQ(journal.Files[0].State, EntryState::Failed);
        EXPECT_EQ(journal.Files[0].Path, HeadPath(0));
        EXPECT_NE(journal.Files[0].Reason.find("the disk may be full"), std::string::npos);
        EXPECT_FALSE(journal.EndedOk);
        EXPECT_FALSE(fs::exists(runs[0].KeptOriginal(HeadPath(0))));
    }
}
