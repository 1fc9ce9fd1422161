// Any bytes as the player's setup files: the input is cut at each byte 0x1E into
// ModOrganizer.ini, the profile's settings.ini, modlist.txt, plugins.txt, loadorder.txt and
// Skyrim.ini, in that order, for a Mod Organizer 2 instance whose game's data folder holds one
// small archive; then a path is resolved through them. Every reader also gets the whole input.
#include "FuzzFolder.h"
#include "gamefiles/GameFiles.h"
#include "gamefiles/IniFile.h"
#include "gamefiles/LoadOrder.h"
#include "gamefiles/ModOrganizer.h"
#include "gamefiles/TextFile.h"
#include "samples/SampleArchive.h"

#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

const char* const Parts[] = {"MO2/ModOrganizer.ini",
                             "MO2/profiles/Default/settings.ini",
                             "MO2/profiles/Default/modlist.txt",
                             "MO2/profiles/Default/plugins.txt",
                             "MO2/profiles/Default/loadorder.txt",
                             "MO2/profiles/Default/Skyrim.ini"};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillon::MakeFuzzFolder();
    const auto& root = quillon::FuzzFolder().Path;
    std::filesystem::create_directories(root / "MO2/profiles/Default");
    std::filesystem::create_directories(root / "MO2/mods/Mod/textures");
    std::filesystem::create_directories(root / "Game/Data");
    std::ofstream(root / "MO2/mods/Mod/textures/a.dds") << "loose";
    std::ofstream(root / "Game/Data/Skyrim.esm") << "";
    const std::vector<std::uint8_t> archive =
        quillon::MakeSampleArchive({{"textures\\a.dds", {1, 2, 3}}, {"textures\\b.dds", {4}}});
    std::ofstream(root / "Game/Data/Skyrim - Textures0.bsa", std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (const char* part : Parts) {
        const std::size_t end = std::min(input.find('\x1E', start), input.size());
        const std::string_view text = start < input.size() ? input.substr(start, end - start) : "";
        quillon::WriteFuzzInput(part, reinterpret_cast<const std::uint8_t*>(text.data()),
                                text.size());
        start = end + 1;
    }
    const std::vector<std::string> lines = quillon::DecodeTextLines(input);
    const quillon::IniFile ini(lines);
    static_cast<void>(ini.Value("General", "gamePath"));
    static_cast<void>(quillon::QtSettingsText(input));
    static_cast<void>(quillon::EnabledMods(lines));
    static_cast<void>(quillon::ActivePlugins(lines, lines, quillon::HasActiveMarks(lines)));
    static_cast<void>(quillon::ArchiveListNames(input));

    const auto& root = quillon::FuzzFolder().Path;
    quillon::GameFiles game(quillon::GameSetup{(root / "Game/Data/").string(),
                                               (root / "MO2").string(),
                                               "",
                                               (root / "MO2/mods/Out/").string(),
                                               {}});
    for (const char* path : {"textures\\a.dds", "textures\\b.dds", "Skyrim.esm"}) {
        for (const quillon::GameFile& file : game.Candidates(path)) {
            std::vector<std::uint8_t> bytes;
            std::string reason;
            if (file.Kind == quillon::OriginKind::Archive) {
                static_cast<void>(quillon::GameFiles::ReadArchived(file, path, bytes, reason));
            }
        }
    }
    static_cast<void>(game.TakeNotes());
    return 0;
}
