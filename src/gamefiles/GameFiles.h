// The game's file system as the game sees it: where a path relative to the data folder
// ("textures\actors\character\female\femalehead.dds") is loaded from.
//
// Loose files win over archives. Among loose files: Mod Organizer 2's overwrite folder, then each
// enabled mod of the profile by priority, then the data folder (without Mod Organizer 2 only the
// data folder). Among archives the last one loaded that holds the path wins; they load in this
// order: those the game's INIs list (sResourceArchiveList, then sResourceArchiveList2, from
// Skyrim.ini and SkyrimCustom.ini; without an INI, every "Skyrim - *.bsa" of the data folder by
// name), then for each active plugin in load order (the base masters first) "<plugin>.bsa" and
// "<plugin> - Textures.bsa". An archive file is itself found in the loose-file order.
//
// Everything is read when first needed and kept until Refresh: the mod list at construction, the
// folders' listings as paths are looked up, the INIs, the load order and the archives' indexes at
// the first path that no loose file holds. Problems of the player's setup files (damaged, huge,
// missing) are kept as notes, each once. One thread resolves; extraction from archives
// (ReadArchived) may run on any thread.
#pragma once

#include "archive/BsaArchive.h"
#include "gamefiles/FolderIndex.h"
#include "gamefiles/GameLocations.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class OriginKind { DataFolder, Overwrite, Mod, Archive };

// One place a path may be loaded from.
struct GameFile {
    OriginKind Kind = OriginKind::DataFolder;
    std::string Name;       // the mod's name, or the archive's file name
    std::string NativePath; // the loose file, or the archive file
    // An archive: where its file lies (the data folder, the overwrite folder or a mod).
    OriginKind HolderKind = OriginKind::DataFolder;
    std::string HolderName;
    bool QuillonOutput = false; // in the mod folder that Quillon writes its output to
    std::string Replaces;       // a loose file the filter replaced by NativePath (else empty)
    std::shared_ptr<const BsaArchive> Archive;
};

// "the data folder", "the overwrite folder", "mod \"Name\"", or "Name.bsa in <its holder>".
std::string DescribeOrigin(const GameFile& file);
// The short name the window's status line shows: empty for the data folder, "Overwrite", the
// mod's name or the archive's file name.
std::string OriginName(const GameFile& file);

// What to do with a loose candidate of a blend, asked with its native path.
struct LooseChoice {
    enum class Action { Use, Skip, UseOther };
    Action What = Action::Use;
    std::string Other; // UseOther: the native file to read instead
};
using LooseFilter = std::function<LooseChoice(const std::string& nativePath)>;

// What the resolution starts from.
struct GameSetup {
    std::string DataFolder;   // program path, ending in a separator; empty: the current folder
    std::string ModOrganizer; // program path of the instance folder; empty: none
    std::string ModOrganizerProfile; // empty: the instance's selected profile
    std::string OutputFolder;        // program path; a mod folder that is it holds Quillon's output
    UserFolders User;                // where the game's INIs and plugins.txt are looked for
};

class GameFiles {
public:
    explicit GameFiles(GameSetup setup);

    // Forgets what was read, so that the next resolution sees the files as they are now; an
    // archive whose file has not changed keeps its index.
    void Refresh();

    // Whether a Mod Organizer 2 instance is configured and could be read.
    bool HasModOrganizer() const { return ModOrganizerRead; }

    // Every place the game could load the path from, in the game's order: the first is the one
    // it loads, the others are what it shadows.
    std::vector<GameFile> Candidates(std::string_view relativePath);

    // The places a blend reads the installed texture from, in order: loose files first, without
    // those in Quillon's output mod and as the filter decides; the archives only when no loose
    // file is left, since a damaged archive gives way to the next one but a loose file is final.
    std::vector<GameFile> SourceCandidates(std::string_view relativePath);

    void SetLooseFilter(LooseFilter filter) { Filter = std::move(filter); }

    // The archived file's bytes (or its first `limit` bytes); false with the reason when the
    // archive's data for it is damaged.
    [[nodiscard]] static bool ReadArchived(const GameFile& file, std::string_view relativePath,
                                           std::vector<std::uint8_t>& bytes, std::string& reason,
                                           std::uint64_t limit = MaxExtractedSize);

    // The archives loaded, in order, as native paths (those that could not be opened included).
    const std::vector<std::string>& LoadedArchives();

    // Problems found in the setup since the last call, one line each, each only once.
    std::vector<std::string> TakeNotes();

private:
    struct LooseSource {
        OriginKind Kind = OriginKind::DataFolder;
        std::string Name;
        std::string Root; // native folder
        bool QuillonOutput = false;
    };
    struct LoadedArchive {
        std::string Name;                          // the file name as listed
        GameFile Holder;                           // the loose file that is the archive
        std::shared_ptr<const BsaArchive> Archive; // null when it cannot be opened
    };

    void ReadSetup();
    std::vector<GameFile> LooseCandidates(std::string_view relativePath);
    std::vector<GameFile> ArchiveCandidates(std::string_view relativePath);
    void LoadArchives();
    // The loose file with this name in the data folder's top level, in loose-file order.
    const GameFile* TopLevelFile(const std::string& name);
    const std::map<std::string, GameFile>& TopLevelFiles();
    void Note(const std::string& line);

    GameSetup Setup;
    bool ModOrganizerRead = false;
    std::string ProfileFolder; // native; empty without Mod Organizer 2
    bool LocalSettings = false;
    std::string GameName;
    std::string InstanceFolder;            // native
    std::string DataRoot;                  // native
    std::vector<LooseSource> LooseSources; // highest priority first
    FolderIndex Folders;
    std::map<std::string, GameFile> TopLevel; // upper-cased name: the file that wins
    bool TopLevelRead = false;
    bool ArchivesLoaded = false;
    std::vector<LoadedArchive> Archives;
    std::vector<std::string> ArchivePaths;
    struct OpenedArchive {
        std::uintmax_t Size = 0;
        std::int64_t Written = 0; // the file's last write time, in the clock's ticks
        std::shared_ptr<const BsaArchive> Archive; // null: it could not be opened
        std::string Problem;
    };
    std::map<std::string, OpenedArchive> Opened; // by native path
    LooseFilter Filter;
    std::vector<std::string> Notes;
    std::set<std::string> Noted;
};

} // namespace quillon
