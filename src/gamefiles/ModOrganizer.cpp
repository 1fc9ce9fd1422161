#include "gamefiles/ModOrganizer.h"

#include "gamefiles/IniFile.h"
#include "gamefiles/TextFile.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <cctype>
#include <filesystem>
#include <system_error>
#include <unordered_set>

namespace quillon {

namespace fs = std::filesystem;

namespace {

std::string AsFolder(std::string path) {
    if (!path.empty() && path.back() != '/' && path.back() != '\\') {
        path += NativeSeparator;
    }
    return path;
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

bool HasDrive(const std::string& text) {
    return text.size() >= 2 && text[1] == ':' &&
           std::isalpha(static_cast<unsigned char>(text[0])) != 0;
}

#ifndef _WIN32
// The Wine prefix a native path lies in: the folder above its "drive_c"; empty when none.
std::string PrefixOf(const std::string& nativePath) {
    fs::path prefix;
    for (const fs::path& part : fs::path(nativePath).lexically_normal()) {
        if (EqualsIgnoringCase(part.string(), "drive_c")) {
            return prefix.string();
        }
        prefix /= part;
    }
    return {};
}
#endif

} // namespace

std::string InstanceFolderPath(const std::string& text, const std::string& instanceFolder,
                               const std::string& baseFolder) {
    std::string path = text;
    const std::size_t base = ToUpperAscii(path).find("%BASE_DIR%");
    if (base != std::string::npos) {
        std::string folder = baseFolder;
        while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) {
            folder.pop_back();
        }
        path.replace(base, 10, folder);
    }
    if (path.empty()) {
        return {};
    }
#ifdef _WIN32
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    if (!HasDrive(path) && path.front() != '\\') {
        path = AsFolder(instanceFolder) + path;
    }
    return AsFolder(path);
#else
    if (HasDrive(path)) {
        const std::string prefix = PrefixOf(instanceFolder);
        if (!prefix.empty()) {
            const auto mapped = MapWindowsPathIntoPrefix(prefix, path);
            return mapped ? *mapped : std::string();
        }
        if (std::toupper(static_cast<unsigned char>(path[0])) != 'Z') {
            return {};
        }
        path = path.substr(2); // Wine's Z: is the root
    }
    path = ToNativePath(path);
    if (path.front() != '/') {
        path = AsFolder(instanceFolder) + path;
    }
    return AsFolder(ResolvePath(path));
#endif
}

ModOrganizerInstance ReadModOrganizerInstance(const std::string& givenFolder,
                                              const std::string& profile) {
    ModOrganizerInstance instance;
    instance.Folder = givenFolder;
    // Absolute, so that the folders found below it are, whatever the current folder.
    std::error_code error;
    const fs::path absolute = fs::absolute(givenFolder.empty() ? "." : givenFolder, error);
    const std::string nativeFolder =
        error ? givenFolder : AsFolder(absolute.lexically_normal().string());
    const std::string iniPath = ResolvePath(AsFolder(nativeFolder) + "ModOrganizer.ini");
    const TextLines lines = ReadTextLines(iniPath);
    if (!lines.Found) {
        const std::string folder = nativeFolder.substr(0, nativeFolder.size() - 1);
        instance.Problem = lines.Note.empty()
                               ? DisplayPath(folder) + ": the folder holds no ModOrganizer.ini"
                               : lines.Note;
        return instance;
    }
    const IniFile ini(lines.Lines);
    const auto setting = [&ini](const char* section, const char* key) {
        const auto value = ini.Value(section, key);
        return value ? QtSettingsText(*value) : std::string();
    };
    instance.GameName = setting("General", "gameName");
    const std::string gamePath = setting("General", "gamePath");
    instance.GameFolder = InstanceFolderPath(gamePath, nativeFolder, nativeFolder);
    if (!gamePath.empty() && instance.GameFolder.empty()) {
        instance.Notes.push_back(DisplayPath(iniPath) + ": the game folder " + gamePath +
                                 " cannot be found on this system");
    }
    std::string base = setting("Settings", "base_directory");
    base = base.empty() ? AsFolder(nativeFolder) : InstanceFolderPath(base, nativeFolder, "");
    const auto folder = [&](const char* key, const char* standard) {
        const std::string text = setting("Settings", key);
        const std::string path = InstanceFolderPath(
            text.empty() ? std::string("%BASE_DIR%/") + standard : text, nativeFolder, base);
        return path;
    };
    instance.ModsFolder = folder("mod_directory", "mods");
    instance.OverwriteFolder = folder("overwrite_directory", "overwrite");
    instance.ProfilesFolder = folder("profiles_directory", "profiles");
    instance.Profile = profile.empty() ? setting("General", "selected_profile") : profile;
    if (instance.Profile.empty()) {
        instance.Profile = "Default";
    }
    instance.ProfileFolder = AsFolder(ResolvePath(instance.ProfilesFolder + instance.Profile));
    if (!IsFolder(instance.ProfileFolder)) {
        instance.Problem = DisplayPath(instance.ProfilesFolder) + ": there is no profile \"" +
                           instance.Profile + "\"";
        return instance;
    }
    const TextLines settings = ReadTextLines(ResolvePath(instance.ProfileFolder + "settings.ini"));
    if (!settings.Note.empty()) {
        instance.Notes.push_back(settings.Note);
    }
    const auto local = IniFile(settings.Lines).Value("General", "LocalSettings");
    instance.LocalSettings = local && EqualsIgnoringCase(*local, "true");
    return instance;
}

std::vector<std::string> EnabledMods(const std::vector<std::string>& lines) {
    std::vector<std::string> mods;
    std::unordered_set<std::string> seen; // lower case: the folders' names on Windows
    for (const std::string& line : lines) {
        std::string name = line;
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
            name.pop_back();
        }
        // A name that is a path is no mod's: it could lead out of the mods folder.
        if (name.size() > 1 && name.front() == '+' &&
            name.find_first_of("/\\") == std::string::npos && name != "+." && name != "+..") {
            std::string key = name.substr(1);
            for (char& c : key) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            // A mod listed twice is one folder: the first line, the higher priority, counts.
            if (seen.insert(std::move(key)).second) {
                mods.push_back(name.substr(1));
            }
        }
    }
    return mods;
}

} // namespace quillon
