// quillon-cli --restore: undoes the most recent run below the output folder that Config.xml names
// (the data folder when it names none), printing each file it touches; --list shows the runs that
// can be undone; --force also puts back files changed since the run, setting them aside first.
#pragma once

#include <CLI/CLI.hpp>

namespace quillon::cli {

struct RestoreOptions {
    bool Restore = false;
    bool List = false;
    bool Force = false;
};

CLI::Option* AddRestoreOptions(CLI::App& app, RestoreOptions& options);

// The exit code: 0, or one of ExitCodes.h's restore codes.
int RunRestore(const RestoreOptions& options);

} // namespace quillon::cli
