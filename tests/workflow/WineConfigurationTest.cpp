// The configuration of a game run under Wine on Linux: the data folder comes from a Wine prefix's
// registry file. Linux only, as the reader of those files is.
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"
#include "workflow/Configuration.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace fs = std::filesystem;

// With no game folder in the file, the data folder comes from the prefix's system.reg and lands
// in the prefix's drive_c.
TEST(WineConfiguration, TheWineRegistryOfTheEnvironmentsPrefixGivesTheDataFolder) {
    const TempFolder root;
    const CurrentDirectoryGuard cwd(root.Path());
    const std::string prefix = root / "prefix";
    WriteTextFile(prefix + "/system.reg",
                  "WINE REGISTRY Version 2\n\n"
                  "[Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim] 1700000000\n"
                  "\"Installed Path\"=\"C:\\\\Games\\\\Skyrim\\\\\"\n");
    fs::create_directories(prefix + "/drive_c/Games/Skyrim/Data");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
    const EnvironmentGuard wine("WINEPREFIX", prefix);
    const EnvironmentGuard home("HOME", root / "home");

    WriteTextFile(root / "Config.xml",
                  "<QuillonConfig><TexOutputPath>out\\</TexOutputPath></QuillonConfig>");
    Settings values;
    bool headless = false;
    ReadConfiguration(values, headless, ReadGameInstalledPath);
    EXPECT_EQ(ResolvePath(values.Get("SkyrimDataPath")), prefix + "/drive_c/Games/Skyrim/Data/");
}
