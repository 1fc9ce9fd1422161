#include "gamefiles/GameFiles.h"

#include "gamefiles/IniFile.h"
#include "gamefiles/LoadOrder.h"
#include "gamefiles/ModOrganizer.h"
#include "gamefiles/TextFile.h"
#include "platform/Paths.h"

#include <filesystem>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, error) && !error;
}

std::string FileNameOf(const std::string& nativePath) {
    return fs::path(nativePath).filename().string();
}

std::string Below(std::string folder, const std::string& name) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
        folder += static_cast<char>(fs::path::preferred_separator);
    }
    return ResolvePath(folder + name);
}

} // namespace

std::string DescribeOrigin(const GameFile& file) {
    switch (file.Kind) {
    case OriginKind::DataFolder:
        return "the data folder";
    case OriginKind::Overwrite:
        return "the overwrite folder";
    case OriginKind::Mod:
        return "mod \"" + file.Name + "\"";
    case OriginKind::Archive:
        break;
    }
    GameFile holder;
    holder.Kind = file.HolderKind;
    holder.Name = file.HolderName;
    return file.Name + " in " + DescribeOrigin(holder);
}

std::string OriginName(const GameFile& file) {
    switch (file.Kind) {
    case OriginKind::DataFolder:
        return {};
    case OriginKind::Overwrite:
        return "Overwrite";
    default:
        return file.Name;
    }
}

GameFiles::GameFiles(GameSetup setup) : Setup(std::move(setup)) {
    ReadSetup();
}

void GameFiles::Refresh() {
    ModOrganizerRead = false;
    ProfileFolder.clear();
    LocalSettings = false;
    GameName.clear();
    LooseSources.clear();
    Folders = FolderIndex();
    TopLevel.clear();
    TopLevelRead = false;
    ArchivesLoaded = false;
    Archives.clear();
    ArchivePaths.clear();
    ReadSetup();
}

void GameFiles::ReadSetup() {
    DataRoot = ResolvePath(Setup.DataFolder);
    if (!Setup.ModOrganizer.empty()) {
        InstanceFolder = ResolvePath(Setup.ModOrganizer);
        const ModOrganizerInstance instance =
            ReadModOrganizerInstance(InstanceFolder, Setup.ModOrganizerProfile);
        for (const std::string& note : instance.Notes) {
            Note(note);
        }
        if (!instance.Problem.empty()) {
            Note("Mod Organizer 2: " + instance.Problem + "; its mods are not used");
        } else {
            ModOrganizerRead = true;
            ProfileFolder = instance.ProfileFolder;
            LocalSettings = instance.LocalSettings;
            GameName = instance.GameName;
            const std::string output = ResolvePath(Setup.OutputFolder);
            LooseSources.push_back({OriginKind::Overwrite, "", instance.OverwriteFolder, false});
            const TextLines modList = ReadTextLines(Below(ProfileFolder, "modlist.txt"));
            if (!modList.Note.empty()) {
                Note(modList.Note);
            } else if (!modList.Found) {
                Note(DisplayPath(ProfileFolder) + ": there is no modlist.txt, so no mod is used");
            }
            for (const std::string& mod : EnabledMods(modList.Lines)) {
                const std::string root = Below(instance.ModsFolder, mod);
                std::error_code error;
                if (fs::is_directory(root, error)) {
                    LooseSources.push_back({OriginKind::Mod, mod, root, SameFolder(root, output)});
                }
            }
        }
    }
    LooseSources.push_back({OriginKind::DataFolder, "", DataRoot, false});
}

void GameFiles::Note(const std::string& line) {
    if (Noted.insert(line).second) {
        Notes.push_back(line);
    }
}

std::vector<std::string> GameFiles::TakeNotes() {
    std::vector<std::string> notes;
    notes.swap(Notes);
    return notes;
}

std::vector<GameFile> GameFiles::LooseCandidates(std::string_view relativePath) {
    std::vector<GameFile> found;
    for (const LooseSource& source : LooseSources) {
        std::string path = Folders.FindFile(source.Root, relativePath);
        if (!path.empty()) {
            GameFile file;
            file.Kind = source.Kind;
            file.Name = source.Name;
            file.NativePath = std::move(path);
            file.QuillonOutput = source.QuillonOutput;
            found.push_back(std::move(file));
        }
    }
    return found;
}

const std::map<std::string, GameFile>& GameFiles::TopLevelFiles() {
    if (!TopLevelRead) {
        TopLevelRead = true;
        for (const LooseSource& source : LooseSources) {
            for (const std::string& file : Folders.FilesIn(source.Root)) {
                GameFile entry;
                entry.Kind = source.Kind;
                entry.Name = source.Name;
                entry.NativePath = Folders.FindFile(source.Root, file);
                TopLevel.emplace(ToUpperAscii(file), std::move(entry)); // the first source wins
            }
        }
    }
    return TopLevel;
}

const GameFile* GameFiles::TopLevelFile(const std::string& name) {
    const auto found = TopLevelFiles().find(ToUpperAscii(name));
    return found != TopLevel.end() ? &found->second : nullptr;
}

void GameFiles::LoadArchives() {
    if (ArchivesLoaded) {
        return;
    }
    ArchivesLoaded = true;
    const Edition edition = DetectEdition(DataRoot, GameName);
    std::vector<std::string> nearby{DataRoot};
    if (!InstanceFolder.empty()) {
        nearby.push_back(InstanceFolder);
    }

    // The INIs' archive lists: SkyrimCustom.ini's values over Skyrim.ini's.
    std::vector<std::string> iniFolders;
    if (ModOrganizerRead && LocalSettings) {
        iniFolders.push_back(ProfileFolder);
    } else {
        iniFolders = FindUserFolders(edition, UserFolderKind::MyGames, nearby, Setup.User);
    }
    std::vector<std::string> names;
    bool listed = false;
    for (const std::string& folder : iniFolders) {
        std::vector<IniFile> inis;
        for (const char* file : {"SkyrimCustom.ini", "Skyrim.ini"}) {
            const TextLines lines = ReadTextLines(Below(folder, file));
            if (!lines.Note.empty()) {
                Note(lines.Note);
            }
            if (lines.Found) {
                inis.emplace_back(lines.Lines);
            }
        }
        if (inis.empty()) {
            continue; // the game reads the first folder that has its INIs
        }
        for (const char* key : {"sResourceArchiveList", "sResourceArchiveList2"}) {
            for (const IniFile& ini : inis) {
                if (const auto list = ini.Value("Archive", key)) {
                    listed = true;
                    for (std::string& name : ArchiveListNames(*list)) {
                        names.push_back(std::move(name));
                    }
                    break;
                }
            }
        }
        break;
    }
    if (!listed) {
        for (const auto& [upper, file] : TopLevelFiles()) {
            if (upper.starts_with("SKYRIM - ") && upper.ends_with(".BSA")) {
                names.push_back(FileNameOf(file.NativePath));
            }
        }
    }

    // The active plugins' archives, the base masters first.
    TextLines plugins, loadOrder;
    if (ModOrganizerRead) {
        plugins = ReadTextLines(Below(ProfileFolder, "plugins.txt"));
        loadOrder = ReadTextLines(Below(ProfileFolder, "loadorder.txt"));
    } else {
        for (const std::string& folder :
             FindUserFolders(edition, UserFolderKind::LocalAppData, nearby, Setup.User)) {
            plugins = ReadTextLines(Below(folder, "plugins.txt"));
            if (plugins.Found || !plugins.Note.empty()) {
                loadOrder = ReadTextLines(Below(folder, "loadorder.txt"));
                break;
            }
        }
    }
    for (const TextLines* lines : {&plugins, &loadOrder}) {
        if (!lines->Note.empty()) {
            Note(lines->Note);
        }
    }
    std::vector<std::string> order;
    for (const char* master : BaseMasters) {
        if (TopLevelFile(master) != nullptr) {
            order.emplace_back(master);
        }
    }
    const bool marks = edition == Edition::Special || HasActiveMarks(plugins.Lines);
    for (const std::string& plugin : ActivePlugins(plugins.Lines, loadOrder.Lines, marks)) {
        if (TopLevelFile(plugin) != nullptr) {
            order.push_back(plugin);
        }
    }
    for (const std::string& plugin : order) {
        for (std::string& name : PluginArchiveNames(plugin)) {
            names.push_back(std::move(name));
        }
    }

    std::set<std::string> seen;
    for (const std::string& name : names) {
        const GameFile* holder = TopLevelFile(name);
        if (holder == nullptr || !seen.insert(ToUpperAscii(name)).second) {
            continue; // not installed, or loaded already
        }
        LoadedArchive loaded{FileNameOf(holder->NativePath), *holder, nullptr};
        // An archive opened before whose file is unchanged keeps its index.
        std::error_code error;
        const std::uintmax_t size = fs::file_size(holder->NativePath, error);
        const std::int64_t written =
            error ? 0 : fs::last_write_time(holder->NativePath, error).time_since_epoch().count();
        OpenedArchive& opened = Opened[holder->NativePath];
        const bool never = !opened.Archive && opened.Problem.empty();
        if (never || opened.Size != size || opened.Written != written) {
            auto archive = std::make_shared<BsaArchive>();
            const bool ok = archive->Open(holder->NativePath);
            opened = {size, written, ok ? std::move(archive) : nullptr,
                      ok ? std::string() : archive->Problem()};
        }
        loaded.Archive = opened.Archive;
        if (!opened.Archive) {
            Note("Damaged archive " + DisplayPath(holder->NativePath) + ": " + opened.Problem +
                 "; it is skipped");
        }
        ArchivePaths.push_back(holder->NativePath);
        Archives.push_back(std::move(loaded));
    }
}

const std::vector<std::string>& GameFiles::LoadedArchives() {
    LoadArchives();
    return ArchivePaths;
}

std::vector<GameFile> GameFiles::ArchiveCandidates(std::string_view relativePath) {
    LoadArchives();
    std::vector<GameFile> found;
    for (auto it = Archives.rbegin(); it != Archives.rend(); ++it) {
        if (it->Archive && it->Archive->Contains(relativePath)) {
            GameFile file;
            file.Kind = OriginKind::Archive;
            file.Name = it->Name;
            file.NativePath = it->Holder.NativePath;
            file.HolderKind = it->Holder.Kind;
            file.HolderName = it->Holder.Name;
            file.Archive = it->Archive;
            found.push_back(std::move(file));
        }
    }
    return found;
}

std::vector<GameFile> GameFiles::Candidates(std::string_view relativePath) {
    std::vector<GameFile> all = LooseCandidates(relativePath);
    for (GameFile& file : ArchiveCandidates(relativePath)) {
        all.push_back(std::move(file));
    }
    return all;
}

std::vector<GameFile> GameFiles::SourceCandidates(std::string_view relativePath) {
    std::vector<GameFile> sources;
    for (GameFile& file : LooseCandidates(relativePath)) {
        if (file.QuillonOutput) {
            continue; // what Quillon wrote is no source: the blend would be applied twice
        }
        const LooseChoice choice = Filter ? Filter(file.NativePath) : LooseChoice{};
        if (choice.What == LooseChoice::Action::Skip) {
            continue;
        }
        if (choice.What == LooseChoice::Action::UseOther) {
            file.Replaces = file.NativePath;
            file.NativePath = choice.Other;
        }
        sources.push_back(std::move(file));
    }
    return sources.empty() ? ArchiveCandidates(relativePath) : sources;
}

bool GameFiles::ReadArchived(const GameFile& file, std::string_view relativePath,
                             std::vector<std::uint8_t>& bytes, std::string& reason,
                             std::uint64_t limit) {
    if (!file.Archive) {
        reason = "the archive is not open";
        return false;
    }
    return file.Archive->Extract(relativePath, bytes, reason, limit);
}

} // namespace quillon
