// The settings that describe the player's game setup: the data folder, the output folder, and a
// Mod Organizer 2 instance (Config.xml's ModOrganizer and ModOrganizerProfile elements).
#pragma once

#include "gamefiles/GameFiles.h"
#include "workflow/Settings.h"

namespace quillon {

// With an instance named: the data folder is its game folder's "Data" unless Config.xml gives
// GameDataPath (`dataGiven`), and the output goes to the new mod folder
// "<mods>\Quillon Output\" unless Config.xml gives TexOutputPath (`outputGiven`). Without an
// instance, or one whose ModOrganizer.ini cannot be read, nothing changes.
void ApplyModOrganizerSettings(Settings& config, bool dataGiven, bool outputGiven);

// The folder name of the mod that holds Quillon's output in a Mod Organizer 2 instance.
inline constexpr const char* OutputModName = "Quillon Output";

// The game's file system as the settings describe it.
GameSetup GameSetupFromSettings(Settings& config);

} // namespace quillon
