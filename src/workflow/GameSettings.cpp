#include "workflow/GameSettings.h"

#include "gamefiles/ModOrganizer.h"
#include "platform/Paths.h"

#include <filesystem>

namespace quillon {

namespace {

std::string Setting(Settings& config, const char* key) {
    return config.Contains(key) ? config.Get(key) : std::string();
}

} // namespace

void ApplyModOrganizerSettings(Settings& config, bool dataGiven, bool outputGiven) {
    const std::string folder = Setting(config, "ModOrganizer");
    if (folder.empty()) {
        return;
    }
    const ModOrganizerInstance instance =
        ReadModOrganizerInstance(ResolvePath(folder), Setting(config, "ModOrganizerProfile"));
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    if (!dataGiven && !instance.GameFolder.empty()) {
        config.Set("SkyrimDataPath", instance.GameFolder + "Data" + separator);
    }
    if (!outputGiven && !instance.ModsFolder.empty()) {
        config.Set("SkyrimOutPath", instance.ModsFolder + OutputModName + separator);
    }
}

GameSetup GameSetupFromSettings(Settings& config) {
    GameSetup setup;
    setup.DataFolder = config.Get("SkyrimDataPath");
    setup.OutputFolder = config.Get("SkyrimOutPath");
    setup.ModOrganizer = Setting(config, "ModOrganizer");
    setup.ModOrganizerProfile = Setting(config, "ModOrganizerProfile");
    setup.User = UserFoldersFromEnvironment();
    return setup;
}

} // namespace quillon
