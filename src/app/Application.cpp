#include "app/Application.h"

#include "imaging/ImageLibrary.h"
#include "imaging/PreviewWindow.h"
#include "platform/Registry.h"
#include "workflow/Configuration.h"

namespace quillon {

Application* CurrentApplication = nullptr;

Application::Application() {
    CurrentApplication = this;
    LoadConfiguration();
}

Application::~Application() {
    // The engine first, then the pop-ups: each shows a bitmap of its own, which outlives both.
    Engine.reset();
    Previews.clear();
    if (CurrentApplication == this) {
        CurrentApplication = nullptr;
    }
}

void Application::LoadConfiguration() {
    ReadConfiguration(Config, HeadlessHeadFix, ReadGameInstalledPath);
}

void Application::StartEngine() {
    Engine = std::make_unique<BlendEngine>();
    InitialiseImageLibrary();
    Engine->LoadSetDefinitions();
    if (Config.Contains("AlphaMatteColor")) {
        Engine->BlackMatte = Config.Get("AlphaMatteColor") == "black" ? 1 : 0;
    }
    if (Config.Contains("NoStripPremultAlpha")) {
        Engine->StripPremultAlpha = Config.Get("NoStripPremultAlpha") != "1";
    }
}

} // namespace quillon
