// A head-fix workspace whose output folder is the game's data folder (Config.xml names none), as
// many players leave it, with small textures; and the files of a folder, to compare byte for byte.
#pragma once

#include "backup/BackupFolder.h"
#include "samples/SampleDocuments.h"
#include "samples/SampleImages.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <map>
#include <string>

namespace quillon {

// The installed textures' paths below Data/, in the order the head fix writes them.
inline const char* const HeadTexturePaths[] = {
    "textures/actors/character/female/femalehead.dds",
    "textures/actors/character/male/malehead.dds",
    "textures/actors/character/female/femalehead_msn.dds",
    "textures/actors/character/male/malehead_msn.dds",
    "textures/actors/character/female/femalehead_s.dds",
    "textures/actors/character/male/malehead_s.dds",
};

// Colour DXT1 and normal map DXT5 of `edge`, specular RGB of half that, installed at the declared
// size with full chains; the seam modifications in Library/.
inline bool MakeDataFolderWorkspace(const std::filesystem::path& root, int edge = 32) {
    struct Row {
        const char* Channel;
        const char* Suffix;
        const char* Format;
        int Edge;
        SampleKind Kind;
        const char* Mod;
    };
    const Row rows[] = {
        {"Color", "", "DXT1", edge, SampleKind::Skin, "Head/Color/KORAv3_HeadNeckBlendColor.psd"},
        {"Normal", "_msn", "DXT5", edge, SampleKind::Normal,
         "Head/Normal/KORAv3_HeadNeckBlend.psd"},
        {"Specular", "_s", "RGB", edge / 2, SampleKind::Specular,
         "Head/Specular/VelloranHeadSpecBlend.psd"},
    };
    std::vector<std::pair<std::string, std::string>> subSets{{"female", ""}, {"male", ""}};
    std::uint32_t seed = 1;
    for (const Row& row : rows) {
        const std::string format = row.Format;
        for (auto& [subSet, channels] : subSets) {
            channels += ChannelXml(row.Channel, subSet + "head" + row.Suffix, row.Edge,
                                   format != "RGB", format == "DXT5");
            const std::filesystem::path file = root / "Data/textures/actors/character" / subSet /
                                               (subSet + "head" + row.Suffix + ".dds");
            std::filesystem::create_directories(file.parent_path());
            if (!WriteDdsTexture(
                    file.string(),
                    MakeSeamedTexture(row.Kind, row.Edge, row.Edge, row.Edge * 3 / 4, seed++),
                    format, true)) {
                return false;
            }
        }
        const std::filesystem::path mod = root / "Library" / row.Mod;
        std::filesystem::create_directories(mod.parent_path());
        if (!WritePsd(mod.string(),
                      MakeSeamMod(row.Kind, row.Edge, row.Edge, row.Edge * 3 / 4, row.Edge / 8))) {
            return false;
        }
    }
    WriteTextFile((root / "SetDefs/Head.xml").string(),
                  SetXml("Head", "textures\\actors\\character", subSets));
    WriteTextFile((root / "Config.xml").string(), ConfigXml("<GameDataPath>Data\\</GameDataPath>"));
    return true;
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
