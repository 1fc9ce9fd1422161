// The installed texture of a destination is the one the game loads: found through the game's
// file system (GameFiles) from the settings, and read from the first place that gives it. A
// loose file is final; an archive whose data for the texture is damaged gives way to the next
// archive that holds it, with a line saying so.
#pragma once

#include "gamefiles/GameFiles.h"
#include "imaging/DdsWriter.h"
#include "imaging/RgbaImage.h"

#include <string>
#include <vector>

namespace quillon {

// Where one installed texture is read from.
struct InstalledTexture {
    std::string Relative;             // below the data folder, as the catalogue gives it
    std::string TriedPath;            // the data folder followed by Relative, as messages name it
    std::vector<GameFile> Candidates; // in order; empty when nothing holds it
    std::string Missing;              // with no candidate: why, for the player
};

InstalledTexture FindInstalledTexture(GameFiles& game, const std::string& dataFolder,
                                      const std::string& relative);

// How a read went: where the texture came from, the damaged archives it passed over (one line
// each), and why it failed.
struct InstalledRead {
    const GameFile* From = nullptr; // in the texture's candidates; null when the read failed
    std::vector<std::string> Skipped;
    std::string Reason; // empty when the read succeeded or the file itself is not an image
};

// Reads the texture from its first candidate that gives it. Usable from any thread.
[[nodiscard]] bool ReadInstalledTexture(const InstalledTexture& texture,
                                        bool stripPremultipliedAlpha, RgbaImage& image,
                                        SourceBlocks* blocks, InstalledRead& read);

// How many levels the texture has, as TextureLevelCount counts them; 0 when there is none.
[[nodiscard]] int InstalledLevelCount(const InstalledTexture& texture);

// The line a source read from elsewhere than the data folder gets: "Source <relative> from
// <origin>"; empty for the data folder.
std::string SourceOriginLine(const InstalledTexture& texture, const InstalledRead& read);

} // namespace quillon
