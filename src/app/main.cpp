// Entry point: the application object reads the configuration; then either the headless head fix
// runs and its result is the exit code, or the window runs until it is closed.
#include "app/Application.h"
#include "app/Startup.h"

#include <memory>

int main(int argc, char** argv) {
    using namespace quillon;
    auto application = std::make_unique<Application>();
    if (application->HeadlessHeadFix) {
        return RunHeadless(*application, argc, argv);
    }
    return RunInteractive(std::move(application), argc, argv);
}
