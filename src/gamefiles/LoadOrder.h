// The game's load order and the archives it loads, from the files that hold them: plugins.txt
// (the active plugins; in the Special Edition's format a leading "*" marks an active plugin and
// the other lines are inactive ones), loadorder.txt (the order of every plugin, where a tool
// keeps one) and the archive lists of the game's INIs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The masters the game always loads first, in that order, where they are present.
inline constexpr const char* BaseMasters[] = {"Skyrim.esm", "Update.esm", "Dawnguard.esm",
                                              "HearthFires.esm", "Dragonborn.esm"};

// The active plugins of plugins.txt's lines, in load order: the order of loadorder.txt's lines
// where it lists them (`loadOrder` may be empty), else plugins.txt's. Each plugin once, letter case
// ignored; comments ("#") and blank lines skipped. `starMarksActive`: the Special Edition's format.
std::vector<std::string> ActivePlugins(const std::vector<std::string>& plugins,
                                       const std::vector<std::string>& loadOrder,
                                       bool starMarksActive);

// Whether plugins.txt's lines are in the Special Edition's format: a line starts with "*".
bool HasActiveMarks(const std::vector<std::string>& plugins);

// The archive names of an INI archive list: comma-separated, white space around them dropped.
std::vector<std::string> ArchiveListNames(std::string_view list);

// The archives a plugin brings when it loads: "<plugin>.bsa", then "<plugin> - Textures.bsa".
std::vector<std::string> PluginArchiveNames(std::string_view plugin);

} // namespace quillon
