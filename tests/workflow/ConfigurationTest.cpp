#include "workflow/Configuration.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "samples/SampleDocuments.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

const std::string Installed = "C:\\Games\\Skyrim\\";

InstalledPathReader Registry(std::optional<std::string> value) {
    return [value] { return value; };
}

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

class ConfigurationTest : public ::testing::Test {
protected:
    TempFolder Root;
    CurrentDirectoryGuard Cwd{Root.Path()};
    Settings Values;
    bool Headless = false;

    void Read(const std::optional<std::string>& file, std::optional<std::string> registry) {
        Values = Settings();
        std::filesystem::remove(Root / "Config.xml");
        if (file) {
            WriteTextFile(Root / "Config.xml", *file);
        }
        ReadConfiguration(Values, Headless, Registry(std::move(registry)));
    }
    std::optional<std::string> Value(const std::string& key) const {
        if (!Values.Contains(key)) {
            return std::nullopt;
        }
        Settings copy = Values;
        return copy.Get(key);
    }
};

} // namespace

TEST_F(ConfigurationTest, FoldersComeFromTheFileThenTheRegistry) {
    using Text = std::optional<std::string>;
    const Text none;
    const std::string data = Installed + "Data\\";
    struct Case {
        const char* What;
        Text File, Registry, DataPath, OutPath;
    };
    const Case cases[] = {
        {"nothing anywhere", none, none, none, none},
        {"root without folders", ConfigXml(""), Installed, data, data},
        {"root, no registry: an inserted empty data folder", ConfigXml(""), none, "", ""},
        {"the file's first game folder wins and is the output",
         ConfigXml("<GameDataPath>D:\\Mods\\</GameDataPath><GameDataPath>E:\\</GameDataPath>"),
         Installed, "D:\\Mods\\", "D:\\Mods\\"},
        {"output folder only", ConfigXml("<TexOutputPath>out\\</TexOutputPath>"), none, none,
         "out\\"},
        {"root in another letter case",
         "<quillonconfig><GameDataPath>x\\</GameDataPath></quillonconfig>", Installed, data, none},
        {"root not at the top",
         "<Other><QuillonConfig><GameDataPath>x\\</GameDataPath>"
         "</QuillonConfig></Other>",
         Installed, data, none},
        {"not well-formed", "<QuillonConfig><GameDataPath>x\\</GameDataPath>", Installed, data,
         none},
        {"empty file", "", Installed, data, none},
        {"root after another top-level element",
         "<Other/>" + ConfigXml("<GameDataPath>y\\</GameDataPath>"), none, "y\\", "y\\"},
        // Files that overflowed the earlier parser's stack or made it read past the file's buffer.
        {"a UTF-8 lead byte at the very end", "<?xml version=\"1.0\" ?><a>\xC8", Installed, data,
         none},
        {"nested 40,000 deep",
         ConfigXml("<GameDataPath>x\\</GameDataPath>" + Repeat("<x>", 40000) +
                   Repeat("</x>", 40000)),
         Installed, data, none},
    };
    for (const Case& c : cases) {
        Read(c.File, c.Registry);
        EXPECT_EQ(Value("SkyrimDataPath"), c.DataPath) << c.What;
        EXPECT_EQ(Value("SkyrimOutPath"), c.OutPath) << c.What;
    }
    Read(none, none);
    EXPECT_EQ(Values.Get("SkyrimOutPath"), "");
    EXPECT_TRUE(Values.Contains("SkyrimOutPath")) << "Get inserts the empty value";
}

TEST_F(ConfigurationTest, ValuesAreTextAsTheXmlReaderDeliversIt) {
    Read(ConfigXml("<GameDataPath>  C:\\My   Games\\Data\\  </GameDataPath>"
                   "<DefUseInstalledSource/>"
                   "<AlphaMatteColor><b>black</b></AlphaMatteColor>"
                   "<NoStripPremultAlpha>1</NoStripPremultAlpha>"
                   "<gamedatapath>ignored</gamedatapath>"),
         std::nullopt);
    EXPECT_EQ(Value("SkyrimDataPath"), "C:\\My Games\\Data\\");
    EXPECT_EQ(Value("DefUseInstalledSource"), "") << "present without text: empty";
    EXPECT_EQ(Value("AlphaMatteColor"), "") << "first child is not text: empty";
    EXPECT_EQ(Value("NoStripPremultAlpha"), "1");
}

TEST_F(ConfigurationTest, OnlyTheExactWordTrueStartsTheHeadFix) {
    for (const auto& [text, expected] : std::vector<std::pair<std::string, bool>>{
             {"true", true}, {"True", false}, {"TRUE", false}, {"1", false}, {"", false}}) {
        Headless = false;
        Read(ConfigXml("<AutoHeadFix>" + text + "</AutoHeadFix>"), std::nullopt);
        EXPECT_EQ(Headless, expected) << text;
        EXPECT_FALSE(Values.Contains("AutoHeadFix")) << "not stored as a setting";
    }
}

// A Mod Organizer 2 instance gives the data folder (its game's "Data") and the output folder (the
// mod "Quillon Output") where Config.xml does not; without a readable instance nothing changes.
TEST_F(ConfigurationTest, AModOrganizerInstanceGivesTheDataAndOutputFolders) {
    std::string game; // as Qt's settings write it: each "\" doubled
    for (const char c : Root / "Game") {
        game += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    WriteTextFile(Root / "MO2/ModOrganizer.ini", "[General]\ngamePath=@ByteArray(" + game + ")\n");
    const std::string data = Root / "Game/Data/";
    const std::string output = Root / "MO2/mods/Quillon Output/";
    using Text = std::optional<std::string>;
    struct Case {
        const char* What;
        std::string Children;
        Text DataPath, OutPath, Profile;
    };
    const Case cases[] = {
        {"the instance alone", "<ModOrganizer>MO2\\</ModOrganizer>", data, output, std::nullopt},
        {"a profile named",
         "<ModOrganizer>MO2</ModOrganizer><ModOrganizerProfile>Survival"
         "</ModOrganizerProfile>",
         data, output, "Survival"},
        {"the file's folders win",
         "<ModOrganizer>MO2\\</ModOrganizer><GameDataPath>D:\\</GameDataPath>"
         "<TexOutputPath>E:\\</TexOutputPath>",
         "D:\\", "E:\\", std::nullopt},
        {"the file's data folder, the instance's output",
         "<GameDataPath>D:\\</GameDataPath><ModOrganizer>MO2\\</ModOrganizer>", "D:\\", output,
         std::nullopt},
        {"an instance without ModOrganizer.ini", "<ModOrganizer>Elsewhere\\</ModOrganizer>",
         Installed + "Data\\", Installed + "Data\\", std::nullopt},
    };
    for (const Case& c : cases) {
        Read(ConfigXml(c.Children), Installed);
        EXPECT_EQ(Value("SkyrimDataPath"), c.DataPath) << c.What;
        EXPECT_EQ(Value("SkyrimOutPath"), c.OutPath) << c.What;
        EXPECT_EQ(Value("ModOrganizerProfile"), c.Profile) << c.What;
    }
}
