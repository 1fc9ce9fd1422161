#include "backup/Restore.h"

#include "backup/BackupFolder.h"

#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

RunSummary Summarize(const RunFolder& run) {
    RunSummary summary;
    summary.Number = run.Number;
    summary.Started = run.Record.Started;
    summary.What = run.Record.What;
    summary.Ended = run.Record.Ended;
    summary.EndedOk = run.Record.EndedOk;
    for (const PathHistory& path : SummarizeRun(run.Record)) {
        summary.Replaced += path.Kept ? 1 : 0;
        summary.New += path.HadOriginal ? 0 : 1;
    }
    return summary;
}

// A run that changed nothing (it found every file holding what it wrote) has nothing to undo: the
// restore goes on to the run before.
bool Undoable(const RunFolder& run) {
    if (!run.Readable || !run.Record.Undone.empty()) {
        return false;
    }
    for (const PathHistory& path : SummarizeRun(run.Record)) {
        if (path.Kept || !path.HadOriginal) {
            return true;
        }
    }
    return false;
}

std::string Damaged(const RunFolder& run) {
    return "The journal of run " + std::to_string(run.Number) + " (" + run.Path.string() +
           ") cannot be read: " + run.Problem +
           ". Runs before it cannot be undone while it is there.";
}

// The most recent run that can be undone; null with `problem` set when a damaged journal comes
// first, null alone when there is none.
const RunFolder* MostRecent(const std::vector<RunFolder>& runs, std::string& problem) {
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (!run->Readable) {
            problem = Damaged(*run);
            return nullptr;
        }
        if (Undoable(*run)) {
            return &*run;
        }
    }
    return nullptr;
}

bool SameContent(const fs::path& file, const ContentHash& expected) {
    ContentHash content;
    return HashFile(file.string(), content) && content == expected;
}

RestorePlan Plan(const fs::path& root, const RunFolder& run, bool force) {
    RestorePlan plan;
    plan.Found = true;
    plan.Run = Summarize(run);
    const std::vector<PathHistory> paths = SummarizeRun(run.Record);
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
        RestoreFile file;
        const fs::path native =
            (root / fs::path(path->Path)).make_preferred(); // as the player writes it
        file.Path = native.string();
        std::error_code error;
        ContentHash content;
        const bool exists = fs::exists(native, error);
        if (exists && !HashFile(native.string(), content)) {
            file.Action = RestoreAction::Fail;
            file.Reason = "it cannot be read";
        } else if (!exists ? !path->Kept : path->HadOriginal && content == path->Original) {
            file.Action = RestoreAction::Nothing; // as before the run (or gone, as it was)
        } else if (exists && !path->WroteContent(content) && !force) {
            file.Action = RestoreAction::LeaveAlone;
            file.Reason = "it was changed since Quillon wrote it";
        } else if (!path->HadOriginal) {
            file.Action = RestoreAction::Remove;
            file.Forced = exists && !path->WroteContent(content);
        } else if (!path->Kept || !SameContent(run.KeptOriginal(path->Path), path->Original)) {
            file.Action = RestoreAction::Fail;
            file.Reason = "the original kept in " + run.KeptOriginal(path->Path).string() +
                          " is missing or changed";
        } else {
            file.Action = RestoreAction::PutBack;
            file.Forced = exists && !path->WroteContent(content);
        }
        plan.Files.push_back(std::move(file));
    }
    return plan;
}

// Moves a changed file into the run's folder; false when it cannot.
bool SetAside(const fs::path& file, const fs::path& aside, std::string& reason) {
    std::error_code error;
    fs::create_directories(aside.parent_path(), error);
    fs::rename(file, aside, error);
    if (error) {
        reason = "it could not be set aside in " + aside.string() + ": " + error.message();
        return false;
    }
    reason = "the changed file was set aside in " + aside.string();
    return true;
}

void Carry(const fs::path& root, const RunFolder& run, const PathHistory& path, RestoreFile& file) {
    const fs::path native = (root / fs::path(path.Path)).make_preferred();
    const fs::path kept = run.KeptOriginal(path.Path);
    std::error_code error;
    switch (file.Action) {
    case RestoreAction::PutBack:
        fs::create_directories(native.parent_path(), error);
        if (file.Forced && !SetAside(native, run.SetAside(path.Path), file.Reason)) {
            file.Action = RestoreAction::Fail;
            return;
        }
        fs::rename(kept, native, error); // replaces Quillon's file in one step
        break;
    case RestoreAction::Remove:
        if (file.Forced) {
            if (!SetAside(native, run.SetAside(path.Path), file.Reason)) {
                file.Action = RestoreAction::Fail;
            }
            return;
        }
        fs::remove(native, error);
        break;
    case RestoreAction::Nothing:
        // A kept link a killed write left behind, with the file as it was: not needed.
        if (path.Kept && SameContent(kept, path.Original)) {
            fs::remove(kept, error);
            error.clear();
        }
        break;
    case RestoreAction::LeaveAlone:
    case RestoreAction::Fail:
        break;
    }
    if (error) {
        file.Action = RestoreAction::Fail;
        file.Reason = error.message();
    }
}

// Removes the empty folders below `folder` and, when it ends up empty, the folder itself.
void RemoveEmptyFolders(const fs::path& folder) {
    std::error_code error;
    std::vector<fs::path> inner;
    for (fs::directory_iterator it(folder, error), last; !error && it != last;
         it.increment(error)) {
        if (it->is_directory(error)) {
            inner.push_back(it->path());
        }
    }
    for (const fs::path& path : inner) {
        RemoveEmptyFolders(path);
    }
    if (fs::is_directory(folder, error) && fs::is_empty(folder, error)) {
        fs::remove(folder, error);
    }
}

} // namespace

bool RestorePlan::Complete() const {
    for (const RestoreFile& file : Files) {
        if (file.Action == RestoreAction::LeaveAlone || file.Action == RestoreAction::Fail) {
            return false;
        }
    }
    return true;
}

std::vector<RunSummary> UndoableRuns(const std::string& outputFolder, std::string& problem) {
    problem.clear();
    std::vector<RunSummary> list;
    const std::vector<RunFolder> runs = ReadRuns(OutputRoot(outputFolder));
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (!run->Readable) {
            problem = Damaged(*run);
            break;
        }
        if (Undoable(*run)) {
            list.push_back(Summarize(*run));
        }
    }
    return list;
}

RestorePlan PlanRestore(const std::string& outputFolder, bool force) {
    const fs::path root = OutputRoot(outputFolder);
    const std::vector<RunFolder> runs = ReadRuns(root);
    RestorePlan plan;
    const RunFolder* run = MostRecent(runs, plan.Problem);
    return run == nullptr ? plan : Plan(root, *run, force);
}

RestorePlan RestoreMostRecentRun(const std::string& outputFolder, bool force) {
    const fs::path root = OutputRoot(outputFolder);
    ClearStaleFiles(root);
    std::vector<RunFolder> runs = ReadRuns(root);
    RestorePlan plan;
    const RunFolder* found = MostRecent(runs, plan.Problem);
    if (found == nullptr) {
        return plan;
    }
    RunFolder run = *found;
    plan = Plan(root, run, force);
    const std::vector<PathHistory> paths = SummarizeRun(run.Record);
    for (std::size_t i = 0; i < plan.Files.size(); ++i) {
        Carry(root, run, paths[paths.size() - 1 - i], plan.Files[i]);
    }
    // The folders the run made, deepest first, where nothing else has come into them.
    for (auto folder = run.Record.Folders.rbegin(); folder != run.Record.Folders.rend(); ++folder) {
        std::error_code error;
        const fs::path native = (root / fs::path(*folder)).make_preferred();
        if (fs::is_directory(native, error) && fs::is_empty(native, error)) {
            fs::remove(native, error);
        }
    }
    if (!plan.Complete()) {
        return plan; // the run stays: what is left can be undone later, or forced
    }
    run.Record.Undone = LocalTimeNow();
    if (!SaveJournal(run)) {
        plan.Files.push_back({run.JournalPath().string(), RestoreAction::Fail,
                              "the run could not be marked undone in its journal", false});
        return plan;
    }
    plan.Undone = true;
    RemoveEmptyFolders(run.Path / ReplacedFolderName);
    return plan;
}

} // namespace quillon
