// Undoing runs, the most recent first: every byte comes back, files changed since are left alone
// (or, forced, set aside, never deleted), and a damaged journal stops the restore.
#include "backup/Restore.h"

#include "backup/BackupSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

std::string Actions(const RestorePlan& plan) {
    std::string text;
    for (const RestoreFile& file : plan.Files) {
        static const char* names[] = {"put back", "remove", "nothing", "leave alone", "fail"};
        text += fs::path(file.Path).filename().string() + ": " +
                names[static_cast<int>(file.Action)] + (file.Forced ? " (forced)" : "") + "; ";
    }
    return text;
}

} // namespace

TEST(Restore, UndoesRunsOneByOneTheMostRecentFirst) {
    const OutputFolder out;
    out.Write("textures/a.dds", "original a");
    out.Write("textures/c.dds", "original c");
    ASSERT_TRUE(
        out.RunWriting({{"textures/a.dds", "first a"}, {"textures/made/b.dds", "b"}}, "head fix"));
    ASSERT_TRUE(out.RunWriting({{"textures/a.dds", "second a"}, {"textures/c.dds", "second c"}},
                               "Blend Images"));
    // Changed nothing: not a run to undo.
    ASSERT_TRUE(out.RunWriting({{"textures/a.dds", "second a"}}, "head fix"));

    std::string problem;
    const std::vector<RunSummary> runs = UndoableRuns(out.Program(), problem);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(problem.empty());
    EXPECT_EQ(runs[0].Number, 2u);
    EXPECT_EQ(runs[0].What, "Blend Images");
    EXPECT_EQ(runs[1].Replaced, 1u);
    EXPECT_EQ(runs[1].New, 1u);

    // The plan changes nothing.
    const RestorePlan plan = PlanRestore(out.Program());
    EXPECT_EQ(Actions(plan), "c.dds: put back; a.dds: put back; ");
    EXPECT_EQ(out.Read("textures/a.dds"), "second a");

    const RestorePlan second = RestoreMostRecentRun(out.Program());
    EXPECT_TRUE(second.Found && second.Undone && second.Complete());
    EXPECT_EQ(second.Run.Number, 2u);
    EXPECT_EQ(out.Read("textures/a.dds"), "first a");
    EXPECT_EQ(out.Read("textures/c.dds"), "original c");

    const RestorePlan first = RestoreMostRecentRun(out.Program());
    EXPECT_EQ(Actions(first), "b.dds: remove; a.dds: put back; ");
    EXPECT_TRUE(first.Undone);
    EXPECT_EQ(out.Read("textures/a.dds"), "original a");
    EXPECT_FALSE(fs::exists(out.File("textures/made"))) << "the folder the run made is gone";

    const RestorePlan none = RestoreMostRecentRun(out.Program());
    EXPECT_FALSE(none.Found);
    EXPECT_TRUE(none.Problem.empty());
    EXPECT_TRUE(UndoableRuns(out.Program(), problem).empty());
    // The journals stay, marked undone; the kept files went back.
    for (const RunFolder& run : out.Runs()) {
        EXPECT_EQ(run.Record.Undone.empty(), run.Number == 3) << run.Number;
        EXPECT_FALSE(fs::exists(run.Path / ReplacedFolderName));
    }
}

TEST(Restore, AFileChangedSinceTheRunIsLeftAloneUnlessForced) {
    const OutputFolder out;
    out.Write("a.dds", "original a");
    out.Write("b.dds", "original b");
    ASSERT_TRUE(out.RunWriting({{"a.dds", "ours a"}, {"b.dds", "ours b"}, {"n.dds", "ours n"}}));
    out.Write("a.dds", "the player's own a");
    out.Write("n.dds", "the player's own n");

    const RestorePlan kept = RestoreMostRecentRun(out.Program());
    EXPECT_EQ(Actions(kept), "n.dds: leave alone; b.dds: put back; a.dds: leave alone; ");
    EXPECT_FALSE(kept.Undone);
    EXPECT_EQ(kept.Files[0].Reason, "it was changed since Quillon wrote it");
    EXPECT_EQ(out.Read("a.dds"), "the player's own a");
    EXPECT_EQ(out.Read("b.dds"), "original b");

    // Again: the run is still the one to undo, and what is done stays done.
    EXPECT_EQ(Actions(PlanRestore(out.Program())),
              "n.dds: leave alone; b.dds: nothing; a.dds: leave alone; ");
    const RestorePlan forced = RestoreMostRecentRun(out.Program(), true);
    EXPECT_EQ(Actions(forced),
              "n.dds: remove (forced); b.dds: nothing; a.dds: put back (forced); ");
    EXPECT_TRUE(forced.Undone);
    EXPECT_EQ(out.Read("a.dds"), "original a");
    EXPECT_FALSE(fs::exists(out.File("n.dds")));
    const RunFolder run = out.Runs().at(0);
    EXPECT_EQ(ReadTextFile(run.SetAside("a.dds").string()), "the player's own a");
    EXPECT_EQ(ReadTextFile(run.SetAside("n.dds").string()), "the player's own n");
    EXPECT_NE(forced.Files[0].Reason.find(run.SetAside("n.dds").string()), std::string::npos);
}

TEST(Restore, AMissingOriginalOrADamagedJournalStopsIt) {
    const OutputFolder out;
    out.Write("a.dds", "original a");
    ASSERT_TRUE(out.RunWriting({{"a.dds", "first"}}));
    ASSERT_TRUE(out.RunWriting({{"a.dds", "second"}}));
    std::vector<RunFolder> runs = out.Runs();

    // The kept original was changed: nothing is put back, and the run stays.
    WriteTextFile(runs[1].KeptOriginal("a.dds").string(), "not what was replaced");
    RestorePlan plan = RestoreMostRecentRun(out.Program());
    EXPECT_EQ(Actions(plan), "a.dds: fail; ");
    EXPECT_NE(plan.Files[0].Reason.find("missing or changed"), std::string::npos);
    EXPECT_FALSE(plan.Undone);
    EXPECT_EQ(out.Read("a.dds"), "second");

    // A journal cut short: the runs before it cannot be undone past it.
    std::string text = ReadTextFile(runs[1].JournalPath().string());
    WriteTextFile(runs[1].JournalPath().string(), text.substr(0, text.size() - 3));
    plan = RestoreMostRecentRun(out.Program());
    EXPECT_FALSE(plan.Found);
    EXPECT_NE(plan.Problem.find("The journal of run 2"), std::string::npos) << plan.Problem;
    std::string problem;
    EXPECT_TRUE(UndoableRuns(out.Program(), problem).empty());
    EXPECT_EQ(problem, plan.Problem);
    EXPECT_EQ(out.Read("a.dds"), "second");
}
