// quillon-cli: Quillon without any toolkit, for scripts and consoles on every platform. Without
// arguments it runs the head/neck seam fix, whatever Config.xml's AutoHeadFix says: progress lines
// on standard output, each message one line "Caption: text" on standard error (a Yes/No question
// answers No), and the job's result as the exit code. With --which PATH it says where the game
// loads that path from instead. Arguments are parsed by CLI11; anything it does not know is an
// error, never a reason to run the head fix.
#include "cli/ExitCodes.h"
#include "cli/Which.h"
#include "platform/Registry.h"
#include "workflow/AutoHeadFix.h"

#include <quillon/Version.h>

#include <CLI/CLI.hpp>

#include <iostream>
#include <string>

namespace {

int RunHeadFix() {
    using namespace quillon;
    BlendSession session;
    session.LoadConfiguration(ReadGameInstalledPath);
    session.StartEngine();
    return RunAutoHeadFix(session);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Blends texture modifications into Skyrim's textures. Without a command it runs "
                 "the head/neck seam fix in the current folder's workspace.",
                 "quillon-cli"};
    app.set_version_flag("--version", std::string("quillon-cli ") + quillon::QuillonVersion);
    std::string which;
    app.add_option("--which", which,
                   "Print where the game loads PATH (below its data folder) from, and what that "
                   "shadows: loose files of Mod Organizer 2's mods and of the data folder, then "
                   "archives. Exit code 30 when nothing holds it.")
        ->option_text("PATH");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) { // --help, --version
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        app.exit(error); // the reason, on standard error
        return quillon::cli::UsageError;
    }
    if (app.count("--which") > 0) {
        return quillon::cli::RunWhich(which);
    }
    return RunHeadFix();
}
