// `quillon-cli blend` against the window: on the demo workspace, the program writes byte for byte
// what the session writes when driven as the window drives it for the same choices. Then its
// failures, each in a small workspace of its own: exit code, message, and which files exist.
#include "backup/BackupFolder.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "platform/MessageBox.h"
#include "samples/DemoWorkspace.h"
#include "samples/SampleDocuments.h"
#include "samples/SampleImages.h"
#include "support/ProcessRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace quillon;

namespace {

namespace fs = std::filesystem;

// Every file below a folder: its "/"-joined path below it, and its bytes.
std::map<std::string, std::string> FilesBelow(const fs::path& folder) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_directory() && it->path().filename() == BackupFolderName) {
            it.disable_recursion_pending(); // the journal and backups, not textures
        } else if (it->is_regular_file()) {
            files[fs::relative(it->path(), folder).generic_string()] =
                ReadTextFile(it->path().string());
        }
    }
    return files;
}

ProcessResult RunCli(const fs::path& folder, const std::vector<std::string>& arguments) {
    return RunProcess(QUILLON_CLI, arguments, folder.string(),
                      {{"HOME", (folder / "home").string()}},
                      {"XDG_DATA_HOME", "DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
}

// The window's steps for a choice: the set and the type chosen (both images to be read anew),
// then "Blend Images", its confirmation answered Yes.
std::map<std::string, std::string> BlendAsTheWindowDoes(const fs::path& workspace,
                                                        const std::string& set,
                                                        const std::string& type,
                                                        const BlendChoice& choice) {
    fs::remove_all(workspace / "Output");
    const CurrentDirectoryGuard inside(workspace);
    BlendSession session;
    session.LoadConfiguration({});
    session.StartEngine();
    session.SetName = set;
    session.TypeName = type;
    session.SourceReload = true;
    session.ModReload = true;
    SetMessageBoxHandler([](const MessageBoxRequest&) { return msgbox::IDYES; });
    session.BlendImages(choice, false);
    SetMessageBoxHandler({});
    return FilesBelow(workspace / "Output");
}

class BlendOnTheDemo : public testing::Test {
protected:
    static void SetUpTestSuite() {
        Root = new TempFolder;
        ASSERT_TRUE(MakeDemoWorkspace(Root->Path(), false));
    }
    static void TearDownTestSuite() {
        delete Root;
        Root = nullptr;
    }
    static TempFolder* Root;
};
TempFolder* BlendOnTheDemo::Root = nullptr;

const std::string Character = "Output/textures/actors/character/";

} // namespace

TEST_F(BlendOnTheDemo, WritesWhatTheWindowWritesForTheSameChoices) {
    const fs::path demo = Root->Path();
    const std::string absoluteMod = *Root / "Library/Body/Diffuse/Birthmark.psd";
    struct Case {
        const char* What;
        std::vector<std::string> Arguments; // --set and --type first, as the window chooses them
        BlendChoice Window;
        std::vector<std::string> Written; // below Output/textures/actors/character, in order
    };
    const Case cases[] = {
        {"installed sources, both sub sets, each its own blend",
         {"blend", "--set", "Head", "--type", "Color", "--mod", "KORAv3_HeadNeckBlendColor.psd",
          "--yes"},
         {true, {"female", "male"}, "", "Head\\Color\\KORAv3_HeadNeckBlendColor.psd"},
         {"female/femalehead.dds", "male/malehead.dds"}},
        {"one source file, one blend written to both",
         {"blend", "--set", "Head", "--type", "Color", "--source", "SunKissed.dds", "--mod",
          "KORAv3_HeadNeckBlendColor.psd", "--yes"},
         {false,
          {"female", "male"},
          "Head\\Color\\SunKissed.dds",
          "Head\\Color\\KORAv3_HeadNeckBlendColor.psd"},
         {"female/femalehead.dds", "male/malehead.dds"}},
        {"a modification in a sub-folder, written with /",
         {"blend", "--set", "Body", "--type", "Diffuse", "--source", "Pale.dds", "--mod",
          "Tattoos/Woad.psd", "--only", "female"},
         {false, {"female"}, "Body\\Diffuse\\Pale.dds", "Body\\Diffuse\\Tattoos\\Woad.psd"},
         {"female/femalebody_1.dds"}},
        {"a modification by its absolute path; --only in another order: the list's order",
         {"blend", "--set", "Body", "--type", "Diffuse", "--mod", absoluteMod, "--only",
          "male,female", "--yes"},
         {true, {"female", "male"}, "", "Body\\Diffuse\\Birthmark.psd"},
         {"female/femalebody_1.dds", "male/malebody_1.dds"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        fs::remove_all(demo / "Output");
        const ProcessResult run = RunCli(demo, c.Arguments);
        EXPECT_EQ(run.ExitCode, 0);
        EXPECT_EQ(run.StandardError, "");
        std::string lines;
        for (const std::string& file : c.Written) {
            lines += NativePath(Character + file) + "\n";
        }
        EXPECT_EQ(run.StandardOutput, lines);
        const std::map<std::string, std::string> cli = FilesBelow(demo / "Output");
        const std::map<std::string, std::string> window =
            BlendAsTheWindowDoes(demo, c.Arguments[2], c.Arguments[4], c.Window);
        ASSERT_EQ(cli.size(), c.Written.size());
        EXPECT_TRUE(cli == window) << "the program's textures differ from the window's";
        // The blend changed the texture: it is no copy of the installed one.
        const std::string first = "textures/actors/character/" + c.Written.front();
        EXPECT_NE(cli.at(first), ReadTextFile(*Root / ("Data/" + first)));
    }
}

TEST_F(BlendOnTheDemo, SeveralDestinationsAreWrittenOnlyWhenConfirmed) {
    const fs::path demo = Root->Path();
    fs::remove_all(demo / "Output");
    const std::vector<std::string> both = {"blend",   "--set", "Body",         "--type",
                                           "Diffuse", "--mod", "Birthmark.psd"};
    // No terminal (the test's standard input is closed) and no --yes: refused, nothing written.
    const ProcessResult refused = RunCli(demo, both);
    EXPECT_EQ(refused.ExitCode, cli::NotConfirmed);
    EXPECT_EQ(refused.StandardOutput, "");
    EXPECT_EQ(refused.StandardError, "quillon-cli: 2 destinations were not written: there is no "
                                     "terminal to ask on; pass --yes to write them all\n");
    EXPECT_FALSE(fs::exists(demo / "Output"));

    // A dry run asks nothing, reads the sources and names what would be written.
    std::vector<std::string> dry = both;
    dry.push_back("--dry-run");
    const ProcessResult dryRun = RunCli(demo, dry);
    EXPECT_EQ(dryRun.ExitCode, 0) << dryRun.StandardError;
    EXPECT_EQ(dryRun.StandardOutput, NativePath(Character + "female/femalebody_1.dds") + "\n" +
                                         NativePath(Character + "male/malebody_1.dds") + "\n");
    EXPECT_FALSE(fs::exists(demo / "Output"));

    // On a terminal the question is the window's, and the answer decides.
    const CurrentDirectoryGuard inside(demo);
    for (const bool answer : {false, true}) {
        SCOPED_TRACE(answer);
        BlendSession session;
        session.LoadConfiguration({});
        session.StartEngine();
        cli::BlendOptions options;
        options.Set = "Body";
        options.Type = "Diffuse";
        options.Mod = "Birthmark.psd";
        std::string asked;
        std::ostringstream out, err;
        const int code = cli::RunBlend(session, options, out, err, [&](const std::string& text) {
            asked = text;
            return std::optional<bool>(answer);
        });
        // The window's question, then the files it would write.
        EXPECT_EQ(asked.rfind("You have selected multiple destination files. This will modify "
                              "all selected destination files with chosen library modification "
                              "file.\r\n\r\nAre you sure?\r\n\r\nFiles written in ",
                              0),
                  0u)
            << asked;
        EXPECT_EQ(code, answer ? 0 : cli::NotConfirmed) << err.str();
        EXPECT_EQ(fs::exists(demo / "Output"), answer);
        EXPECT_EQ(err.str(), answer ? ""
                                    : "quillon-cli: 2 destinations were not written: the "
                                      "answer was no\n");
    }
}

namespace {

// A small workspace: the set "Head" with one type, "Color" (DXT1, 32 pixels), for the sub sets
// female and male; installed textures, a modification and a source file; `male` declares
// `maleSize`.
void MakeSmallWorkspace(const fs::path& root, const std::string& maleSize = "32") {
    WriteTextFile((root / "Config.xml").string(),
                  ConfigXml("<GameDataPath>Data\\</GameDataPath>"
                            "<TexOutputPath>Out\\</TexOutputPath>"));
    std::string male = ChannelXml("Color", "malehead", 32);
    male.replace(male.find("<Size>32"), 8, "<Size>" + maleSize);
    WriteTextFile((root / "SetDefs/Head.xml").string(),
                  SetXml("Head", "textures\\actors\\character",
                         {{"female", ChannelXml("Color", "femalehead", 32)}, {"male", male}}));
    for (const char* subSet : {"female", "male"}) {
        const std::string path = (root / ("Data/textures/actors/character/" + std::string(subSet) +
                                          "/" + subSet + "head.dds"))
                                     .string();
        fs::create_directories(fs::path(path).parent_path());
        ASSERT_TRUE(
            WriteDdsTexture(path, MakeSeamedTexture(SampleKind::Skin, 64, 64, 48, 3), "DXT1"));
    }
    fs::create_directories(root / "Library/Head/Color");
    ASSERT_TRUE(WritePsd((root / "Library/Head/Color/Seam.psd").string(),
                         MakeSeamMod(SampleKind::Skin, 32, 32, 24, 4)));
    fs::create_directories(root / "Source/Head/Color");
    ASSERT_TRUE(WriteDdsTexture((root / "Source/Head/Color/Alt.dds").string(),
                                MakeSeamedTexture(SampleKind::Skin, 32, 32, 24, 5), "DXT1"));
}

} // namespace

TEST(BlendCommand, FailuresSayWhyAndEndWithTheirCode) {
    const std::string female = "Out/textures/actors/character/female/femalehead.dds";
    const std::string male = "Out/textures/actors/character/male/malehead.dds";
    const std::string maleInstalled = "Data/textures/actors/character/male/malehead.dds";
    auto blend = [](const std::string& set, const std::string& type, const std::string& mod,
                    std::vector<std::string> more = {}) {
        more.insert(more.begin(), {"blend", "--set", set, "--type", type, "--mod", mod});
        return more;
    };
    const std::string absent = (fs::temp_directory_path() / "quillon-absent.psd").string();
    const std::string missing = "cannot read the installed texture " + NativePath(maleInstalled) +
                                ": Neither the data folder nor a loaded archive holds it.\n";
    struct Case {
        const char* What;
        std::vector<std::string> Arguments;
        int Exit;
        std::string Error;
        bool FemaleWritten = false;
        std::string MaleSize = "32";
        std::string Remove = "";
        std::string Folder = ""; // made where a file would be written
    };
    const Case cases[] = {
        {"no such set", blend("head", "Color", "Seam.psd"), cli::UnknownName,
         "quillon-cli: no set \"head\" in the set definitions; sets: \"Head\"\n"},
        {"no such type", blend("Head", "Normal", "Seam.psd"), cli::UnknownName,
         "quillon-cli: the set \"Head\" has no type \"Normal\"; types: \"Color\"\n"},
        {"no such sub set", blend("Head", "Color", "Seam.psd", {"--only", "female,Male"}),
         cli::UnknownName,
         "quillon-cli: the set \"Head\" has no sub set \"Male\" of type \"Color\"; sub sets: "
         "\"female\", \"male\"\n"},
        {"no such modification", blend("Head", "Color", "Missing.psd"), cli::ModificationUnreadable,
         "quillon-cli: cannot read the modification " +
             NativePath("Library/Head/Color/Missing.psd") + ": there is no such file\n"},
        {"no such modification, named by an absolute path", blend("Head", "Color", absent),
         cli::ModificationUnreadable,
         "quillon-cli: cannot read the modification " + absent + ": there is no such file\n"},
        {"a source file that is no image",
         blend("Head", "Color", "Seam.psd", {"--source", "../../../SetDefs/Head.xml"}),
         cli::SourceUnreadable,
         "quillon-cli: cannot read the source " +
             NativePath("Source/Head/Color/../../../SetDefs/Head.xml") +
             ": not an image file Quillon reads\n"},
        {"the second installed texture missing: the first stays written",
         blend("Head", "Color", "Seam.psd", {"--yes"}), cli::SourceUnreadable,
         "Error: Failed to save file: " + missing, true, "32", maleInstalled},
        {"the second installed texture missing, seen by a dry run: nothing written",
         blend("Head", "Color", "Seam.psd", {"--dry-run"}), cli::SourceUnreadable,
         "quillon-cli: " + missing, false, "32", maleInstalled},
        {"a declared Size beyond the largest edge", blend("Head", "Color", "Seam.psd", {"--yes"}),
         cli::BlendFailed,
         "Error: Failed to save file: cannot blend: set \"Head\", sub set \"male\", type "
         "\"Color\": Size 20000 is outside 0 to 16384\n",
         true, "20000"},
        {"a folder where the second texture goes", blend("Head", "Color", "Seam.psd", {"--yes"}),
         cli::SaveFailed,
         "Error: Failed to save file: cannot write " + NativePath(male) +
             ": writing the file failed (the disk may be full, or the folder read-only)\n",
         true, "32", "", male},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const TempFolder root;
        MakeSmallWorkspace(root.Path(), c.MaleSize);
        if (!c.Remove.empty()) {
            fs::remove(root / c.Remove);
        }
        if (!c.Folder.empty()) {
            fs::create_directories(root / c.Folder);
        }
        const ProcessResult run = RunCli(root.Path(), c.Arguments);
        EXPECT_EQ(run.ExitCode, c.Exit);
        EXPECT_EQ(run.StandardError, c.Error);
        EXPECT_EQ(run.StandardOutput, c.FemaleWritten ? NativePath(female) + "\n" : "");
        EXPECT_EQ(ReadTextFile(root / female).substr(0, 4), c.FemaleWritten ? "DDS " : "");
        EXPECT_FALSE(fs::is_regular_file(root / male));
    }
}

// Started outside its workspace, as an installed program is from the player's own folder, the
// command prints each file from the root: a path the caller's shell finds.
TEST(BlendCommand, FilesArePrintedWholeWhenTheWorkspaceIsElsewhere) {
#ifdef _WIN32
    const std::string userFolder = "APPDATA", workspaceName = "Quillon";
#else
    const std::string userFolder = "XDG_DATA_HOME", workspaceName = "quillon";
#endif
    const TempFolder root;
    const fs::path workspace = root.Path() / "user" / workspaceName;
    MakeSmallWorkspace(workspace);
    fs::create_directories(root.Path() / "elsewhere");
    const ProcessResult run = RunProcess(
        QUILLON_CLI,
        {"blend", "--set", "Head", "--type", "Color", "--mod", "Seam.psd", "--only", "female"},
        (root.Path() / "elsewhere").string(),
        {{userFolder, root / "user"}, {"HOME", root / "home"}},
        {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    EXPECT_EQ(run.ExitCode, 0) << run.StandardError;
    const fs::path female =
        workspace / NativePath("Out/textures/actors/character/female/femalehead.dds");
    EXPECT_EQ(run.StandardOutput, female.string() + "\n");
    EXPECT_TRUE(fs::is_regular_file(female));
}
