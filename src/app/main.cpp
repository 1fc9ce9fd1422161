// Entry point: the workspace becomes the current folder, the session reads the configuration;
// then either the headless head fix runs and its result is the exit code, or the window runs
// until it is closed.
#include "app/Startup.h"
#include "platform/Registry.h"
#include "platform/Workspace.h"

#include <utility>

int main(int argc, char** argv) {
    using namespace quillon;
    EnterWorkspaceOfThisProgram("quillon");
    BlendSession session;
    session.LoadConfiguration(ReadGameInstalledPath);
    if (session.HeadlessHeadFix) {
        return RunHeadless(session, argc, argv);
    }
    return RunInteractive(std::move(session), argc, argv);
}
