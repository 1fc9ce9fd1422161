#include "app/Application.h"
#include "app/QtMessageBox.h"
#include "app/Startup.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QWidget>

#include <iostream>

int RunInteractive(std::unique_ptr<Application> application, int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::cerr << "quillon: no display is available for the window (set DISPLAY or "
                     "WAYLAND_DISPLAY, or enable AutoHeadFix in Config.xml)."
                  << std::endl;
        return 2;
    }
    QApplication qt(argc, argv);
    QWidget window;
    window.setWindowTitle("Velloran's Quillon");
    window.resize(730, 670);
    application->MainWindow = &window;
    InstallQtMessageBoxes(&window);
    application->StartEngine();
    window.show();
    qt.exec();
    application.reset();
    return 0;
}
