// The two ways a run goes after the configuration is read: the headless head fix, or the window
// and its message loop. Each returns the process exit code.
#pragma once

#include "workflow/BlendSession.h"

namespace quillon {

int RunHeadless(BlendSession& session, int argc, char** argv);
int RunInteractive(BlendSession session, int argc, char** argv);

} // namespace quillon
