// quillon-cli as a player runs it: --version and --help, `list`, and the workspace it works in,
// made on first start from the set definitions the program ships (the build's own copy).
#include "support/ProcessRunner.h"
#include "support/TestSupport.h"

#include <quillon/Version.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quillon;

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// The user's workspace on Windows: %APPDATA%\Quillon.
const char* const UserFolderVariable = "APPDATA";
const char* const UserWorkspace = "Quillon";
#else
const char* const UserFolderVariable = "XDG_DATA_HOME";
const char* const UserWorkspace = "quillon";
#endif

ProcessResult RunCli(const fs::path& folder, const std::vector<std::string>& arguments,
                     const std::map<std::string, std::string>& environment,
                     const std::vector<std::string>& unset = {}) {
    std::vector<std::string> removed = unset;
    removed.insert(removed.end(), {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    return RunProcess(QUILLON_CLI, arguments, folder.string(), environment, removed);
}

} // namespace

TEST(QuillonCli, VersionHelpAndArgumentsItDoesNotKnow) {
    const TempFolder root;
    const ProcessResult version = RunCli(root.Path(), {"--version"}, {});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.StandardOutput, std::string("quillon-cli ") + QuillonVersion + "\n");
    const ProcessResult help = RunCli(root.Path(), {"blend", "--help"}, {});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.StandardOutput.find("--dry-run"), std::string::npos) << "blend's own options";
    // Neither asks for a workspace: nothing is made.
    EXPECT_TRUE(fs::is_empty(root.Path()));
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"blends"},
             {"list", "Head"},
             {"list", "blend"},
             {"blend", "--set", "S", "--type", "T"}, // no --mod
             {"blend", "--set", "S", "--type", "T", "--mod", "m", "--source", "s", "--installed"},
             {"blend", "--set", "S", "--type", "T", "--mod", "m", "--force"},
             {"--restore", "list"},
             {"--which", "a.dds", "blend", "--set", "S", "--type", "T", "--mod", "m"},
             {"--restore", "--which", "a.dds"}}) {
        const ProcessResult run =
            RunCli(root.Path(), wrong, {{UserFolderVariable, root / "user"}}, {"HOME"});
        EXPECT_EQ(run.ExitCode, 64) << wrong.back();
        EXPECT_EQ(run.StandardOutput, "");
        EXPECT_NE(run.StandardError.find("Run with --help for more information."),
                  std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(root.Path())) << "a command line in error starts nothing";
}

TEST(QuillonCli, WorksInTheCurrentFolderOrInTheUserWorkspaceMadeOnFirstStart) {
    const TempFolder root;
    const fs::path elsewhere = root.Path() / "elsewhere";
    fs::create_directories(elsewhere);
    const std::string workspace = root / ("user/" + std::string(UserWorkspace));
    const std::map<std::string, std::string> user = {{UserFolderVariable, root / "user"},
                                                     {"HOME", root / "home"}};

    // First start, from a folder that is no workspace: made, with the shipped definitions.
    const ProcessResult first = RunCli(elsewhere, {"list"}, user);
    EXPECT_EQ(first.ExitCode, 0);
    EXPECT_EQ(
        first.StandardOutput.substr(0, first.StandardOutput.find('\n') + 1),
        "Head\tColor\tfemale\ttextures\\actors\\character\\female\\femalehead.dds\tDXT1\t1024\n");
    EXPECT_EQ(std::count(first.StandardOutput.begin(), first.StandardOutput.end(), '\n'), 6)
        << "the shipped Head set: three types of two sub sets";
    EXPECT_EQ(first.StandardError, "quillon-cli: workspace " + workspace +
                                       ": made SetDefs, SetDefs/Head.xml, Library, Source\n");
    for (const char* made : {"SetDefs/Head.xml", "Library", "Source"}) {
        EXPECT_TRUE(fs::exists(fs::path(workspace) / made)) << made;
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));

    // A later start says nothing and keeps the player's own definitions.
    WriteTextFile(workspace + NativePath("/SetDefs/Head.xml"),
                  "<TextureSet Name=\"Mine\"><Path>p</Path><SubSet Name=\"s\"><Channel "
                  "Name=\"Color\"><FileName>f</FileName><FileFormat>dds</FileFormat><Size>8</"
                  "Size></Channel></SubSet></TextureSet>");
    const ProcessResult later = RunCli(elsewhere, {"list"}, user);
    EXPECT_EQ(later.ExitCode, 0);
    EXPECT_EQ(later.StandardError, "");
    EXPECT_EQ(later.StandardOutput, "Mine\tColor\ts\tp\\s\\f.dds\tRGB\t8\n");

    // Without arguments the head fix runs there: no modifications in its Library yet.
    const ProcessResult headFix = RunCli(elsewhere, {}, user);
    EXPECT_EQ(headFix.ExitCode, 1);
    EXPECT_EQ(headFix.StandardError,
              "Error: Failed to open Color Mod Image there is no such file\n");

    // A folder holding Config.xml is the workspace, also without set definitions.
    const fs::path own = root.Path() / "own";
    WriteTextFile((own / "Config.xml").string(), "<QuillonConfig/>");
    const ProcessResult current = RunCli(own, {"list"}, user);
    EXPECT_EQ(current.ExitCode, 0);
    EXPECT_EQ(current.StandardOutput, "");
    EXPECT_EQ(current.StandardError,
              "quillon-cli: no set definitions in " + (own / "SetDefs").string() + "\n");
    EXPECT_FALSE(fs::exists(own / "Library")) << "a workspace of the player's is left as it is";

#ifndef _WIN32
    // Nowhere to make one: the run stays where it was started, and says why.
    const ProcessResult nowhere = RunCli(elsewhere, {"list"}, {}, {"XDG_DATA_HOME", "HOME"});
    EXPECT_EQ(nowhere.ExitCode, 0);
    EXPECT_EQ(nowhere.StandardError,
              "quillon-cli: no workspace of its own (neither XDG_DATA_HOME nor HOME is set); "
              "working in " +
                  elsewhere.string() + "\nquillon-cli: no set definitions in " +
                  (elsewhere / "SetDefs").string() + "\n");
#endif
}
