#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/QtMessageBox.h"
#include "app/Startup.h"
#include "platform/MessageBox.h"

#include <QApplication>

#include <iostream>

namespace quillon {

int RunInteractive(BlendSession session, int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::cerr << "quillon: no display is available for the window (set DISPLAY or "
                     "WAYLAND_DISPLAY, or enable AutoHeadFix in Config.xml)."
                  << std::endl;
        return 2;
    }
    QApplication qt(argc, argv);
    // Where QSettings keeps the window's size and place.
    QCoreApplication::setOrganizationName("Quillon");
    QCoreApplication::setApplicationName("Quillon");
    auto application = std::make_unique<Application>(std::move(session));
    // Only the main window's closing ends the run; an open preview does not keep it going.
    qt.setQuitOnLastWindowClosed(false);
    std::unique_ptr<QuillonWindow> window = OpenMainWindow(*application);
    InstallQtMessageBoxes(window.get());
    qt.exec();
    // The application first (it releases the engine and any open preview), then the window.
    application.reset();
    window.reset();
    SetMessageBoxHandler({});
    return 0;
}

} // namespace quillon
