// quillon-cli: the head/neck seam fix without any toolkit, for scripts and consoles on every
// platform. It reads the same Config.xml as the window program and runs the job whatever its
// AutoHeadFix says; progress lines go to standard output, each message as one line
// "Caption: text" to standard error (a Yes/No question answers No), and the exit code is the
// job's result.
#include "platform/Registry.h"
#include "workflow/AutoHeadFix.h"

int main() {
    using namespace quillon;
    BlendSession session;
    session.LoadConfiguration(ReadGameInstalledPath);
    session.StartEngine();
    return RunAutoHeadFix(session);
}
