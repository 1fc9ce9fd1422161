// The head fix's workspace, without Qt: set definitions for the three head textures of both sub
// sets, the seam modifications in Library/ and the installed textures; the program run in it; and
// the files of a folder, to compare byte for byte.
#pragma once

#include "backup/BackupFolder.h"
#include "imaging/RgbaImage.h"
#include "samples/SampleDocuments.h"
#include "samples/SampleImages.h"
#include "support/ProcessRunner.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quillon {

// The head textures as the game has them, smaller, in the order the head fix writes them.
struct HeadTexture {
    const char* Channel;
    const char* Suffix;
    const char* Format;
    int Size; // declared, in a workspace of the default edge
    SampleKind Kind;
    const char* ModFile;
};
inline const HeadTexture HeadTextures[] = {
    {"Color", "", "DXT1", 32, SampleKind::Skin, "Library/Head/Color/KORAv3_HeadNeckBlendColor.psd"},
    {"Normal", "_msn", "DXT5", 32, SampleKind::Normal,
     "Library/Head/Normal/KORAv3_HeadNeckBlend.psd"},
    {"Specular", "_s", "RGB", 16, SampleKind::Specular,
     "Library/Head/Specular/VelloranHeadSpecBlend.psd"},
};
inline const char* const HeadSubSets[] = {"female", "male"};

// "textures/actors/character/<sub set>/<sub set>head<suffix>.dds", or "\"-joined.
inline std::string HeadPath(const std::string& subSet, const HeadTexture& t, char separator = '/') {
    std::string path =
        "textures/actors/character/" + subSet + "/" + subSet + "head" + t.Suffix + ".dds";
    std::replace(path.begin(), path.end(), '/', separator);
    return path;
}
// The i-th output of the head fix, in the order it writes them.
inline std::string HeadPath(std::size_t i) {
    return HeadPath(HeadSubSets[i % 2], HeadTextures[i / 2]);
}

struct HeadWorkspace {
    int Edge = 32;                   // the colour and normal maps' declared edge
    int Scale = 2;                   // the installed textures are this many times as large
    bool Chains = false;             // installed with their full mip chains
    std::string Installed = "Data/"; // their folder, "/"-joined below the root
    // The installed file of a texture made from its pixels; by default the declared format.
    std::function<std::vector<std::uint8_t>(const HeadTexture&, const RgbaImage&)> Encode = {};
};

// Everything the head fix needs but Config.xml. Each installed texture shows a seam three
// quarters down (its own for each sub set), which the modification covers.
inline bool MakeHeadWorkspace(const std::filesystem::path& root, const HeadWorkspace& how = {}) {
    std::vector<std::pair<std::string, std::string>> subSets;
    for (const std::string subSet : HeadSubSets) {
        std::string channels;
        for (const HeadTexture& t : HeadTextures) {
            const std::string format = t.Format;
            const int size = t.Size * how.Edge / 32, edge = size * how.Scale;
            channels += ChannelXml(t.Channel, subSet + "head" + t.Suffix, size, format != "RGB",
                                   format == "DXT5");
            const std::filesystem::path file = root / (how.Installed + HeadPath(subSet, t));
            std::filesystem::create_directories(file.parent_path());
            const RgbaImage pixels =
                MakeSeamedTexture(t.Kind, edge, edge, edge * 3 / 4, subSet == "female" ? 7 : 8);
            if (how.Encode) {
                const std::vector<std::uint8_t> bytes = how.Encode(t, pixels);
                WriteTextFile(file.string(), std::string(bytes.begin(), bytes.end()));
            } else if (!WriteDdsTexture(file.string(), pixels, format, how.Chains)) {
                return false;
            }
        }
        subSets.emplace_back(subSet, channels);
    }
    for (const HeadTexture& t : HeadTextures) {
        const int size = t.Size * how.Edge / 32;
        std::filesystem::create_directories((root / t.ModFile).parent_path());
        if (!WritePsd((root / t.ModFile).string(),
                      MakeSeamMod(t.Kind, size, size, size * 3 / 4, size / 8))) {
            return false;
        }
    }
    WriteTextFile((root / "SetDefs/Head.xml").string(),
                  SetXml("Head", "textures\\actors\\character", subSets));
    return true;
}

// The workspace as many players leave it: the output folder is the game's data folder
// (Config.xml names none), the installed textures at the declared size with their chains.
inline bool MakeDataFolderWorkspace(const std::filesystem::path& root, int edge = 32) {
    WriteTextFile((root / "Config.xml").string(), ConfigXml("<GameDataPath>Data\\</GameDataPath>"));
    return MakeHeadWorkspace(root, {edge, 1, true});
}

// A program of ours run in a workspace: no display, no Wine prefix, a home folder of its own.
inline ProcessResult RunIn(const std::filesystem::path& root, const std::string& program,
                           const std::vector<std::string>& arguments = {}) {
    return RunProcess(program, arguments, root.string(), {{"HOME", (root / "home").string()}},
                      {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
}

// Every file below a folder by its "/"-joined relative path, with its bytes; Quillon's own folder
// only when asked.
inline std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder,
                                                     bool ours = false) {
    std::map<std::string, std::string> files;
    for (auto it = std::filesystem::recursive_directory_iterator(folder);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        if (!ours && it->path().filename() == BackupFolderName) {
            it.disable_recursion_pending();
        } else if (it->is_regular_file()) {
            files[it->path().lexically_relative(folder).generic_string()] =
                ReadTextFile(it->path().string());
        }
    }
    return files;
}

} // namespace quillon
