// The installed texture is the one the game loads: the head fix and the window's source load
// through archives of both editions (made by the independent Python writer) and through Mod
// Organizer 2, as the real program and as the session. Linux only: the archives need Python.
#include "platform/Paths.h"
#include "support/PythonArchive.h"
#include "workflow/BlendSession.h"
#include "workflow/HeadWorkspace.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

// The head workspace with its installed textures (chains, each sub set its own seed) in "stage",
// from which a case puts them loose or in archives.
void MakeWorkspace(const TempFolder& root) {
    ASSERT_TRUE(MakeHeadWorkspace(root.Path(), {32, 2, true, "stage/"}));
}

// ... and packed into the game's vanilla archive, the game's program beside it.
void MakeArchivedWorkspace(const TempFolder& root, const std::string& program = "SkyrimSE.exe",
                           const std::string& archive = "Skyrim - Textures0.bsa",
                           const std::string& version = "105") {
    MakeWorkspace(root);
    WriteTextFile(root / ("Game/" + program), "");
    ASSERT_EQ(WritePythonArchive(root / ("Game/Data/" + archive),
                                 {"--version", version, "--pack", root / "stage"}),
              "");
}

ProcessResult RunHeadFix(const TempFolder& root) {
    return RunIn(root.Path(), QUILLON_CLI);
}

// The head fix's standard output: for each texture where its source came from (nothing for the
// data folder), then the file written below the output folder as the program names it.
std::string Progress(const std::string& folder,
                     const std::function<std::string(const std::string& relative)>& origin) {
    std::string text;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string relative = HeadPath(HeadSubSets[i % 2], HeadTextures[i / 2], '\\');
        const std::string from = origin(relative);
        text += (from.empty() ? "" : "Source " + relative + " from " + from + "\n") + folder +
                HeadPath(i) + "\n";
    }
    return text;
}

const std::string Success = "Velloran's Quillon: Automatic Neck Seam fix Successful!\n";
const std::string Config = "<GameDataPath>Game\\Data\\</GameDataPath>"
                           "<TexOutputPath>Out\\</TexOutputPath>";

// The outputs of the head fix over the staged textures lying loose in the data folder.
std::map<std::string, std::string> LooseOutputs() {
    const TempFolder root;
    MakeWorkspace(root);
    fs::create_directories(root / "Game");
    fs::rename(root / "stage", root / "Game/Data");
    WriteTextFile(root / "Config.xml", ConfigXml(Config));
    const ProcessResult run = RunHeadFix(root);
    EXPECT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(run.StandardOutput, Progress("Out/", [](auto&) { return ""; }));
    return FilesBelow(root.Path() / "Out");
}

} // namespace

// Vanilla installs keep every head texture in archives: the head fix blends them as it blends
// loose ones, byte for byte, and says where each came from; a damaged archive that would win is
// passed over with one line, and the next one is used.
TEST(InstalledSource, TheHeadFixBlendsTexturesFromEitherEditionsArchives) {
    const std::map<std::string, std::string> expected = LooseOutputs();
    struct Case {
        const char* What;
        const char* Program;
        const char* Archive;
        const char* Version;
        bool DamagedLaterArchive;
    };
    const Case cases[] = {
        {"the 2011 edition", "TESV.exe", "Skyrim - Textures.bsa", "104", false},
        {"the Special Edition", "SkyrimSE.exe", "Skyrim - Textures0.bsa", "105", false},
        {"the Special Edition, a later archive damaged", "SkyrimSE.exe", "Skyrim - Textures0.bsa",
         "105", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const TempFolder root;
        MakeArchivedWorkspace(root, c.Program, c.Archive, c.Version);
        std::string error = Success;
        if (c.DamagedLaterArchive) {
            // Loaded after the other by name, it holds the male colour map, cut short.
            const std::string later = "Game/Data/Skyrim - Textures1.bsa"; // as the program has it
            const std::string male = HeadPath("male", HeadTextures[0], '\\');
            ASSERT_EQ(
                WritePythonArchive(root / later, {"--version", c.Version,
                                                  male + "=" + root / ("stage/" + HeadPath(1))}),
                "");
            fs::resize_file(root / later, fs::file_size(root / later) - 10);
            error = "Damaged archive " + later + ": " + male +
                    ": its data lies past the end of the archive; the next place that holds it "
                    "is used\n" +
                    Success;
        }
        WriteTextFile(root / "Config.xml", ConfigXml(Config));
        const ProcessResult run = RunHeadFix(root);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.StandardError, error);
        EXPECT_EQ(run.StandardOutput, Progress("Out/", [&](auto&) {
                      return std::string(c.Archive) + " in the data folder";
                  }));
        EXPECT_TRUE(FilesBelow(root.Path() / "Out") == expected);
    }
}

// With Mod Organizer 2 named alone in Config.xml: the data folder is the instance's game's, the
// output goes to the mod "Quillon Output", an enabled mod's texture wins over the archive, and a
// second run blends from the same sources, not from its own output.
TEST(InstalledSource, WithModOrganizerTheOutputModIsNeverASource) {
    const TempFolder root;
    MakeArchivedWorkspace(root);
    WriteTextFile(root / ("MO2/mods/Faces/" + HeadPath(0)),
                  ReadTextFile(root / ("stage/" + HeadPath(0))));
    WriteTextFile(root / "MO2/ModOrganizer.ini",
                  "[General]\ngameName=Skyrim Special Edition\ngamePath=@ByteArray(" +
                      (root / "Game") + ")\nselected_profile=@ByteArray(Default)\n");
    WriteTextFile(root / "MO2/profiles/Default/modlist.txt", "+Quillon Output\n+Faces\n");
    WriteTextFile(root / "Config.xml", ConfigXml("<ModOrganizer>MO2\\</ModOrganizer>"));
    const auto origin = [&](const std::string& relative) {
        return relative == HeadPath("female", HeadTextures[0], '\\')
                   ? std::string("mod \"Faces\"")
                   : std::string("Skyrim - Textures0.bsa in the data folder");
    };
    std::map<std::string, std::string> first;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "first run" : "second run");
        const ProcessResult result = RunHeadFix(root);
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.StandardError, Success);
        EXPECT_EQ(result.StandardOutput, Progress(root / "MO2/mods/Quillon Output/", origin));
        const auto outputs = FilesBelow(root.Path() / "MO2/mods/Quillon Output");
        EXPECT_EQ(outputs.size(), 6u);
        if (run == 0) {
            first = outputs;
        } else {
            EXPECT_TRUE(outputs == first) << "the second run blended over its own output";
        }
    }
}

// quillon-cli --which: where the game loads a path from and what that shadows, Quillon's own
// output marked; nothing anywhere is exit code 30.
TEST(InstalledSource, WhichListsEveryPlaceThatHoldsAPathInTheGamesOrder) {
    const TempFolder root;
    WriteTextFile(root / "Game/SkyrimSE.exe", "");
    const std::string female = HeadPath(0);
    ASSERT_EQ(WritePythonArchive(
                  root / "Game/Data/Skyrim - Textures0.bsa",
                  {"--version", "105", HeadPath("female", HeadTextures[0], '\\') + ":vanilla"}),
              "");
    WriteTextFile(root / ("MO2/mods/Faces/" + female), "faces");
    WriteTextFile(root / ("MO2/mods/Quillon Output/" + female), "ours");
    WriteTextFile(root / "MO2/ModOrganizer.ini", "[General]\ngamePath=" + (root / "Game") + "\n");
    WriteTextFile(root / "MO2/profiles/Default/modlist.txt", "+Quillon Output\n+Faces\n");
    WriteTextFile(root / "Config.xml", ConfigXml("<ModOrganizer>MO2</ModOrganizer>"));
    const auto which = [&](const std::vector<std::string>& arguments) {
        return RunIn(root.Path(), QUILLON_CLI, arguments);
    };
    ProcessResult result = which({"--which", "Textures/Actors/Character/Female/FemaleHead.dds"});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.StandardError, "");
    EXPECT_EQ(result.StandardOutput,
              "Textures\\Actors\\Character\\Female\\FemaleHead.dds\n"
              "  loaded from mod \"Quillon Output\": " +
                  (root / ("MO2/mods/Quillon Output/" + female)) +
                  " (Quillon's output: blends start from what it shadows)\n"
                  "  shadows     mod \"Faces\": " +
                  (root / ("MO2/mods/Faces/" + female)) +
                  "\n"
                  "  shadows     Skyrim - Textures0.bsa in the data folder: " +
                  (root / "Game/Data/Skyrim - Textures0.bsa") + "\n");
    result = which({"--which", "textures\\nothing.dds"});
    EXPECT_EQ(result.ExitCode, 30);
    EXPECT_EQ(result.StandardOutput, "");
    EXPECT_EQ(result.StandardError, "quillon-cli: textures\\nothing.dds: no enabled mod, the data "
                                    "folder or a loaded archive holds it\n");
    EXPECT_EQ(which({"--which", ""}).ExitCode, 30);
    EXPECT_EQ(which({"--which"}).ExitCode, 64);
}

// The window's source load says where the texture came from, and passes damaged archives and
// what is missing to the view's second status field.
TEST(InstalledSource, TheSourceLoadNamesItsOriginAndGivesItsReasons) {
    const TempFolder root;
    const CurrentDirectoryGuard cwd(root.Path());
    MakeArchivedWorkspace(root);
    const EnvironmentGuard home("HOME", root / "home");
    const EnvironmentGuard wine("WINEPREFIX", nullptr);
    BlendSession session;
    session.Config.Set("SkyrimDataPath", root / "Game/Data/");
    session.StartEngine();
    session.SetName = "Head";
    session.TypeName = "Color";
    std::string status, reason;
    session.View.Status = [&](const std::string& text) { status = text; };
    unsigned marked = 0; // the pictures the last reason marks as failed
    session.View.Reason = [&](unsigned pictures, const std::string& text) {
        marked = pictures;
        reason = text;
    };
    const BlendChoice female{true, {"female"}, "", ""};
    const BlendChoice male{true, {"male"}, "", ""};

    ASSERT_TRUE(session.LoadSourceImage(0, female));
    EXPECT_EQ(status, "  Ready (from Skyrim - Textures0.bsa) ");
    EXPECT_EQ(reason, "");
    RgbaImage staged;
    ASSERT_TRUE(ReadTexture(root / ("stage/" + HeadPath(0)), staged));
    EXPECT_TRUE(session.Images.at("Source").Pixels == staged.Pixels);
    EXPECT_EQ(session.InstalledBlocks.Width, 64) << "the stored blocks are kept for the save";
    // The archived texture's mip chain decides the output's.
    const auto target = session.FindSaveTarget("Out\\", "Head", "Color", "female");
    ASSERT_TRUE(target.has_value());
    EXPECT_TRUE(target->MipChain);

    // A loose file in the data folder wins, and is the plain case: "Ready".
    const std::string loose = root / ("Game/Data/" + HeadPath(1));
    WriteTextFile(loose, ReadTextFile(root / ("stage/" + HeadPath(1))));
    ASSERT_TRUE(session.LoadSourceImage(0, male));
    EXPECT_EQ(status, "  Ready ");

    // Nothing holds it: the load fails, and the reason names the path that was tried.
    fs::remove(loose);
    fs::resize_file(root / "Game/Data/Skyrim - Textures0.bsa", 100);
    EXPECT_FALSE(session.LoadSourceImage(0, male));
    EXPECT_EQ(status, "  Ready ");
    EXPECT_EQ(reason, "Damaged archive " + (root / "Game/Data/Skyrim - Textures0.bsa") +
                          ": it declares 2 folders and 6 files, more than its 100 bytes can hold; "
                          "it is skipped\n" +
                          loose + ": Neither the data folder nor a loaded archive holds it.");
    EXPECT_EQ(marked, SourcePreviewFlag);
}

// The output folder is the data folder and every head texture lies in an archive: the first run
// writes loose files over nothing, the second passes over them (they are Quillon's own) for the
// archive again, so the bytes are the same; a restore removes them and the archive is the game's
// again.
TEST(InstalledSource, OurLooseOutputsOverAnArchiveAreNeverASource) {
    const TempFolder root;
    MakeArchivedWorkspace(root);
    WriteTextFile(root / "Config.xml", ConfigXml("<GameDataPath>Game\\Data\\</GameDataPath>"));
    ProcessResult run = RunHeadFix(root);
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    const auto first = FilesBelow(root.Path() / "Game/Data");
    ASSERT_EQ(first.size(), 7u) << "the archive and six outputs";
    run = RunHeadFix(root);
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_TRUE(FilesBelow(root.Path() / "Game/Data") == first)
        << "the seam was blended a second time";
    EXPECT_NE(run.StandardOutput.find("Skyrim - Textures0.bsa"), std::string::npos)
        << run.StandardOutput;

    run = RunIn(root.Path(), QUILLON_CLI, {"--restore"});
    EXPECT_EQ(run.ExitCode, 0) << run.StandardError;
    EXPECT_EQ(FilesBelow(root.Path() / "Game/Data").size(), 1u) << "the archive alone";
}
