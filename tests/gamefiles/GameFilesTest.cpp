// Where the game loads a texture from, in made-up installs of both editions, with and without Mod
// Organizer 2, their archives made by the independent Python writer. Each file's content names
// where it lies, so a resolution shows what it found by what it reads.
#include "gamefiles/GameFiles.h"
#include "gamefiles/TextFile.h"
#include "platform/Paths.h"
#include "support/PythonArchive.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

const std::string Head = "textures\\actors\\character\\female\\femalehead.dds";
const std::string HeadNative = "textures/actors/character/female/femalehead.dds";

class GameFilesTest : public ::testing::Test {
protected:
    TempFolder Root;
    UserFolders User{"", "", Root / "home", Root / "wine", "alice"};

    // A file of text below the root ("/"-joined).
    void File(const std::string& relative, const std::string& text = "") {
        WriteTextFile(Root / relative, text);
    }
    // An archive below the root holding texts: {path in the archive, text}.
    void Archive(const std::string& relative, const char* version,
                 const std::vector<std::pair<std::string, std::string>>& files) {
        fs::create_directories(fs::path(Root / relative).parent_path());
        Lines arguments{"--version", version};
        for (const auto& [path, text] : files) {
            arguments.push_back(path + ":" + text);
        }
        ASSERT_EQ(WritePythonArchive(Root / relative, arguments), "");
    }
    GameFiles Game(const std::string& data, const std::string& instance = "",
                   const std::string& output = "") {
        return GameFiles(GameSetup{Root / data + "/", instance.empty() ? "" : Root / instance, "",
                                   output.empty() ? "" : Root / output + "/", User});
    }
    // What each candidate holds and where it comes from: "text (origin)".
    static Lines Found(const std::vector<GameFile>& files, const std::string& path = Head) {
        Lines found;
        for (const GameFile& file : files) {
            std::string text;
            if (file.Kind == OriginKind::Archive) {
                std::vector<std::uint8_t> bytes;
                std::string reason;
                text = GameFiles::ReadArchived(file, path, bytes, reason)
                           ? std::string(bytes.begin(), bytes.end())
                           : "damaged: " + reason;
            } else {
                text = ReadTextFile(file.NativePath);
            }
            found.push_back(text + " (" + DescribeOrigin(file) + ")");
        }
        return found;
    }
};

} // namespace

// The 2011 edition: its INI in the Wine prefix of $WINEPREFIX, for a user other than steamuser,
// lists the vanilla archive; Update.esm's archive loads after it; a loose file wins over both.
TEST_F(GameFilesTest, TheOriginalEditionLoadsTheIniArchivesThenTheMastersArchives) {
    File("Game/TESV.exe");
    File("Game/Data/Skyrim.esm");
    File("Game/Data/Update.esm");
    Archive("Game/Data/Skyrim - Textures.bsa", "104",
            {{Head, "vanilla"}, {"textures\\other.dds", "vanilla other"}});
    Archive("Game/Data/Update.bsa", "104", {{Head, "update"}});
    Archive("Game/Data/Skyrim - Unlisted.bsa", "104", {{Head, "unlisted"}});
    File("wine/drive_c/users/alice/Documents/My Games/Skyrim/Skyrim.ini",
         "[Archive]\nsResourceArchiveList=Skyrim - Misc.bsa\n"
         "sResourceArchiveList2=Skyrim - Textures.bsa\n");
    GameFiles game = Game("Game/Data");
    EXPECT_EQ(Found(game.Candidates(Head)),
              (Lines{"update (Update.bsa in the data folder)",
                     "vanilla (Skyrim - Textures.bsa in the data folder)"}));
    EXPECT_EQ(Found(game.Candidates("Textures/Other.DDS"), "textures\\other.dds"),
              Lines{"vanilla other (Skyrim - Textures.bsa in the data folder)"});
    EXPECT_EQ(OriginName(game.Candidates(Head).front()), "Update.bsa");
    EXPECT_TRUE(game.Candidates("textures\\missing.dds").empty());
    EXPECT_EQ(game.TakeNotes(), Lines{});

    File("Game/Data/" + HeadNative, "loose");
    GameFiles loose = Game("Game/Data");
    EXPECT_EQ(Found(loose.Candidates(Head)),
              (Lines{"loose (the data folder)", "update (Update.bsa in the data folder)",
                     "vanilla (Skyrim - Textures.bsa in the data folder)"}));
    EXPECT_EQ(Found(loose.SourceCandidates(Head)), Lines{"loose (the data folder)"});
    EXPECT_EQ(OriginName(loose.Candidates(Head).front()), "");

    // Without an INI, every "Skyrim - " archive loads, by name. A refresh sees the files as they
    // are now: the loose file gone, the INI gone, an archive changed.
    fs::remove_all(Root / "wine");
    fs::remove(Root / ("Game/Data/" + HeadNative));
    Archive("Game/Data/Update.bsa", "104", {{Head, "update 2"}});
    loose.Refresh();
    EXPECT_EQ(Found(loose.Candidates(Head)),
              (Lines{"update 2 (Update.bsa in the data folder)",
                     "unlisted (Skyrim - Unlisted.bsa in the data folder)",
                     "vanilla (Skyrim - Textures.bsa in the data folder)"}));
}

// The Special Edition under Proton: the plugins.txt of the prefix beside the game's Steam folder,
// Proton's user "steamuser"; a plugin's archive wins over the vanilla ones while it is active.
TEST_F(GameFilesTest, TheSpecialEditionLoadsAnActivePluginsArchiveAfterTheVanillaOnes) {
    const std::string game = "steam/steamapps/common/Skyrim Special Edition/";
    File(game + "SkyrimSE.exe");
    File(game + "Data/Skyrim.esm");
    File(game + "Data/Faces.esp");
    for (int i = 0; i < 4; ++i) {
        const std::string name = "Skyrim - Textures" + std::to_string(i) + ".bsa";
        std::vector<std::pair<std::string, std::string>> files{
            {"textures\\filler" + std::to_string(i) + ".dds", "filler"}};
        if (i == 1 || i == 3) {
            files.emplace_back(Head, "vanilla " + std::to_string(i));
        }
        Archive(game + "Data/" + name, "105", files);
    }
    Archive(game + "Data/Faces - Textures.bsa", "105", {{Head, "faces"}});
    const std::string plugins = "steam/steamapps/compatdata/489830/pfx/drive_c/users/steamuser/"
                                "AppData/Local/Skyrim Special Edition/plugins.txt";
    File(plugins, "# This file is used by Skyrim to keep track of your downloaded content.\n"
                  "*Faces.esp\n");
    EXPECT_EQ(Found(Game(game + "Data").Candidates(Head)),
              (Lines{"faces (Faces - Textures.bsa in the data folder)",
                     "vanilla 3 (Skyrim - Textures3.bsa in the data folder)",
                     "vanilla 1 (Skyrim - Textures1.bsa in the data folder)"}));
    File(plugins, "Faces.esp\n"); // inactive
    EXPECT_EQ(Found(Game(game + "Data").SourceCandidates(Head)),
              (Lines{"vanilla 3 (Skyrim - Textures3.bsa in the data folder)",
                     "vanilla 1 (Skyrim - Textures1.bsa in the data folder)"}));
    // An active plugin that is not installed brings no archive.
    fs::remove(Root / (game + "Data/Faces.esp"));
    File(plugins, "*Faces.esp\n");
    EXPECT_EQ(Found(Game(game + "Data").Candidates(Head)).front(),
              "vanilla 3 (Skyrim - Textures3.bsa in the data folder)");
}

// Mod Organizer 2: the overwrite folder, then the enabled mods by priority, then the data folder;
// a disabled mod does not count, nor does its plugin's archive; an enabled mod's archive does.
// Quillon's own output mod is shadowed like any mod, but no blend starts from it.
TEST_F(GameFilesTest, ModOrganizerPrioritiesTheOverwriteFolderAndTheOutputMod) {
    File("Game/SkyrimSE.exe");
    File("Game/Data/Skyrim.esm");
    File("Game/Data/" + HeadNative, "data");
    File("MO2/ModOrganizer.ini", "[General]\ngameName=Skyrim Special Edition\ngamePath=" +
                                     (Root / "Game") + "\nselected_profile=@ByteArray(Main)\n");
    File("MO2/profiles/Main/modlist.txt",
         "# This file was automatically generated by Mod Organizer.\n+Quillon Output\n+High\n"
         "-Disabled\n+Low\n*Creation Club: ccBGSSSE001-Fish\n+Not Installed\n");
    File("MO2/profiles/Main/plugins.txt", "*Low.esp\n*Disabled.esp\n");
    File("MO2/mods/Quillon Output/" + HeadNative, "ours");
    File("MO2/mods/High/" + HeadNative, "high");
    File("MO2/mods/Disabled/" + HeadNative, "disabled");
    File("MO2/mods/Disabled/Disabled.esp");
    Archive("MO2/mods/Disabled/Disabled.bsa", "105", {{"textures\\only.dds", "disabled archive"}});
    File("MO2/mods/Low/TEXTURES/Actors/Character/Female/FemaleHead.dds", "low");
    File("MO2/mods/Low/TEXTURES/other.dds", "low other");
    File("MO2/mods/Low/Low.esp");
    Archive("MO2/mods/Low/Low.bsa", "105", {{"textures\\only.dds", "low archive"}});
    File("MO2/overwrite/textures/other.dds", "overwrite");

    GameFiles game = Game("Game/Data", "MO2", "MO2/mods/Quillon Output");
    EXPECT_TRUE(game.HasModOrganizer());
    EXPECT_EQ(Found(game.Candidates(Head)),
              (Lines{"ours (mod \"Quillon Output\")", "high (mod \"High\")", "low (mod \"Low\")",
                     "data (the data folder)"}));
    EXPECT_TRUE(game.Candidates(Head).front().QuillonOutput);
    EXPECT_EQ(Found(game.SourceCandidates(Head)).front(), "high (mod \"High\")");
    EXPECT_EQ(Found(game.Candidates("textures\\other.dds"), "textures\\other.dds"),
              (Lines{"overwrite (the overwrite folder)", "low other (mod \"Low\")"}));
    EXPECT_EQ(Found(game.Candidates("textures\\only.dds"), "textures\\only.dds"),
              Lines{"low archive (Low.bsa in mod \"Low\")"});
    EXPECT_EQ(game.TakeNotes(), Lines{});

    // The seam for the journal of Quillon's own files: a loose candidate skipped, or replaced.
    game.SetLooseFilter([](const std::string& path) {
        return path.find("/High/") != std::string::npos ? LooseChoice{LooseChoice::Action::Skip, ""}
                                                        : LooseChoice{};
    });
    EXPECT_EQ(Found(game.SourceCandidates(Head)).front(), "low (mod \"Low\")");
    File("backup.dds", "backup");
    game.SetLooseFilter([this](const std::string&) {
        return LooseChoice{LooseChoice::Action::UseOther, Root / "backup.dds"};
    });
    const std::vector<GameFile> replaced = game.SourceCandidates(Head);
    EXPECT_EQ(Found(replaced).front(), "backup (mod \"High\")");
    EXPECT_EQ(replaced.front().Replaces, Root / ("MO2/mods/High/" + HeadNative));

    // A mod disabled in another profile, named in Config.xml.
    File("MO2/profiles/Other/modlist.txt", "-High\n+Low\n");
    GameFiles other(GameSetup{Root / "Game/Data/", Root / "MO2", "Other", "", User});
    EXPECT_EQ(Found(other.Candidates(Head)),
              (Lines{"low (mod \"Low\")", "data (the data folder)"}));
}

// A profile with its own INIs lists the archives; a damaged archive is skipped with one note and
// the others still count; setup files in UTF-16 are read, a huge one is ignored with a note.
TEST_F(GameFilesTest, DamagedArchivesAndSetupFilesAreSkippedWithANote) {
    File("Game/SkyrimSE.exe");
    Archive("Game/Data/Skyrim - Textures0.bsa", "105", {{Head, "vanilla 0"}});
    Archive("Game/Data/Skyrim - Textures1.bsa", "105", {{Head, "vanilla 1"}});
    Archive("Game/Data/Skyrim - Textures2.bsa", "105", {{Head, "vanilla 2"}});
    fs::resize_file(Root / "Game/Data/Skyrim - Textures2.bsa", 40);
    File("MO2/ModOrganizer.ini", "[General]\ngamePath=" + (Root / "Game") + "\n");
    File("MO2/profiles/Default/modlist.txt", std::string("\xFF\xFE+\0M\0o\0d\0\r\0\n\0", 14));
    File("MO2/profiles/Default/settings.ini", "[General]\r\nLocalSettings=true\r\n");
    File("MO2/profiles/Default/Skyrim.ini",
         "[Archive]\nsResourceArchiveList2=Skyrim - Textures0.bsa, Skyrim - Textures2.bsa, "
         "Skyrim - Textures1.bsa\n");
    File("MO2/profiles/Default/SkyrimCustom.ini",
         "[Archive]\nsResourceArchiveList2=Skyrim - Textures1.bsa, Skyrim - Textures2.bsa, "
         "Skyrim - Textures0.bsa\n");
    File("MO2/mods/Mod/meshes/x.nif", "mod");
    {
        std::ofstream huge(Root / "MO2/profiles/Default/plugins.txt", std::ios::binary);
        huge << "*Huge.esp\n";
    }
    fs::resize_file(Root / "MO2/profiles/Default/plugins.txt", MaxSetupFileSize + 1);

    GameFiles game = Game("Game/Data", "MO2");
    EXPECT_EQ(Found(game.Candidates("meshes\\x.nif"), "meshes\\x.nif"), Lines{"mod (mod \"Mod\")"});
    EXPECT_EQ(Found(game.Candidates(Head)),
              (Lines{"vanilla 0 (Skyrim - Textures0.bsa in the data folder)",
                     "vanilla 1 (Skyrim - Textures1.bsa in the data folder)"}));
    EXPECT_EQ(game.LoadedArchives().size(), 3u);
    EXPECT_EQ(
        game.TakeNotes(),
        (Lines{DisplayPath(Root / "MO2/profiles/Default/plugins.txt") +
                   ": the file is larger than 16,777,216 bytes, so it is ignored",
               "Damaged archive " + (Root / "Game/Data/Skyrim - Textures2.bsa") +
                   ": it declares 1 folder and 1 file, more than its 40 bytes can hold; it is "
                   "skipped"}));
    game.Candidates(Head);
    EXPECT_EQ(game.TakeNotes(), Lines{}) << "each note once";

    // An instance that cannot be read leaves the data folder alone, and says why.
    GameFiles broken = Game("Game/Data", "nothing here");
    EXPECT_FALSE(broken.HasModOrganizer());
    EXPECT_EQ(broken.TakeNotes(), Lines{"Mod Organizer 2: " + DisplayPath(Root / "nothing here") +
                                        ": the folder holds no ModOrganizer.ini; its mods are "
                                        "not used"});
}
