// quillon-cli: Quillon without any toolkit, for scripts and consoles on every platform. Without
// arguments it runs the head/neck seam fix, whatever Config.xml's AutoHeadFix says: progress lines
// on standard output, each message one line "Caption: text" on standard error (a Yes/No question
// answers No), and the job's result as the exit code. The commands `list` and `blend` live in
// their own files (Commands.h); --restore undoes a run, --which PATH says where the game loads
// a path from. Arguments are parsed by CLI11; anything it does not know is an error, never a
// reason to run the head fix. Every run works in the workspace (Workspace.h).
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "cli/RestoreCommand.h"
#include "cli/Which.h"
#include "platform/Registry.h"
#include "platform/Workspace.h"
#include "workflow/AutoHeadFix.h"

#include <quillon/Version.h>

#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace {

// The session as every command finds it: the configuration read, the engine started.
quillon::BlendSession StartedSession() {
    quillon::BlendSession session;
    session.LoadConfiguration(quillon::ReadGameInstalledPath);
    session.StartEngine();
    return session;
}

int RunHeadFix() {
    quillon::BlendSession session = StartedSession();
    return quillon::RunAutoHeadFix(session);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quillon;
    CLI::App app{"Blends texture modifications into Skyrim's textures. Without a command it runs "
                 "the head/neck seam fix in the workspace.",
                 "quillon-cli"};
    app.set_version_flag("--version", std::string("quillon-cli ") + quillon::QuillonVersion);
    CLI::App* list = cli::AddListCommand(app);
    cli::BlendOptions blendOptions;
    CLI::App* blend = cli::AddBlendCommand(app, blendOptions);
    cli::RestoreOptions restore;
    CLI::Option* restoring = cli::AddRestoreOptions(app, restore);
    std::string which;
    CLI::Option* asking =
        app.add_option(
               "--which", which,
               "Print where the game loads PATH (below its data folder) from, and what that "
               "shadows: loose files of Mod Organizer 2's mods and of the data folder, then "
               "archives. Exit code 30 when nothing holds it.")
            ->option_text("PATH");
    // One thing at a time: an option beside a command would otherwise be passed over unsaid.
    asking->excludes(restoring);
    for (CLI::App* command : {list, blend}) {
        command->excludes(restoring);
        command->excludes(asking);
    }
    app.require_subcommand(0, 1);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) { // --help, --version
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        app.exit(error); // the reason, on standard error
        return cli::UsageError;
    }
    std::error_code error;
    const std::filesystem::path started = std::filesystem::current_path(error);
    blendOptions.WholePaths = EnterWorkspaceOfThisProgram("quillon-cli").Folder != started;
    if (list->parsed()) {
        BlendSession session = StartedSession();
        return cli::RunList(session, std::cout, std::cerr);
    }
    if (blend->parsed()) {
        BlendSession session = StartedSession();
        return cli::RunBlend(session, blendOptions, std::cout, std::cerr, cli::AskOnTerminal);
    }
    if (restore.Restore) {
        return cli::RunRestore(restore);
    }
    if (app.count("--which") > 0) {
        return cli::RunWhich(which);
    }
    return RunHeadFix();
}
