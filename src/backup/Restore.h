// Undoing Quillon's runs below an output folder, the most recent first: every file a run replaced
// is put back from its folder, every file it made is removed, and the folders it made go when
// they are empty. A file whose content is no longer what the run wrote was changed since, by the
// player or another tool: it is left alone and the run stays, unless the restore is forced; then
// the changed file is set aside in the run's folder, never deleted. What a restore does depends
// on the files' hashes alone, so a restore that was killed is simply started again.
//
// For the console program and the window (which lists the plan and asks before it restores).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

enum class RestoreAction {
    PutBack,    // the original replaces Quillon's file
    Remove,     // Quillon's file goes: there was none before
    Nothing,    // the file is as it was before the run already
    LeaveAlone, // changed since the run: it stays as it is
    Fail,       // cannot be done; Reason says why
};

struct RestoreFile {
    std::string Path; // native
    RestoreAction Action = RestoreAction::Nothing;
    std::string Reason;  // for LeaveAlone and Fail; for a forced file, where it was set aside
    bool Forced = false; // changed since the run, and put back or removed all the same
};

struct RunSummary {
    std::uint64_t Number = 0;
    std::string Started;
    std::string What;
    std::string Ended; // empty: the run was interrupted
    bool EndedOk = false;
    std::size_t Replaced = 0; // files the run replaced
    std::size_t New = 0;      // files it made
};

struct RestorePlan {
    bool Found = false; // there is a run to undo
    RunSummary Run;
    std::vector<RestoreFile> Files; // in the order they are handled
    std::string Problem;            // why no run can be undone although runs are recorded
    bool Undone = false;            // after a restore: the run is marked undone

    // Every file is put back, removed or as it was: nothing is left alone or failed.
    bool Complete() const;
};

// The runs that can be undone, most recent first; a run that changed no file is not among them. A
// run whose journal cannot be read stops the list, since the runs before it cannot be undone past
// it; `problem` then says which and why.
std::vector<RunSummary> UndoableRuns(const std::string& outputFolder, std::string& problem);

// What undoing the most recent run would do; nothing is changed. `outputFolder` is a program
// path ("" is the current directory).
RestorePlan PlanRestore(const std::string& outputFolder, bool force = false);

// Undoes the most recent run that can be undone, and reports what it did to each file.
RestorePlan RestoreMostRecentRun(const std::string& outputFolder, bool force = false);

} // namespace quillon
