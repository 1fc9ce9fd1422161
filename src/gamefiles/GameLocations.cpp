#include "gamefiles/GameLocations.h"

#include "platform/FolderEnum.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

namespace quillon {

namespace fs = std::filesystem;

namespace {

bool IsFolder(const std::string& nativePath) {
    std::error_code error;
    return fs::is_directory(nativePath, error);
}

bool IsFile(const std::string& nativePath) {
    std::error_code error;
    return fs::is_regular_file(nativePath, error);
}

std::string Joined(std::string folder, std::string_view rest) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') {
#ifdef _WIN32
        folder += '\\';
#else
        folder += '/';
#endif
    }
    return folder + std::string(rest);
}

#ifdef _WIN32
std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK) {
        return path;
    }
    return {};
}
#else
// The Wine prefix a native path lies in: the folder above its "drive_c".
std::string PrefixHolding(const std::string& nativePath) {
    const fs::path path = fs::path(nativePath).lexically_normal();
    fs::path prefix;
    for (const fs::path& part : path) {
        if (EqualsIgnoringCase(part.string(), "drive_c")) {
            return prefix.string();
        }
        prefix /= part;
    }
    return {};
}

// The Proton prefix of the edition in the Steam library a native path lies in.
std::string ProtonPrefixBeside(const std::string& nativePath, Edition edition) {
    const std::string path = fs::path(nativePath).lexically_normal().string();
    const std::string upper = ToUpperAscii(path);
    const std::size_t at = upper.rfind("/STEAMAPPS/");
    if (at == std::string::npos) {
        return {};
    }
    const GameEdition& game = edition == Edition::Special ? SpecialEdition : OriginalEdition;
    return path.substr(0, at) + "/steamapps/compatdata/" + game.SteamAppId + "/pfx";
}

// Proton's user first, then the user running us, then any other, in a fixed order.
std::vector<std::string> PrefixUsers(const std::string& prefix, const std::string& user) {
    std::vector<std::string> users{"steamuser"};
    if (!user.empty() && user != "steamuser") {
        users.push_back(user);
    }
    std::vector<FoundEntry> entries;
    if (FindEntries(prefix + "/drive_c/users/*", entries)) {
        for (const FoundEntry& entry : entries) {
            if (entry.IsDirectory && entry.Name != "." && entry.Name != ".." &&
                !EqualsIgnoringCase(entry.Name, "Public") &&
                std::find(users.begin(), users.end(), entry.Name) == users.end()) {
                users.push_back(entry.Name);
            }
        }
    }
    return users;
}
#endif

} // namespace

const char* EditionFolderName(Edition edition) {
    return edition == Edition::Special ? "Skyrim Special Edition" : "Skyrim";
}

UserFolders UserFoldersFromEnvironment() {
    UserFolders user;
#ifdef _WIN32
    user.Documents = ShellFolder(CSIDL_PERSONAL);
    user.LocalAppData = ShellFolder(CSIDL_LOCAL_APPDATA);
#else
    const auto get = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    user.Home = get("HOME");
    user.WinePrefix = get("WINEPREFIX");
    user.User = get("USER");
#endif
    return user;
}

std::vector<std::string> FindUserFolders(Edition edition, UserFolderKind kind,
                                         const std::vector<std::string>& nearby,
                                         const UserFolders& user) {
    const std::string name = EditionFolderName(edition);
    std::vector<std::string> found;
    const auto add = [&found](const std::string& folder) {
        if (IsFolder(folder) && std::find(found.begin(), found.end(), folder) == found.end()) {
            found.push_back(folder);
        }
    };
#ifdef _WIN32
    (void)nearby;
    if (kind == UserFolderKind::MyGames && !user.Documents.empty()) {
        add(Joined(user.Documents, "My Games\\" + name));
    } else if (kind == UserFolderKind::LocalAppData && !user.LocalAppData.empty()) {
        add(Joined(user.LocalAppData, name));
    }
#else
    std::vector<std::string> prefixes;
    const auto addPrefix = [&prefixes](const std::string& prefix) {
        if (!prefix.empty() && IsFolder(prefix) &&
            std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end()) {
            prefixes.push_back(prefix);
        }
    };
    for (const std::string& path : nearby) {
        addPrefix(PrefixHolding(path));
        addPrefix(ProtonPrefixBeside(path, edition));
    }
    addPrefix(!user.WinePrefix.empty() ? user.WinePrefix
              : !user.Home.empty() ? user.Home + "/.wine"
                                   : std::string());
    if (!user.Home.empty()) {
        const GameEdition& game = edition == Edition::Special ? SpecialEdition : OriginalEdition;
        for (const std::string& library : FindSteamLibraries(user.Home)) {
            addPrefix(library + "/steamapps/compatdata/" + game.SteamAppId + "/pfx");
        }
    }
    // Wine's folder names, then those of prefixes made by older versions.
    const std::vector<std::string> below =
        kind == UserFolderKind::MyGames
            ? std::vector<std::string>{"Documents/My Games/", "My Documents/My Games/"}
            : std::vector<std::string>{"AppData/Local/", "Local Settings/Application Data/"};
    for (const std::string& prefix : prefixes) {
        for (const std::string& person : PrefixUsers(prefix, user.User)) {
            for (const std::string& folder : below) {
                add(ResolvePath(prefix + "/drive_c/users/" + person + "/" + folder + name));
            }
        }
    }
#endif
    return found;
}

Edition DetectEdition(const std::string& nativeDataFolder, std::string_view managerGameName) {
    if (!managerGameName.empty()) {
        const std::string name = ToUpperAscii(managerGameName);
        if (name == "SKYRIM") {
            return Edition::Original;
        }
        if (name.find("SPECIAL") != std::string::npos || name == "SKYRIM SE" ||
            name.find("ANNIVERSARY") != std::string::npos) {
            return Edition::Special;
        }
    }
    const fs::path data = fs::path(nativeDataFolder.empty() ? "." : nativeDataFolder);
    const std::string game =
        (data.has_filename() ? data : data.parent_path()).parent_path().string();
    if (IsFile(ResolvePath(Joined(game, "SkyrimSE.exe")))) {
        return Edition::Special;
    }
    if (IsFile(ResolvePath(Joined(game, "TESV.exe")))) {
        return Edition::Original;
    }
    return IsFile(ResolvePath(Joined(data.string(), "Skyrim - Textures0.bsa"))) ? Edition::Special
                                                                                : Edition::Original;
}

} // namespace quillon
