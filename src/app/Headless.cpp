#include "app/Application.h"
#include "app/Startup.h"

int RunHeadless(Application& application, int /*argc*/, char** /*argv*/) {
    application.StartEngine();
    return 0;
}
