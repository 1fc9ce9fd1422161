// A Mod Organizer 2 instance: the folder holding its ModOrganizer.ini. The instance's settings
// name the game's folder (gamePath), the selected profile (selected_profile) and the folders of
// the mods, the overwrite folder and the profiles, by default below the instance (or below its
// base_directory). A profile's modlist.txt orders the mods: its first "+Name" line is the
// highest priority, "-Name" lines are disabled mods, "*Name" lines are not mods.
#pragma once

#include <string>
#include <vector>

namespace quillon {

struct ModOrganizerInstance {
    std::string Problem; // why the instance cannot be used; empty when it can
    std::string Folder;  // native, as given (the folders below are absolute)
    std::string GameName;
    std::string GameFolder; // native, ending in a separator; empty when the settings name none
    std::string ModsFolder, OverwriteFolder, ProfilesFolder; // native, ending in a separator
    std::string Profile;
    std::string ProfileFolder;      // native, ending in a separator
    bool LocalSettings = false;     // the profile keeps its own game INIs
    std::vector<std::string> Notes; // what was damaged or missing, one line each
};

// Reads the instance in a native folder; `profile`, when not empty, instead of the selected one.
ModOrganizerInstance ReadModOrganizerInstance(const std::string& nativeFolder,
                                              const std::string& profile);

// The enabled mods of modlist.txt's lines, highest priority first.
std::vector<std::string> EnabledMods(const std::vector<std::string>& lines);

// A folder the instance's settings name, as a native folder ending in a separator: "%BASE_DIR%"
// replaced by `baseFolder`, a relative path taken below the instance. On Linux a Windows path
// ("C:\Games\...") is mapped through the Wine prefix that holds the instance, or, without one,
// "Z:" as the root; empty when it cannot be mapped.
std::string InstanceFolderPath(const std::string& text, const std::string& instanceFolder,
                               const std::string& baseFolder);

} // namespace quillon
