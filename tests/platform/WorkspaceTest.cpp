// The workspace rules: the current folder when it is one, else the user's own by the system's
// rules (both systems' rules tried on every system); what a first start makes and a later one
// leaves alone; where the shipped definitions are found.
#include "platform/Workspace.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quillon;

namespace fs = std::filesystem;

TEST(ChooseWorkspace, TheCurrentFolderWhenItIsOneElseTheUsersOwn) {
    const TempFolder root;
    const fs::path plain = root.Path() / "plain";
    fs::create_directories(plain);
    WriteTextFile(root / "config/CONFIG.XML", "<QuillonConfig/>");
    fs::create_directories(root.Path() / "defs/setdefs");
    WriteTextFile(root / "file/SetDefs", "not a folder");
    fs::create_directories(root.Path() / "folder/Config.xml");
    fs::create_directories(root.Path() / "portable");
    WriteTextFile(root / "portable/portable.txt", "");
    const fs::path program = root.Path() / "program";
    fs::create_directories(program);

    struct Case {
        const char* What;
        WorkspaceRules Rules;
        fs::path Current;
        fs::path Program;
        std::string Xdg, Home, AppData;
        fs::path Expected; // empty: none can be named
        bool IsCurrent = false;
    };
    const fs::path xdg = root.Path() / "xdg";
    const fs::path home = root.Path() / "home";
    const fs::path appData = root.Path() / "appdata";
    const Case cases[] = {
        {"Config.xml in any letter case", WorkspaceRules::Xdg, root.Path() / "config", program,
         xdg.string(), home.string(), "", root.Path() / "config", true},
        {"a SetDefs folder", WorkspaceRules::Windows, root.Path() / "defs",
         root.Path() / "portable", "", "", appData.string(), root.Path() / "defs", true},
        {"a file named SetDefs is no workspace", WorkspaceRules::Xdg, root.Path() / "file", program,
         xdg.string(), "", "", xdg / "quillon"},
        {"nor is a folder named Config.xml", WorkspaceRules::Xdg, root.Path() / "folder", program,
         "", home.string(), "", home / ".local/share/quillon"},
        {"XDG_DATA_HOME first", WorkspaceRules::Xdg, plain, program, xdg.string(), home.string(),
         appData.string(), xdg / "quillon"},
        {"a relative XDG_DATA_HOME is ignored", WorkspaceRules::Xdg, plain, program, "data",
         home.string(), "", home / ".local/share/quillon"},
        {"neither XDG_DATA_HOME nor HOME",
         WorkspaceRules::Xdg,
         plain,
         program,
         "",
         "",
         appData.string(),
         {}},
        {"portable.txt beside the program", WorkspaceRules::Windows, plain,
         root.Path() / "portable", xdg.string(), home.string(), appData.string(),
         root.Path() / "portable"},
        {"APPDATA without portable.txt", WorkspaceRules::Windows, plain, program, xdg.string(),
         home.string(), appData.string(), appData / "Quillon"},
        {"no APPDATA",
         WorkspaceRules::Windows,
         plain,
         program,
         xdg.string(),
         home.string(),
         "",
         {}},
        {"portable.txt counts on Windows only", WorkspaceRules::Xdg, plain,
         root.Path() / "portable", "", home.string(), "", home / ".local/share/quillon"},
        {"an unknown program folder",
         WorkspaceRules::Windows,
         plain,
         {},
         "",
         "",
         appData.string(),
         appData / "Quillon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const WorkspaceFacts facts{c.Rules, c.Current, c.Program, c.Xdg, c.Home, c.AppData};
        const WorkspaceChoice choice = ChooseWorkspace(facts);
        EXPECT_EQ(choice.Folder, c.Expected);
        EXPECT_EQ(choice.IsCurrentFolder, c.IsCurrent);
        EXPECT_EQ(choice.Reason.empty(), !c.Expected.empty()) << choice.Reason;
    }
}

TEST(PrepareWorkspace, AFirstStartMakesItALaterOneKeepsWhatThePlayerChanged) {
    const TempFolder root;
    const fs::path shipped = root.Path() / "shipped";
    WriteTextFile(root / "shipped/Head.xml", "<TextureSet Name=\"Head\"/>");
    WriteTextFile(root / "shipped/Body.XML", "<TextureSet Name=\"Body\"/>");
    WriteTextFile(root / "shipped/notes.txt", "not a definition");
    const fs::path workspace = root.Path() / "a/b/quillon";

    std::vector<std::string> made;
    std::string reason;
    ASSERT_TRUE(PrepareWorkspace(workspace, shipped, made, reason)) << reason;
    const std::vector<std::string> expected = {workspace.string(),
                                               (workspace / "SetDefs").string(),
                                               (workspace / "SetDefs" / "Body.XML").string(),
                                               (workspace / "SetDefs" / "Head.xml").string(),
                                               (workspace / "Library").string(),
                                               (workspace / "Source").string()};
    EXPECT_EQ(made, expected);
    EXPECT_EQ(ReadTextFile((workspace / "SetDefs/Head.xml").string()),
              "<TextureSet Name=\"Head\"/>");
    EXPECT_FALSE(fs::exists(workspace / "SetDefs/notes.txt"));
    EXPECT_TRUE(IsWorkspace(workspace));

    // Later: a changed definition stays, a removed one is not brought back, a removed folder is
    // made again.
    WriteTextFile((workspace / "SetDefs/Head.xml").string(), "mine");
    fs::remove(workspace / "SetDefs/Body.XML");
    fs::remove(workspace / "Source");
    made.clear();
    ASSERT_TRUE(PrepareWorkspace(workspace, shipped, made, reason)) << reason;
    EXPECT_EQ(made, std::vector<std::string>{(workspace / "Source").string()});
    EXPECT_EQ(ReadTextFile((workspace / "SetDefs/Head.xml").string()), "mine");
    EXPECT_FALSE(fs::exists(workspace / "SetDefs/Body.XML"));

    // Folders the player named in another letter case are theirs: nothing is added beside them.
    const fs::path lower = root.Path() / "lower";
    fs::create_directories(lower / "setdefs");
    fs::create_directories(lower / "library");
    made.clear();
    ASSERT_TRUE(PrepareWorkspace(lower, shipped, made, reason));
    EXPECT_EQ(made, std::vector<std::string>{(lower / "Source").string()});

    // Without shipped definitions no SetDefs is made, so a later start with them copies them.
    const fs::path bare = root.Path() / "bare";
    made.clear();
    ASSERT_TRUE(PrepareWorkspace(bare, root.Path() / "none", made, reason));
    EXPECT_FALSE(fs::exists(bare / "SetDefs"));
    made.clear();
    ASSERT_TRUE(PrepareWorkspace(bare, shipped, made, reason));
    EXPECT_TRUE(fs::exists(bare / "SetDefs/Head.xml"));
}

TEST(PrepareWorkspace, WhatCannotBeMadeIsAFailureWithItsReason) {
    const TempFolder root;
    WriteTextFile(root / "file", "a file where the workspace would go");
    std::vector<std::string> made;
    std::string reason;
    EXPECT_FALSE(PrepareWorkspace(root.Path() / "file" / "quillon", {}, made, reason));
    EXPECT_NE(reason.find("cannot make the folder"), std::string::npos) << reason;
    EXPECT_TRUE(made.empty());

    // A shipped file too large for a definition is not read whole into memory.
    const fs::path shipped = root.Path() / "shipped";
    fs::create_directories(shipped);
    {
        std::ofstream large(shipped / "Huge.xml", std::ios::binary);
        large.seekp(static_cast<std::streamoff>(MaxShippedDefinitionSize));
        large.put('x');
    }
    reason.clear();
    EXPECT_FALSE(PrepareWorkspace(root.Path() / "w", shipped, made, reason));
    EXPECT_EQ(reason,
              "cannot read the example set definitions in " + (shipped / "Huge.xml").string());
    EXPECT_FALSE(fs::exists(root.Path() / "w/SetDefs/Huge.xml"));
}

TEST(FindShippedSetDefs, BesideTheProgramThenBelowItsParent) {
    const TempFolder root;
    const fs::path bin = root.Path() / "usr/bin";
    fs::create_directories(bin);
    EXPECT_EQ(FindShippedSetDefs(bin), fs::path());
    EXPECT_EQ(FindShippedSetDefs({}), fs::path());
    fs::create_directories(root.Path() / "usr/share/quillon/SetDefs");
    EXPECT_EQ(FindShippedSetDefs(bin), bin.parent_path() / "share/quillon/SetDefs");
    fs::create_directories(bin / "share/quillon/SetDefs");
    EXPECT_EQ(FindShippedSetDefs(bin), bin / "share/quillon/SetDefs");
}

TEST(EnterWorkspace, MakesTheChosenFolderTheCurrentOne) {
    const TempFolder root;
    const fs::path started = root.Path() / "started";
    fs::create_directories(started);
    const CurrentDirectoryGuard restore(started);
    const WorkspaceFacts facts{
        WorkspaceRules::Xdg, started, root.Path() / "bin", (root.Path() / "xdg").string(), "", ""};
    const WorkspaceStart first = EnterWorkspace(facts);
    EXPECT_EQ(first.Problem, "");
    EXPECT_EQ(first.Folder, root.Path() / "xdg/quillon");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), root.Path() / "xdg/quillon"));
    EXPECT_EQ(first.Made.size(), 3u) << "the folder, Library and Source; no definitions shipped";

    // Started again in the workspace itself: it is the current folder, and nothing is made.
    WriteTextFile(root / "xdg/quillon/Config.xml", "<QuillonConfig/>");
    WorkspaceFacts again = facts;
    again.CurrentFolder = root.Path() / "xdg/quillon";
    const WorkspaceStart later = EnterWorkspace(again);
    EXPECT_TRUE(later.Made.empty());
    EXPECT_EQ(later.Folder, again.CurrentFolder);

    // Nowhere to go: the current folder stays, and the reason is given.
    fs::current_path(started);
    const WorkspaceStart nowhere =
        EnterWorkspace({WorkspaceRules::Windows, started, root.Path() / "bin", "", "", ""});
    EXPECT_EQ(nowhere.Problem, "APPDATA is not set");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), started));
}
