// Reading the configuration: the game's registry entry, then "Config.xml" in the current
// directory. Never fails and reports nothing; nothing is ever written back.
#pragma once

#include "workflow/Settings.h"

#include <functional>
#include <optional>
#include <string>

namespace quillon {

// Supplies the game's install folder from the registry ("Installed Path"), ending in a
// separator, or nothing.
using InstalledPathReader = std::function<std::optional<std::string>()>;

// Fills `config` and sets `headlessHeadFix` when the file asks for the headless head fix.
void ReadConfiguration(Settings& config, bool& headlessHeadFix,
                       const InstalledPathReader& readInstalledPath);

} // namespace quillon
