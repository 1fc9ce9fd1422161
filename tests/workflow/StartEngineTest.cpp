#include "platform/Registry.h"
#include "support/TestSupport.h"
#include "workflow/BlendSession.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

// Starts a session in a folder holding only the given Config.xml children (and no game
// registry: HOME and WINEPREFIX point into the empty folder).
class StartEngineTest : public ::testing::Test {
protected:
    TempFolder Root;
    CurrentDirectoryGuard Cwd{Root.Path()};
    EnvironmentGuard Home{"HOME", Root.Path().string()};
    EnvironmentGuard Wine{"WINEPREFIX", nullptr};

    std::unique_ptr<BlendSession> Start(const std::string& children) {
        WriteTextFile(Root / "Config.xml", "<QuillonConfig>" + children + "</QuillonConfig>");
        auto session = std::make_unique<BlendSession>();
        session->LoadConfiguration(ReadGameInstalledPath);
        session->StartEngine();
        return session;
    }
};

} // namespace

TEST_F(StartEngineTest, EngineFlagsFollowTheExactSettingWords) {
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
    for (const Case& c : cases) {
        auto application = Start(c.Children);
        ASSERT_NE(application->Engine, nullptr);
        EXPECT_EQ(application->Engine->BlackMatte, c.BlackMatte) << c.Children;
        EXPECT_EQ(application->Engine->StripPremultAlpha, c.Strip) << c.Children;
        EXPECT_FALSE(application->Config.Contains("AlphaMatteColor") &&
                     std::string(c.Children).find("AlphaMatteColor") == std::string::npos)
            << "reading a flag inserts no setting";
    }
}

TEST_F(StartEngineTest, ReadsTheDefinitionsOfTheCurrentDirectory) {
    WriteTextFile(Root / "SetDefs/Head.xml", "<TextureSet Name=\"Head\"><Path>p</Path>"
                                             "</TextureSet>");
    auto application = Start("<AutoHeadFix>true</AutoHeadFix>");
    EXPECT_TRUE(application->HeadlessHeadFix);
    ASSERT_EQ(application->Engine->TextureSets.size(), 1u);
    EXPECT_EQ(application->Engine->TextureSets.front()->Name, "Head");
}
