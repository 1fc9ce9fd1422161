#include "cli/RestoreCommand.h"

#include "backup/Restore.h"
#include "cli/ExitCodes.h"
#include "platform/Registry.h"
#include "workflow/BlendSession.h"

#include <iostream>
#include <string>

namespace quillon::cli {

namespace {

std::string Describe(const RunSummary& run) {
    std::string text = "run " + std::to_string(run.Number) + " (" + run.What + ", " + run.Started;
    text += run.Ended.empty() ? ", interrupted" : run.EndedOk ? "" : ", ended with a failure";
    return text + ")";
}

std::string Counts(const RunSummary& run) {
    return std::to_string(run.Replaced) + " replaced, " + std::to_string(run.New) + " new";
}

int List(const std::string& output) {
    std::string problem;
    const std::vector<RunSummary> runs = UndoableRuns(output, problem);
    if (runs.empty() && problem.empty()) {
        std::cout << "No run of Quillon can be undone in " << OutputRoot(output).string() << ".\n";
    }
    for (const RunSummary& run : runs) {
        std::cout << Describe(run) << ": " << Counts(run) << "\n";
    }
    if (!problem.empty()) {
        std::cerr << problem << "\n";
        return JournalUnreadable;
    }
    return 0;
}

int Restore(const std::string& output, bool force) {
    const RestorePlan done = RestoreMostRecentRun(output, force);
    if (!done.Problem.empty()) {
        std::cerr << done.Problem << "\n";
        return JournalUnreadable;
    }
    if (!done.Found) {
        std::cerr << "No run of Quillon can be undone in " << OutputRoot(output).string() << ".\n";
        return NothingToRestore;
    }
    std::cout << "Undoing " << Describe(done.Run) << ":\n";
    int code = 0;
    for (const RestoreFile& file : done.Files) {
        const std::string aside = file.Forced ? " (" + file.Reason + ")" : "";
        switch (file.Action) {
        case RestoreAction::PutBack:
            std::cout << "put back " << file.Path << aside << "\n";
            break;
        case RestoreAction::Remove:
            std::cout << "removed " << file.Path << aside << "\n";
            break;
        case RestoreAction::Nothing:
            break; // untouched: as it was before the run
        case RestoreAction::LeaveAlone:
            std::cerr << "left alone " << file.Path << ": " << file.Reason
                      << "; --restore --force puts the original back and sets this file aside\n";
            code = code == 0 ? RestoreLeftFilesAlone : code;
            break;
        case RestoreAction::Fail:
            std::cerr << "could not restore " << file.Path << ": " << file.Reason << "\n";
            code = RestoreFailed;
            break;
        }
    }
    if (done.Undone) {
        std::cout << "Run " << done.Run.Number << " is undone.\n";
    } else {
        std::cerr << "Run " << done.Run.Number
                  << " is not marked undone: the files above are as they were.\n";
    }
    return code;
}

} // namespace

CLI::Option* AddRestoreOptions(CLI::App& app, RestoreOptions& options) {
    CLI::Option* restore = app.add_flag(
        "--restore", options.Restore,
        "Undo the most recent run of Quillon below the output folder: put back every file it "
        "replaced, remove the files it made. Again: the run before.");
    app.add_flag("--list", options.List, "With --restore: list the runs that can be undone.")
        ->needs(restore);
    app.add_flag("--force", options.Force,
                 "With --restore: also put back files changed since the run (the changed file "
                 "is kept in Quillon Backups).")
        ->needs(restore);
    return restore;
}

int RunRestore(const RestoreOptions& options) {
    BlendSession session;
    session.LoadConfiguration(ReadGameInstalledPath);
    const std::string output = session.OutputPath();
    return options.List ? List(output) : Restore(output, options.Force);
}

} // namespace quillon::cli
