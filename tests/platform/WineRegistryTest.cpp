// The game's folder on Linux: the Wine registry's value, drive letters mapped through a prefix,
// and the search of a home folder made by the test (Wine and Proton prefixes, Steam libraries).
#include "platform/Registry.h"
#include "samples/SampleDocuments.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

// A Wine prefix made by the test: system.reg with the given keys and a dosdevices link for C:.
std::string MakePrefix(const TempFolder& root, const std::string& name, const std::string& keys) {
    const std::string prefix = root / name;
    WriteTextFile(prefix + "/system.reg", WineRegistryText(keys));
    fs::create_directories(prefix + "/drive_c");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
    return prefix;
}

// A key with the value "Installed Path" set to `path` (escaped as Wine writes it), or another
// value line.
std::string Key(const std::string& keyName, const std::string& path) {
    return WineRegistryKey(keyName,
                           path.starts_with("\"") ? path : "\"Installed Path\"=\"" + path + "\"");
}

const std::string Wow64Key = "Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim";
const std::string PlainKey = "Software\\\\Bethesda Softworks\\\\Skyrim";
const std::string SeWow64Key =
    "Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim Special Edition";
const std::string SePlainKey = "Software\\\\Bethesda Softworks\\\\Skyrim Special Edition";

} // namespace

TEST(WineRegistry, EachEditionReadsItsOwnKeyInEitherSpellingAndDecodesTheValue) {
    const std::string se = R"(C:\\SE\\)", original = R"(C:\\Original\\)";
    const struct {
        const char* What;
        const GameEdition& Edition;
        std::string Keys;
        std::optional<std::string> Expected;
    } cases[] = {
        {"below Wow6432Node", OriginalEdition, Key(Wow64Key, original), "C:\\Original\\"},
        {"names in any letter case; \\\" and \\x escapes; the text stops at a NUL", OriginalEdition,
         Key("software\\\\bethesda softworks\\\\SKYRIM",
             R"("installed path"="D:\\Steam \"Games\"\\Sk\x00ffrim\\\0junk")"),
         "D:\\Steam \"Games\"\\Sk\xC3\xBFrim\\"},
        {"both spellings: the game's 32-bit view wins", OriginalEdition,
         Key(PlainKey, R"(C:\\Native\\)") + Key(Wow64Key, R"(C:\\Wow\\)"), "C:\\Wow\\"},
        {"Special Edition, both spellings: the 32-bit view wins", SpecialEdition,
         Key(SeWow64Key, R"(C:\\Wow\\)") + Key(SePlainKey, se), "C:\\Wow\\"},
        {"Special Edition, only the original's keys", SpecialEdition,
         Key(PlainKey, original) + Key(Wow64Key, original), std::nullopt},
        {"original, only the Special Edition's keys", OriginalEdition,
         Key(SePlainKey, se) + Key(SeWow64Key, se), std::nullopt},
        {"original among the Special Edition's keys", OriginalEdition,
         Key(SeWow64Key, se) + Key(Wow64Key, original) + Key(SePlainKey, se), "C:\\Original\\"},
        {"missing value", OriginalEdition, Key(Wow64Key, R"("Uninstall Path"="C:\\X\\")"),
         std::nullopt},
        {"not a string", OriginalEdition, Key(Wow64Key, R"("Installed Path"=dword:00000010)"),
         std::nullopt},
        {"unterminated", OriginalEdition, Key(Wow64Key, R"("Installed Path"="C:\\X)"),
         std::nullopt},
        {"too long for the value buffer", OriginalEdition,
         Key(Wow64Key, "C:\\\\" + std::string(260, 'x') + "\\\\"), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadInstalledPathFromWineRegistryText(WineRegistryText(c.Keys), c.Edition),
                  c.Expected)
            << c.What;
    }
}

TEST(WineRegistry, MapsDriveLettersThroughTheDosdevicesLinks) {
    TempFolder root;
    const std::string prefix = MakePrefix(root, "pfx", "");
    fs::create_directory_symlink("/", prefix + "/dosdevices/z:");
    EXPECT_EQ(MapWindowsPathIntoPrefix(prefix, "C:\\Games\\Skyrim\\"),
              prefix + "/drive_c/Games/Skyrim/");
    EXPECT_EQ(MapWindowsPathIntoPrefix(prefix, "z:\\mnt\\games\\Skyrim"), "/mnt/games/Skyrim/");
    EXPECT_EQ(MapWindowsPathIntoPrefix(prefix, "E:\\Skyrim\\"), std::nullopt);
    EXPECT_EQ(MapWindowsPathIntoPrefix(prefix, "\\\\server\\share\\"), std::nullopt);
    // Without a C: link the prefix's drive_c stands in.
    fs::remove(prefix + "/dosdevices/c:");
    EXPECT_EQ(MapWindowsPathIntoPrefix(prefix, "C:\\Games\\"), prefix + "/drive_c/Games/");
}

// Makes `library` known to the Steam client at `steam` through its libraryfolders.vdf.
void ListSteamLibrary(const std::string& steam, const std::string& library) {
    WriteTextFile(steam + "/steamapps/libraryfolders.vdf", SteamLibraryFoldersVdf(library));
}

// Each case makes a machine below a fresh folder whose "home" is the user's home, and names
// $WINEPREFIX (empty: unset) and the folder the search must find (empty: none), below it.
TEST(FindGameInstalledPath, EachPlaceInTurnTheOriginalEditionFirst) {
    const std::string se = R"(C:\\Games\\Skyrim Special Edition\\)";
    const std::string original = R"(C:\\Games\\Skyrim\\)";
    const std::string library = "games/SteamLibrary/steamapps/";
    const struct {
        const char* What;
        std::string WinePrefix, Expected;
        std::function<void(const TempFolder& root)> Make;
    } cases[] = {
        {"nothing anywhere", "", "", [](const TempFolder&) {}},
        {"$WINEPREFIX before ~/.wine", "custom", "custom/drive_c/Games/Skyrim/",
         [&](const TempFolder& root) {
             MakePrefix(root, "home/.wine", Key(Wow64Key, R"(C:\\Default\\)"));
             MakePrefix(root, "custom", Key(Wow64Key, original));
         }},
        {"Special Edition key below Wow6432Node in ~/.wine", "",
         "home/.wine/drive_c/Games/Skyrim Special Edition/",
         [&](const TempFolder& root) { MakePrefix(root, "home/.wine", Key(SeWow64Key, se)); }},
        {"Special Edition plain key in $WINEPREFIX", "custom",
         "custom/drive_c/Games/Skyrim Special Edition/",
         [&](const TempFolder& root) { MakePrefix(root, "custom", Key(SePlainKey, se)); }},
        {"Proton prefix of app 72850 in an extra Steam library", "",
         library + "compatdata/72850/pfx/drive_c/Games/Skyrim/",
         [&](const TempFolder& root) {
             ListSteamLibrary(root / "home/.local/share/Steam", root / "games/SteamLibrary");
             MakePrefix(root, library + "compatdata/72850/pfx", Key(PlainKey, original));
         }},
        {"Proton prefix of app 489830, the original's holding no key", "",
         library + "compatdata/489830/pfx/drive_c/Games/Skyrim Special Edition/",
         [&](const TempFolder& root) {
             ListSteamLibrary(root / "home/.local/share/Steam", root / "games/SteamLibrary");
             MakePrefix(root, library + "compatdata/72850/pfx", "");
             MakePrefix(root, library + "compatdata/489830/pfx", Key(SeWow64Key, se));
         }},
        {"the Special Edition's folder of a Steam library, in other letter case", "",
         library + "common/skyrim special edition/",
         [&](const TempFolder& root) {
             ListSteamLibrary(root / "home/.steam/steam", root / "games/SteamLibrary");
             fs::create_directories(root / (library + "common/skyrim special edition"));
         }},
        {"both keys in ~/.wine: the original's wins", "", "home/.wine/drive_c/Games/Skyrim/",
         [&](const TempFolder& root) {
             MakePrefix(root, "home/.wine", Key(SeWow64Key, se) + Key(PlainKey, original));
         }},
        {"the original's Steam folder, where Proton wrote no key, beats the Special Edition's key",
         "custom", "home/.steam/steam/steamapps/common/Skyrim/",
         [&](const TempFolder& root) {
             MakePrefix(root, "custom", Key(SeWow64Key, se));
             fs::create_directories(root / "home/.steam/steam/steamapps/common/Skyrim/Data");
         }},
    };
    for (const auto& c : cases) {
        TempFolder root;
        fs::create_directories(root / "home");
        c.Make(root);
        EXPECT_EQ(
            FindGameInstalledPath({root / "home", c.WinePrefix.empty() ? "" : root / c.WinePrefix}),
            c.Expected.empty() ? std::nullopt : std::optional(root / c.Expected))
            << c.What;
    }
}

// Files past their size limit are not read at all (here sparse: the text, then NULs).
TEST(FindGameInstalledPath, OversizedRegistryOrLibraryListsAreNotRead) {
    TempFolder root;
    const std::string home = root / "home";
    const std::string prefix = MakePrefix(root, "home/.wine", Key(Wow64Key, R"(C:\\Default\\)"));
    const std::string library = root / "games/SteamLibrary";
    const std::string list = home + "/.steam/steam/steamapps/libraryfolders.vdf";
    WriteTextFile(list, SteamLibraryFoldersVdf(library));
    fs::create_directories(library + "/steamapps/common/Skyrim");
    EXPECT_EQ(FindGameInstalledPath({home, ""}), home + "/.wine/drive_c/Default/");

    fs::resize_file(prefix + "/system.reg", MaxWineRegistrySize + 1);
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(prefix + "/system.reg", OriginalEdition),
              std::nullopt);
    EXPECT_EQ(FindGameInstalledPath({home, ""}), library + "/steamapps/common/Skyrim/");
    fs::resize_file(list, MaxSteamLibraryListSize + 1);
    EXPECT_EQ(FindGameInstalledPath({home, ""}), std::nullopt);
}
