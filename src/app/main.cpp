// Entry point: configuration, engine start-up, then the window and its message loop.
#include "app/Application.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QWidget>

#include <iostream>
#include <memory>

int main(int argc, char** argv) {
    auto application = std::make_unique<Application>();
    if (application->HeadlessHeadFix) {
        application->StartEngine();
        return 0;
    }
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
    application->StartEngine();
    window.show();
    qt.exec();
    application.reset();
    return 0;
}
