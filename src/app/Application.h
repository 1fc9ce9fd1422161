// The one application object: configuration, engine, the current choices and, in the window
// mode, the main window's controls. Reached through CurrentApplication. Single thread.
#pragma once

#include "app/Settings.h"
#include "catalogue/BlendEngine.h"

#include <cstdint>
#include <memory>
#include <string>

class QWidget;

// The head fix's result and the process exit code: 0 success, 1 to 12 the first failure.
using AutoHeadFixResult = std::int32_t;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Configuration (registry, then "Config.xml"); called once by the constructor.
    void LoadConfiguration();
    // Creates the engine, initialises the image library, reads the set definitions and copies
    // AlphaMatteColor and NoStripPremultAlpha into the engine's flags.
    void StartEngine();
    // The headless head/neck seam fix; its result is the process exit code.
    AutoHeadFixResult RunAutoHeadFix();

    QWidget* MainWindow = nullptr;
    std::string SetName;
    std::string TypeName;
    bool HeadlessHeadFix = false;
    std::unique_ptr<BlendEngine> Engine;
    bool ModReload = true;
    bool SourceReload = true;
    Settings Config;
    std::string StatusSuffix;
};

// The process-wide current application; null before it is created and after it is gone.
extern Application* CurrentApplication;
