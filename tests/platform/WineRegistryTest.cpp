#include "platform/Registry.h"
#include "samples/SampleDocuments.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

const std::string Wow64Key = "Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim";
const std::string PlainKey = "Software\\\\Bethesda Softworks\\\\Skyrim";

} // namespace

TEST(WineRegistry, ReadsTheValueUnderEitherKeySpellingAndDecodesEscapes) {
    TempFolder root;
    const std::string wow = MakePrefix(
        root, "wow", WineRegistryKey(Wow64Key, R"("Installed Path"="C:\\Games\\Skyrim\\")"));
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(wow + "/system.reg"), "C:\\Games\\Skyrim\\");

    // Key and value names match ignoring case; \" \x escapes decode; text stops at a NUL.
    const std::string plain = MakePrefix(
        root, "plain",
        WineRegistryKey("software\\\\bethesda softworks\\\\SKYRIM",
                        R"("installed path"="D:\\Steam \"Games\"\\Sk\x00ffrim\\\0junk")"));
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(plain + "/system.reg"),
              "D:\\Steam \"Games\"\\Sk\xC3\xBFrim\\");

    // A 64-bit prefix that has both keys: the game's 32-bit view wins.
    const std::string both =
        MakePrefix(root, "both",
                   WineRegistryKey(PlainKey, R"("Installed Path"="C:\\Native\\")") +
                       WineRegistryKey(Wow64Key, R"("Installed Path"="C:\\Wow\\")"));
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(both + "/system.reg"), "C:\\Wow\\");
}

TEST(WineRegistry, AnUnreadableValueGivesNothing) {
    TempFolder root;
    const std::string longPath = "C:\\\\" + std::string(260, 'x') + "\\\\";
    const std::pair<const char*, std::string> cases[] = {
        {"missing value", WineRegistryKey(Wow64Key, R"("Uninstall Path"="C:\\X\\")")},
        {"not a string", WineRegistryKey(Wow64Key, R"("Installed Path"=dword:00000010)")},
        {"unterminated", WineRegistryKey(Wow64Key, R"("Installed Path"="C:\\X)")},
        {"too long for the value buffer",
         WineRegistryKey(Wow64Key, "\"Installed Path\"=\"" + longPath + "\"")},
        {"other key", WineRegistryKey("Software\\\\Bethesda Softworks\\\\Skyrim Special Edition",
                                      R"("Installed Path"="C:\\X\\")")},
    };
    for (const auto& [what, body] : cases) {
        const std::string prefix = MakePrefix(root, "case", body, false);
        EXPECT_EQ(ReadInstalledPathFromWineRegistry(prefix + "/system.reg"), std::nullopt) << what;
        fs::remove_all(prefix);
    }
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(root / "none/system.reg"), std::nullopt);
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
    MakePrefix(Root, "home/.wine",
               WineRegistryKey(Wow64Key, R"("Installed Path"="C:\\Default\\")"));
    const std::string custom =
        MakePrefix(Root, "custom", WineRegistryKey(Wow64Key, R"("Installed Path"="C:\\Custom\\")"));
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), Home() + "/.wine/drive_c/Default/");
    EXPECT_EQ(FindGameInstalledPath({Home(), custom}), custom + "/drive_c/Custom/");
}

TEST_F(FindGameTest, FindsTheProtonPrefixInAnExtraSteamLibrary) {
    const std::string library = Root / "games/SteamLibrary";
    WriteTextFile(Home() + "/.local/share/Steam/steamapps/libraryfolders.vdf",
                  SteamLibraryFoldersVdf(library));
    MakePrefix(Root, "games/SteamLibrary/steamapps/compatdata/72850/pfx",
               WineRegistryKey(PlainKey,
                               R"("Installed Path"="C:\\Program Files (x86)\\Steam\\Skyrim\\")"));
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

// Files past their size limit are not read at all (here sparse: the text, then NULs).
TEST_F(FindGameTest, OversizedRegistryOrLibraryListsAreNotRead) {
    const std::string prefix = MakePrefix(
        Root, "home/.wine", WineRegistryKey(Wow64Key, R"("Installed Path"="C:\\Default\\")"));
    const std::string library = Root / "games/SteamLibrary";
    const std::string list = Home() + "/.steam/steam/steamapps/libraryfolders.vdf";
    WriteTextFile(list, SteamLibraryFoldersVdf(library));
    fs::create_directories(library + "/steamapps/common/Skyrim");
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), Home() + "/.wine/drive_c/Default/");

    fs::resize_file(prefix + "/system.reg", MaxWineRegistrySize + 1);
    EXPECT_EQ(ReadInstalledPathFromWineRegistry(prefix + "/system.reg"), std::nullopt);
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), library + "/steamapps/common/Skyrim/");
    fs::resize_file(list, MaxSteamLibraryListSize + 1);
    EXPECT_EQ(FindGameInstalledPath({Home(), ""}), std::nullopt);
}
