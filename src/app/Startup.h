// The two ways a run goes after the configuration is read: the headless head fix, or the window
// and its message loop. Each returns the process exit code.
#pragma once

#include <memory>

namespace quillon {

class Application;

int RunHeadless(Application& application, int argc, char** argv);
int RunInteractive(std::unique_ptr<Application> application, int argc, char** argv);

} // namespace quillon
