// The game's install folder, value "Installed Path" of HKLM\SOFTWARE\Bethesda Softworks\Skyrim,
// else of the Special Edition's key. Windows reads the registry's 32-bit view. Linux reads the Wine
// registry files of the prefixes where the game is likely installed and maps the Windows folder
// into the native file system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Where one edition of the game records its install.
struct GameEdition {
    const char* Key;         // below HKLM\SOFTWARE, in the registry's 32-bit view
    const char* SteamAppId;  // Steam's app id, which names the game's Proton prefix
    const char* SteamFolder; // the game's folder below steamapps/common of a Steam library
};

inline constexpr GameEdition OriginalEdition{"Bethesda Softworks\\Skyrim", "72850", "Skyrim"};
inline constexpr GameEdition SpecialEdition{"Bethesda Softworks\\Skyrim Special Edition", "489830",
                                            "Skyrim Special Edition"};
// In search order: every place of the original edition is tried before any of the Special
// Edition, so a machine with both keeps the folder it has always used.
inline constexpr GameEdition GameEditions[] = {OriginalEdition, SpecialEdition};

// The install folder, ending in a separator, or nothing when no registry holds a readable value.
// On Windows the text is as stored; on Linux it is a native path ending in "/".
std::optional<std::string> ReadGameInstalledPath();

#ifndef _WIN32
// Where the Linux search looks. Made from the environment by ReadGameInstalledPath; tests build
// their own.
struct WineSearch {
    std::string Home;       // the user's home folder
    std::string WinePrefix; // $WINEPREFIX, empty when unset
};

// For each edition in turn: its key in $WINEPREFIX (else ~/.wine), then in its Proton prefix in
// each Steam library, then its folder in each library.
std::optional<std::string> FindGameInstalledPath(const WineSearch& search);

// Larger registry files are not read: a prefix's system.reg takes a few megabytes.
constexpr std::uint64_t MaxWineRegistrySize = std::uint64_t(256) << 20;
// Larger libraryfolders.vdf files are not read: they take a few hundred bytes.
constexpr std::uint64_t MaxSteamLibraryListSize = std::uint64_t(16) << 20;

// The value "Installed Path" of the edition's key (with or without Wow6432Node) in one Wine
// registry file, unescaped; nothing when the key or value is missing or unreadable, or the file
// is larger than MaxWineRegistrySize.
std::optional<std::string> ReadInstalledPathFromWineRegistry(const std::string& systemRegPath,
                                                             const GameEdition& edition);

// The same for the text of a registry file.
std::optional<std::string> ReadInstalledPathFromWineRegistryText(std::string_view text,
                                                                 const GameEdition& edition);

// Maps a Windows folder such as "C:\Games\Skyrim\" through the prefix's dosdevices links to a
// native folder ending in "/". Nothing when the drive cannot be mapped.
std::optional<std::string> MapWindowsPathIntoPrefix(const std::string& prefix,
                                                    const std::string& windowsPath);

// The Steam libraries of a user: the usual Steam folders below the home folder, then the
// libraries their libraryfolders.vdf name; each existing folder once.
std::vector<std::string> FindSteamLibraries(const std::string& home);

// The Steam libraries named by a libraryfolders.vdf text, in file order.
std::vector<std::string> ParseSteamLibraryFolders(const std::string& vdfText);
#endif

} // namespace quillon
