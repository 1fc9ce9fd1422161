#include "app/QtMessageBox.h"
#include "app/Startup.h"
#include "platform/MessageBox.h"
#include "workflow/AutoHeadFix.h"

#include <QApplication>

#include <memory>

namespace quillon {

int RunHeadless(BlendSession& session, int argc, char** argv) {
    // With a display the boxes are real, ownerless dialogs; without one they are lines on
    // standard error and the job goes on, so it never waits for a click nobody can make. No
    // window is ever created here besides those boxes.
    std::unique_ptr<QApplication> qt;
    if (DisplayAvailable()) {
        qt = std::make_unique<QApplication>(argc, argv);
        InstallQtMessageBoxes(nullptr);
    }
    session.StartEngine();
    return RunAutoHeadFix(session);
}

} // namespace quillon
