// Config.xml of the current directory and the game's registry entry, as the settings and the
// engine's flags take them.
#include "workflow/Configuration.h"
#include "platform/Paths.h"
#include "samples/SampleDocuments.h"
#include "support/TestSupport.h"
#include "workflow/BlendSession.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

using Text = std::optional<std::string>;

const std::string Installed = "C:\\Games\\Skyrim\\";

class ConfigurationTest : public ::testing::Test {
protected:
    TempFolder Root;
    CurrentDirectoryGuard Cwd{Root.Path()};
    Settings Values;
    bool Headless = false;

    void Read(const Text& file, Text registry) {
        Values = Settings();
        Headless = false;
        std::filesystem::remove(Root / "Config.xml");
        if (file) {
            WriteTextFile(Root / "Config.xml", *file);
        }
        ReadConfiguration(Values, Headless, [registry] { return registry; });
    }
    Text Value(const std::string& key) const {
        Settings copy = Values;
        return Values.Contains(key) ? Text(copy.Get(key)) : std::nullopt;
    }
};

} // namespace

TEST_F(ConfigurationTest, FoldersComeFromTheFileThenTheRegistry) {
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
        {"not well-formed", "<QuillonConfig><GameDataPath>x\\</GameDataPath>", Installed, data,
         none},
        {"root after another top-level element",
         "<Other/>" + ConfigXml("<GameDataPath>y\\</GameDataPath>"), none, "y\\", "y\\"},
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

// The head fix starts on the exact word "true" alone; the engine's flags follow their exact words
// too, and reading them inserts no setting. The set definitions are those of the current
// directory.
TEST_F(ConfigurationTest, OnlyTheExactWordsSetTheHeadFixAndTheEngineFlags) {
    for (const auto& [text, expected] : std::vector<std::pair<std::string, bool>>{
             {"true", true}, {"True", false}, {"TRUE", false}, {"1", false}, {"", false}}) {
        Read(ConfigXml("<AutoHeadFix>" + text + "</AutoHeadFix>"), std::nullopt);
        EXPECT_EQ(Headless, expected) << text;
        EXPECT_FALSE(Values.Contains("AutoHeadFix")) << "not stored as a setting";
    }
    struct Case {
        const char* Children;
        std::uint16_t BlackMatte;
        bool Strip;
    };
    const Case cases[] = {
        {"", 0, true},
        {"<AlphaMatteColor>black</AlphaMatteColor>", 1, true},
        {"<AlphaMatteColor>Black</AlphaMatteColor>", 0, true},
        {"<NoStripPremultAlpha>1</NoStripPremultAlpha>", 0, false},
        {"<NoStripPremultAlpha>0</NoStripPremultAlpha>", 0, true},
        {"<NoStripPremultAlpha>true</NoStripPremultAlpha>", 0, true},
    };
    WriteTextFile(Root / "SetDefs/Head.xml", "<TextureSet Name=\"Head\"><Path>p</Path>"
                                             "</TextureSet>");
    for (const Case& c : cases) {
        WriteTextFile(Root / "Config.xml", ConfigXml(c.Children));
        BlendSession session;
        session.LoadConfiguration([] { return Text(); });
        session.StartEngine();
        ASSERT_NE(session.Engine, nullptr);
        EXPECT_EQ(session.Engine->BlackMatte, c.BlackMatte) << c.Children;
        EXPECT_EQ(session.Engine->StripPremultAlpha, c.Strip) << c.Children;
        EXPECT_EQ(session.Config.Contains("AlphaMatteColor"),
                  std::string(c.Children).find("AlphaMatteColor") != std::string::npos)
            << "reading a flag inserts no setting";
        ASSERT_EQ(session.Engine->TextureSets.size(), 1u);
        EXPECT_EQ(session.Engine->TextureSets.front()->Name, "Head");
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
