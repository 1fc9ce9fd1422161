// The workspace rules: the current folder when it is one, else the user's own by the system's
// rules (both systems' rules tried on every system); what a first start makes and a later one
// leaves alone; where the shipped definitions are found. (Entering the workspace, and what the
// player is told, is seen through the console program in tests/cli.)
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
        fs::path Xdg, Home, AppData;
        fs::path Expected; // empty: none can be named
        bool IsCurrent = false;
    };
    const fs::path xdg = root.Path() / "xdg";
    const fs::path home = root.Path() / "home";
    const fs::path appData = root.Path() / "appdata";
    const fs::path none;
    const Case cases[] = {
        {"Config.xml in any letter case", WorkspaceRules::Xdg, root.Path() / "config", program, xdg,
         home, "", root.Path() / "config", true},
        {"a SetDefs folder", WorkspaceRules::Windows, root.Path() / "defs",
         root.Path() / "portable", "", "", appData, root.Path() / "defs", true},
        {"a file named SetDefs is no workspace", WorkspaceRules::Xdg, root.Path() / "file", program,
         xdg, "", "", xdg / "quillon"},
        {"nor is a folder named Config.xml", WorkspaceRules::Xdg, root.Path() / "folder", program,
         "", home, "", home / ".local/share/quillon"},
        {"XDG_DATA_HOME first", WorkspaceRules::Xdg, plain, program, xdg, home, appData,
         xdg / "quillon"},
        {"a relative XDG_DATA_HOME is ignored", WorkspaceRules::Xdg, plain, program, "data", home,
         "", home / ".local/share/quillon"},
        {"neither XDG_DATA_HOME nor HOME", WorkspaceRules::Xdg, plain, program, "", "", appData,
         none},
        {"portable.txt beside the program", WorkspaceRules::Windows, plain,
         root.Path() / "portable", xdg, home, appData, root.Path() / "portable"},
        {"APPDATA without portable.txt", WorkspaceRules::Windows, plain, program, xdg, home,
         appData, appData / "Quillon"},
        {"no APPDATA", WorkspaceRules::Windows, plain, program, xdg, home, "", none},
        {"portable.txt counts on Windows only", WorkspaceRules::Xdg, plain,
         root.Path() / "portable", "", home, "", home / ".local/share/quillon"},
        {"an unknown program folder", WorkspaceRules::Windows, plain, none, "", "", appData,
         appData / "Quillon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const WorkspaceFacts facts{c.Rules,        c.Current,       c.Program,
                                   c.Xdg.string(), c.Home.string(), c.AppData.string()};
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
    // What a start makes, below the workspace, in the order made.
    auto prepare = [](const fs::path& workspace, const fs::path& from) {
        std::vector<std::string> made;
        std::string reason, names;
        EXPECT_TRUE(PrepareWorkspace(workspace, from, made, reason)) << reason;
        for (const std::string& path : made) {
            names += (names.empty() ? "" : ", ") + fs::relative(path, workspace).generic_string();
        }
        return names;
    };
    const fs::path workspace = root.Path() / "a/b/quillon";
    EXPECT_EQ(prepare(workspace, shipped),
              "., SetDefs, SetDefs/Body.XML, SetDefs/Head.xml, Library, Source");
    EXPECT_EQ(ReadTextFile((workspace / "SetDefs/Head.xml").string()),
              "<TextureSet Name=\"Head\"/>");
    EXPECT_TRUE(IsWorkspace(workspace));

    // Later: a changed definition stays, a removed one is not brought back, a removed folder is
    // made again.
    WriteTextFile((workspace / "SetDefs/Head.xml").string(), "mine");
    fs::remove(workspace / "SetDefs/Body.XML");
    fs::remove(workspace / "Source");
    EXPECT_EQ(prepare(workspace, shipped), "Source");
    EXPECT_EQ(ReadTextFile((workspace / "SetDefs/Head.xml").string()), "mine");

    // Folders the player named in another letter case are theirs: nothing is added beside them.
    fs::create_directories(root.Path() / "lower/setdefs");
    fs::create_directories(root.Path() / "lower/library");
    EXPECT_EQ(prepare(root.Path() / "lower", shipped), "Source");

    // Without shipped definitions no SetDefs is made, so a later start with them copies them.
    EXPECT_EQ(prepare(root.Path() / "bare", root.Path() / "none"), "., Library, Source");
    EXPECT_EQ(prepare(root.Path() / "bare", shipped),
              "SetDefs, SetDefs/Body.XML, SetDefs/Head.xml");
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
    EXPECT_FALSE(fs::exists(root.Path() / "w/SetDefs")) << "nothing half-filled is left";
    // A later start, and one after a start cut short, copy them whole.
    fs::remove(shipped / "Huge.xml");
    WriteTextFile(root / "shipped/Head.xml", "<TextureSet Name=\"Head\"/>");
    WriteTextFile(root / "w/SetDefs.partial/Head.xml", "<TextureSet Na");
    made.clear();
    EXPECT_TRUE(PrepareWorkspace(root.Path() / "w", shipped, made, reason)) << reason;
    EXPECT_EQ(ReadTextFile(root / "w/SetDefs/Head.xml"), "<TextureSet Name=\"Head\"/>");
    EXPECT_FALSE(fs::exists(root.Path() / "w/SetDefs.partial"));
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
