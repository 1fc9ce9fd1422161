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

// A Wine prefix made by the test: system.reg with the given body and a dosdevices link for C:.
std::string MakePrefix(const TempFolder& root, const std::string& name, const std::string& body,
                       bool linkC = true) {
    const std::string prefix = root / name;
    WriteTextFile(prefix + "/system.reg", WineRegistryText(body));
    fs::create_directories(prefix + "/drive_c");
    fs::create_directories(prefix + "/dosdevices");
    if (linkC) {
        fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
    }
    return prefix;
}

std::string Key(const std::string& keyName, const std::string& valueLine) {
    return WineRegistryKey(keyName, valueLine);
}

const std::string Wow64Key = "Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim";
const std::string PlainKey = "Software\\\\Bethesda Softworks\\\\Skyrim";
const std::string SeWow64Key =
    "Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim Special Edition";
const std::string SePlainKey = "Software\\\\Bethesda Softworks\\\\Skyrim Special Edition";

} // namespace

TEST(WineRegistry, ReadsTheValueUnderEitherKeySpellingAndDecodesEscapes) {
    TempFolder root;
    const std::string wow =
        MakePrefix(root, "wow", Key(Wow64Key, R"("Installed Path"="C:\\Games\\Skyrim\\")"));
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(wow + "/system.reg", OriginalEdition),
              "C:\\Games\\Skyrim\\");

    // Key and value names match ignoring case; \" \x escapes decode; text stops at a NUL.
    const std::string plain =
        MakePrefix(root, "plain",
                   Key("software\\\\bethesda softworks\\\\SKYRIM",
                       R"("installed path"="D:\\Steam \"Games\"\\Sk\x00ffrim\\\0junk")"));
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(plain + "/system.reg", OriginalEdition),
              "D:\\Steam \"Games\"\\Sk\xC3\xBFrim\\");

    // A 64-bit prefix that has both keys: the game's 32-bit view wins.
    const std::string both = MakePrefix(root, "both",
                                        Key(PlainKey, R"("Installed Path"="C:\\Native\\")") +
                                            Key(Wow64Key, R"("Installed Path"="C:\\Wow\\")"));
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(both + "/system.reg", OriginalEdition),
              "C:\\Wow\\");
}

TEST(WineRegistry, EachEditionReadsOnlyItsOwnKey) {
    TempFolder root;
    const std::string se = R"("Installed Path"="C:\\SE\\")";
    const std::string original = R"("Installed Path"="C:\\Original\\")";
    const struct {
        const char* What;
        const GameEdition& Edition;
        std::string Body;
        std::optional<std::string> Expected;
    } cases[] = {
        {"Special Edition, both spellings: the 32-bit view wins", SpecialEdition,
         Key(SeWow64Key, R"("Installed Path"="C:\\Wow\\")") + Key(SePlainKey, se), "C:\\Wow\\"},
        {"Special Edition, only the original's keys", SpecialEdition,
         Key(PlainKey, original) + Key(Wow64Key, original), std::nullopt},
        {"original, only the Special Edition's keys", OriginalEdition,
         Key(SePlainKey, se) + Key(SeWow64Key, se), std::nullopt},
        {"original among the Special Edition's keys", OriginalEdition,
         Key(SeWow64Key, se) + Key(Wow64Key, original) + Key(SePlainKey, se), "C:\\Original\\"},
    };
    for (const auto& c : cases) {
        const std::string prefix = MakePrefix(root, "case", c.Body, false);
        EXPECT_EQ(ReadInstalledPathFromWineRegistry(prefix + "/system.reg", c.Edition), c.Expected)
            << c.What;
        fs::remove_all(prefix);
    }
}

TEST(WineRegistry, AnUnreadableValueGivesNothing) {
    TempFolder root;
    const std::string longPath = "C:\\\\" + std::string(260, 'x') + "\\\\";
    const std::pair<const char*, std::string> cases[] = {
        {"missing value", Key(Wow64Key, R"("Uninstall Path"="C:\\X\\")")},
        {"not a string", Key(Wow64Key, R"("Installed Path"=dword:00000010)")},
        {"unterminated", Key(Wow64Key, R"("Installed Path"="C:\\X)")},
        {"too long for the value buffer", Key(Wow64Key, "\"Installed Path\"=\"" + longPath + "\"")},
    };
    for (const auto& [what, body] : cases) {
        const std::string prefix = MakePrefix(root, "case", body, false);
        EXPECT_EQ(ReadInstalledPathFromWineRegistry(prefix + "/system.reg", OriginalEdition),
                  std::nullopt)
            << what;
        fs::remove_all(prefix);
    }
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(root / "none/system.reg", OriginalEdition),
              std::nullopt);
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

class FindGameTest : public ::testing::Test {
protected:
    TempFolder Root;
    std::string Home() const { return Root / "home"; }
    void SetUp() override { fs::create_directories(Home()); }
};

TEST_F(FindGameTest, WinePrefixFromTheEnvironmentComesBeforeTheDefaultPrefix) {
    MakePrefix(Root, "home/.wine", Key(Wow64Key, R"("Installed Path"="C:\\Default\\")"));
    const std::string custom =
        MakePrefix(Root, "custom", Key(Wow64Key, R"("Installed Path"="C:\\Custom\\")"));
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), Home() + "/.wine/drive_c/Default/");
    EXPECT_EQ(FindGameInstalledPath({Home(), custom}), custom + "/drive_c/Custom/");
}

TEST_F(FindGameTest, FindsTheProtonPrefixInAnExtraSteamLibrary) {
    const std::string library = Root / "games/SteamLibrary";
    WriteTextFile(Home() + "/.local/share/Steam/steamapps/libraryfolders.vdf",
                  SteamLibraryFoldersVdf(library));
    MakePrefix(Root, "games/SteamLibrary/steamapps/compatdata/72850/pfx",
               Key(PlainKey, R"("Installed Path"="C:\\Program Files (x86)\\Steam\\Skyrim\\")"));
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}),
              library +
                  "/steamapps/compatdata/72850/pfx/drive_c/Program Files (x86)/Steam/Skyrim/");
}

TEST_F(FindGameTest, FallsBackToTheGamesSteamFolderWhenProtonWroteNoKey) {
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), std::nullopt);
    fs::create_directories(Home() + "/.steam/steam/steamapps/common/Skyrim/Data");
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}),
              Home() + "/.steam/steam/steamapps/common/Skyrim/");
}

// Makes `library` known to the Steam client at `steam` through its libraryfolders.vdf.
void ListSteamLibrary(const std::string& steam, const std::string& library) {
    WriteTextFile(steam + "/steamapps/libraryfolders.vdf", SteamLibraryFoldersVdf(library));
}

TEST(FindGameEditions, TheSpecialEditionIsFoundOnlyWhereTheOriginalIsAbsent) {
    const std::string se = R"("Installed Path"="C:\\Games\\Skyrim Special Edition\\")";
    const std::string original = R"("Installed Path"="C:\\Games\\Skyrim\\")";
    // Each case makes a machine below a fresh folder whose "home" is the user's home, and gives
    // $WINEPREFIX (empty: unset) and the folder the search must find.
    using Machine = std::function<std::pair<std::string, std::string>(const TempFolder& root)>;
    const struct {
        const char* What;
        Machine Make;
    } cases[] = {
        {"Special Edition key below Wow6432Node in ~/.wine",
         [&](const TempFolder& root) {
             MakePrefix(root, "home/.wine", Key(SeWow64Key, se));
             return std::pair{std::string(),
                              root / "home/.wine/drive_c/Games/Skyrim Special Edition/"};
         }},
        {"Special Edition plain key in $WINEPREFIX",
         [&](const TempFolder& root) {
             const std::string prefix = MakePrefix(root, "custom", Key(SePlainKey, se));
             return std::pair{prefix, prefix + "/drive_c/Games/Skyrim Special Edition/"};
         }},
        {"Proton prefix of app 489830 in an extra Steam library",
         [&](const TempFolder& root) {
             ListSteamLibrary(root / "home/.local/share/Steam", root / "games/SteamLibrary");
             // The original's Proton prefix exists but holds no key of either edition.
             MakePrefix(root, "games/SteamLibrary/steamapps/compatdata/72850/pfx", "");
             MakePrefix(root, "games/SteamLibrary/steamapps/compatdata/489830/pfx",
                        Key(SeWow64Key, se));
             return std::pair{std::string(),
                              root / "games/SteamLibrary/steamapps/compatdata/489830/pfx/drive_c/"
                                     "Games/Skyrim Special Edition/"};
         }},
        {"the Special Edition's folder of a Steam library, in other letter case",
         [&](const TempFolder& root) {
             ListSteamLibrary(root / "home/.steam/steam", root / "games/SteamLibrary");
             fs::create_directories(root /
                                    "games/SteamLibrary/steamapps/common/skyrim special edition");
             return std::pair{std::string(),
                              root / "games/SteamLibrary/steamapps/common/skyrim special edition/"};
         }},
        {"both keys in ~/.wine: the original's wins",
         [&](const TempFolder& root) {
             MakePrefix(root, "home/.wine", Key(SeWow64Key, se) + Key(PlainKey, original));
             return std::pair{std::string(), root / "home/.wine/drive_c/Games/Skyrim/"};
         }},
        {"the original's folder beats the Special Edition's key in $WINEPREFIX",
         [&](const TempFolder& root) {
             const std::string prefix = MakePrefix(root, "custom", Key(SeWow64Key, se));
             fs::create_directories(root / "home/.steam/steam/steamapps/common/Skyrim/Data");
             return std::pair{prefix, root / "home/.steam/steam/steamapps/common/Skyrim/"};
         }},
    };
    for (const auto& c : cases) {
        TempFolder root;
        fs::create_directories(root / "home");
        const auto [winePrefix, expected] = c.Make(root);
        EXPECT_EQ(FindGameInstalledPath({root / "home", winePrefix}), expected) << c.What;
    }
}

// Files past their size limit are not read at all (here sparse: the text, then NULs).
TEST_F(FindGameTest, OversizedRegistryOrLibraryListsAreNotRead) {
    const std::string prefix =
        MakePrefix(Root, "home/.wine", Key(Wow64Key, R"("Installed Path"="C:\\Default\\")"));
    const std::string library = Root / "games/SteamLibrary";
    const std::string list = Home() + "/.steam/steam/steamapps/libraryfolders.vdf";
    WriteTextFile(list, SteamLibraryFoldersVdf(library));
    fs::create_directories(library + "/steamapps/common/Skyrim");
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), Home() + "/.wine/drive_c/Default/");

    fs::resize_file(prefix + "/system.reg", MaxWineRegistrySize + 1);
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(prefix + "/system.reg", OriginalEdition),
              std::nullopt);
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), library + "/steamapps/common/Skyrim/");
    fs::resize_file(list, MaxSteamLibraryListSize + 1);
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), std::nullopt);
}
