#include "platform/Registry.h"

#include "platform/Paths.h"
#include "platform/ReadFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

constexpr const char* ValueName = "Installed Path";
constexpr size_t ValueBufferSize = 256; // what the Windows build reads the value into

// Reads a Wine registry string starting after its opening quote, decoding Wine's escapes
// (\\ \" \a \b \e \f \n \r \t \v, octal \ooo and hexadecimal \xhhhh code units). `end` is set
// after the closing quote. False when the quote is not closed on the line.
bool ReadEscapedString(const std::string& line, size_t start, std::string& text, size_t& end) {
    text.clear();
    size_t i = start;
    while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
            end = i;
            return true;
        }
        if (c != '\\' || i >= line.size()) {
            text += c;
            continue;
        }
        const char e = line[i++];
        switch (e) {
        case 'a':
            text += '\a';
            break;
        case 'b':
            text += '\b';
            break;
        case 'e':
            text += '\x1b';
            break;
        case 'f':
            text += '\f';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        case 'v':
            text += '\v';
            break;
        case 'x': {
            unsigned value = 0;
            int digits = 0;
            while (digits < 4 && i < line.size() && HexDigit(line[i]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexDigit(line[i++]));
                ++digits;
            }
            if (digits == 0) {
                text += 'x';
            } else {
                AppendUtf8(text, value);
            }
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unsigned value = static_cast<unsigned>(e - '0');
                for (int digits = 1;
                     digits < 3 && i < line.size() && line[i] >= '0' && line[i] <= '7'; ++digits) {
                    value = value * 8 + static_cast<unsigned>(line[i++] - '0');
                }
                AppendUtf8(text, value);
            } else {
                text += e; // \\ \" and anything unknown stand for themselves
            }
        }
    }
    return false;
}

// Key names in the file escape "\" as "\\" (and other characters as values do).
std::string UnescapeKeyName(const std::string& line, size_t start, size_t end) {
    std::string quoted = line.substr(start, end - start) + "\"";
    std::string text;
    size_t after = 0;
    ReadEscapedString(quoted, 0, text, after);
    return text;
}

// The whole file, or nothing when it cannot be read or is larger than `maxSize`.
std::optional<std::string> ReadText(const std::string& nativePath, std::uint64_t maxSize) {
    std::string text;
    if (!ReadWholeFile(nativePath, maxSize, text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> ValueUpToNul(const std::string& value) {
    const std::string text = value.substr(0, value.find('\0'));
    if (text.size() + 1 > ValueBufferSize) {
        return std::nullopt; // would not fit the value buffer of the Windows build
    }
    return text;
}

std::optional<std::string> InstalledPathInPrefix(const std::string& prefix,
                                                 const GameEdition& edition) {
    const auto windowsPath = ReadInstalledPathFromWineRegistry(prefix + "/system.reg", edition);
    if (!windowsPath) {
        return std::nullopt;
    }
    return MapWindowsPathIntoPrefix(prefix, *windowsPath);
}

} // namespace

std::optional<std::string> ReadInstalledPathFromWineRegistry(const std::string& systemRegPath,
                                                             const GameEdition& edition) {
    const auto text = ReadText(systemRegPath, MaxWineRegistrySize);
    if (!text) {
        return std::nullopt;
    }
    return ReadInstalledPathFromWineRegistryText(*text, edition);
}

std::optional<std::string> ReadInstalledPathFromWineRegistryText(std::string_view text,
                                                                 const GameEdition& edition) {
    const std::string gameKey = std::string("Software\\") + edition.Key;
    const std::string gameKey32 = std::string("Software\\Wow6432Node\\") + edition.Key;
    std::optional<std::string> plain, wow64;
    std::optional<std::string>* current = nullptr;
    for (std::size_t start = 0; start < text.size();) {
        // Lines as getline splits them: at '\n', the last one without it.
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line(text.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            const size_t close = line.find(']');
            current = nullptr;
            if (close != std::string::npos) {
                const std::string key = UnescapeKeyName(line, 1, close);
                if (EqualsIgnoringCase(key, gameKey)) {
                    current = &plain;
                } else if (EqualsIgnoringCase(key, gameKey32)) {
                    current = &wow64;
                }
            }
            continue;
        }
        if (current == nullptr || line.empty() || line.front() != '"') {
            continue;
        }
        std::string name, value;
        size_t after = 0;
        if (!ReadEscapedString(line, 1, name, after) || !EqualsIgnoringCase(name, ValueName) ||
            after >= line.size() || line[after] != '=') {
            continue;
        }
        ++after;
        // A plain string or an expandable one; numbers and binary data are not folder texts.
        if (line.compare(after, 7, "str(2):") == 0) {
            after += 7;
        }
        if (after >= line.size() || line[after] != '"' ||
            !ReadEscapedString(line, after + 1, value, after)) {
            *current = std::nullopt;
            continue;
        }
        *current = ValueUpToNul(value);
    }
    // A 64-bit prefix keeps the 32-bit game's key below Wow6432Node, as Windows does.
    return wow64 ? wow64 : plain;
}

std::optional<std::string> MapWindowsPathIntoPrefix(const std::string& prefix,
                                                    const std::string& windowsPath) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':' ||
        !std::isalpha(static_cast<unsigned char>(windowsPath[0]))) {
        return std::nullopt;
    }
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    const fs::path devices = fs::path(prefix) / "dosdevices";
    const fs::path link = devices / (std::string(1, letter) + ":");
    std::error_code error;
    fs::path drive;
    if (fs::is_symlink(link, error)) {
        const fs::path target = fs::read_symlink(link, error);
        if (error) {
            return std::nullopt;
        }
        drive = (target.is_absolute() ? target : devices / target).lexically_normal();
    } else if (fs::is_directory(link, error)) {
        drive = link;
    } else if (letter == 'c') {
        drive = fs::path(prefix) / "drive_c";
    } else {
        return std::nullopt;
    }
    std::string native = drive.string();
    while (native.size() > 1 && native.back() == '/') {
        native.pop_back();
    }
    std::string rest = ToNativePath(windowsPath.substr(2));
    if (rest.empty() || rest.front() != '/') {
        rest.insert(rest.begin(), '/');
    }
    native = (native == "/" ? std::string() : native) + rest;
    if (native.back() != '/') {
        native += '/';
    }
    return native;
}

std::vector<std::string> ParseSteamLibraryFolders(const std::string& vdfText) {
    // Tokens: quoted strings and braces. A key followed by a string is a pair. The current
    // format names each library with a "path" pair inside a numbered block; the old one maps the
    // number straight to the folder.
    std::vector<std::string> libraries;
    std::string key;
    bool haveKey = false;
    int depth = 0;
    for (size_t i = 0; i < vdfText.size(); ++i) {
        const char c = vdfText[i];
        if (c == '{') {
            ++depth;
            haveKey = false;
        } else if (c == '}') {
            --depth;
            haveKey = false;
        } else if (c == '"') {
            std::string token;
            for (++i; i < vdfText.size() && vdfText[i] != '"'; ++i) {
                if (vdfText[i] == '\\' && i + 1 < vdfText.size()) {
                    ++i;
                }
                token += vdfText[i];
            }
            if (!haveKey) {
                key = token;
                haveKey = true;
                continue;
            }
            const bool numbered =
                !key.empty() && key.find_first_not_of("0123456789") == std::string::npos;
            if (EqualsIgnoringCase(key, "path") || (numbered && depth == 1)) {
                libraries.push_back(token);
            }
            haveKey = false;
        }
    }
    return libraries;
}

std::vector<std::string> FindSteamLibraries(const std::string& home) {
    std::vector<std::string> libraries;
    std::vector<fs::path> seen;
    auto add = [&](const std::string& folder) {
        std::error_code error;
        if (folder.empty() || !fs::is_directory(folder, error)) {
            return;
        }
        const fs::path canonical = fs::weakly_canonical(folder, error);
        for (const fs::path& other : seen) {
            if (other == canonical) {
                return;
            }
        }
        seen.push_back(canonical);
        libraries.push_back(folder);
    };
    for (const char* root : {"/.steam/steam", "/.local/share/Steam",
                             "/.var/app/com.valvesoftware.Steam/.local/share/Steam"}) {
        const std::string steam = home + root;
        add(steam);
        const auto list =
            ReadText(steam + "/steamapps/libraryfolders.vdf", MaxSteamLibraryListSize);
        for (const std::string& library : ParseSteamLibraryFolders(list.value_or(""))) {
            add(library);
        }
    }
    return libraries;
}

std::optional<std::string> FindGameInstalledPath(const WineSearch& search) {
    const std::string prefix =
        search.WinePrefix.empty() ? search.Home + "/.wine" : search.WinePrefix;
    const std::vector<std::string> libraries = FindSteamLibraries(search.Home);
    for (const GameEdition& edition : GameEditions) {
        if (auto path = InstalledPathInPrefix(prefix, edition)) {
            return path;
        }
        for (const std::string& library : libraries) {
            if (auto path = InstalledPathInPrefix(
                    library + "/steamapps/compatdata/" + edition.SteamAppId + "/pfx", edition)) {
                return path;
            }
        }
        // Proton may never write the key; the game's own Steam folder is then its install folder.
        for (const std::string& library : libraries) {
            const std::string folder =
                ResolvePath(library + "/steamapps/common/" + edition.SteamFolder + "/");
            std::error_code error;
            if (fs::is_directory(folder, error)) {
                return folder;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> ReadGameInstalledPath() {
    WineSearch search;
    if (const char* home = std::getenv("HOME")) {
        search.Home = home;
    }
    if (const char* prefix = std::getenv("WINEPREFIX")) {
        search.WinePrefix = prefix;
    }
    if (search.Home.empty() && search.WinePrefix.empty()) {
        return std::nullopt;
    }
    return FindGameInstalledPath(search);
}

} // namespace quillon
