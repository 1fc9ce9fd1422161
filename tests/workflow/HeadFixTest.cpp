// The headless head fix, run as the real program with no display, each case in a workspace of its
// own: a complete one, changed so that one thing is missing or different.
#include "samples/SampleImages.h"
#include "support/ProcessRunner.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

using namespace quillon;

namespace {

namespace fs = std::filesystem;

// The head textures as the game has them, smaller, in the order the job writes them.
struct HeadTexture {
    const char* Channel;
    const char* Suffix;
    const char* Format;
    int Size;
    SampleKind Kind;
    const char* ModFile;
};
const HeadTexture Textures[] = {
    {"Color", "", "DXT1", 64, SampleKind::Skin, "Library/Head/Color/KORAv3_HeadNeckBlendColor.psd"},
    {"Normal", "_msn", "DXT5", 64, SampleKind::Normal,
     "Library/Head/Normal/KORAv3_HeadNeckBlend.psd"},
    {"Specular", "_s", "RGB", 32, SampleKind::Specular,
     "Library/Head/Specular/VelloranHeadSpecBlend.psd"},
};

std::string TexturePath(const std::string& subSet, const HeadTexture& texture) {
    return "textures/actors/character/" + subSet + "/" + subSet + "head" + texture.Suffix + ".dds";
}

struct Case {
    const char* What;
    int Exit;
    std::string Error;
    std::size_t Written; // how many outputs, in the job's order, are written
    std::string Remove;  // files, separated by spaces
    std::string Config = "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>"
                         "<AutoHeadFix>true</AutoHeadFix>";
};

// Everything the job needs, then the case's change. The installed textures (in "Data", or in the
// workspace itself when there is no GameDataPath) are twice the declared size and show a seam
// three quarters down, which the modifications cover.
void MakeWorkspace(const TempFolder& root, const Case& c) {
    WriteTextFile(root / "Config.xml", "<QuillonConfig>" + c.Config + "</QuillonConfig>");
    const std::string data = c.Config.find("GameDataPath") != std::string::npos ? "Data/" : "";
    std::vector<std::pair<std::string, std::string>> subSets{{"female", ""}, {"male", ""}};
    for (const HeadTexture& t : Textures) {
        for (auto& [subSet, channels] : subSets) {
            channels += ChannelXml(t.Channel, subSet + "head" + t.Suffix, t.Size,
                                   t.Format != std::string("RGB"), t.Format == std::string("DXT5"));
            const std::string path = root / (data + TexturePath(subSet, t));
            fs::create_directories(fs::path(path).parent_path());
            const int edge = t.Size * 2;
            ASSERT_TRUE(WriteDdsTexture(
                path, MakeSeamedTexture(t.Kind, edge, edge, edge * 3 / 4, 7), t.Format));
        }
        fs::create_directories(fs::path(root / t.ModFile).parent_path());
        ASSERT_TRUE(WritePsd(root / t.ModFile,
                             MakeSeamMod(t.Kind, t.Size, t.Size, t.Size * 3 / 4, t.Size / 8)));
    }
    WriteTextFile(root / "SetDefs/Head.xml",
                  SetXml("Head", "textures\\actors\\character", subSets));
    std::istringstream removed(c.Remove);
    for (std::string file; removed >> file;) {
        fs::remove(root / file);
    }
}

// The brightness step from the two rows above `seam` to the two below it (opaque images).
double SeamStep(const RgbaImage& image, int seam) {
    auto row = [&](int y) { return std::accumulate(image.At(0, y), image.At(0, y + 1), 0.0); };
    return (row(seam) + row(seam + 1) - row(seam - 2) - row(seam - 1)) / (6.0 * image.Width);
}

} // namespace

TEST(HeadFixTest, FilesMessagesAndExitCodes) {
    ASSERT_LT(SeamStep(MakeSeamedTexture(SampleKind::Skin, 128, 128, 96, 7), 96), -20);
    const std::string success = "Velloran's Quillon: Automatic Neck Seam fix Successful!\n";
    const std::string noHead = "SetDefs/Head.xml ";
    const Case cases[] = {
        {"complete", 0, success, 6, ""},
        {"no Normal modification", 5, "Error: Failed to open Normal Mod Image\n", 2,
         Textures[1].ModFile},
        {"second Color source missing", 2,
         "Failed to open Color Source: Data/" + TexturePath("male", Textures[0]) + "\n", 1,
         "Data/" + TexturePath("male", Textures[0])},
        {"output folder below a file", 4, "Error: Failed to save Color output file\n", 0, "",
         "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Config.xml\\</TexOutputPath>"
         "<AutoHeadFix>true</AutoHeadFix>"},
        {"no GameDataPath: sources below the current directory", 0, success, 6, "",
         "<TexOutputPath>Out\\</TexOutputPath><AutoHeadFix>true</AutoHeadFix>"},
        {"AutoHeadFix True: the window is asked for, and there is no display", 2,
         "quillon: no display is available for the window (set DISPLAY or WAYLAND_DISPLAY, or "
         "enable AutoHeadFix in Config.xml).\n",
         0, "", "<GameDataPath>Data\\</GameDataPath><AutoHeadFix>True</AutoHeadFix>"},
        {"no Head set", 0, success, 0, noHead},
        {"no Head set nor Color modification", 1, "Error: Failed to open Color Mod Image\n", 0,
         noHead + Textures[0].ModFile},
        {"no Head set nor Normal modification", 5, "Error: Failed to open Normal Mod Image\n", 0,
         noHead + Textures[1].ModFile},
        {"no Head set nor Specular modification", 9, "Error: Failed to open Specular Mod Image\n",
         0, noHead + Textures[2].ModFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const TempFolder root;
        MakeWorkspace(root, c);
        const ProcessResult result =
            RunProcess(QUILLON_PROGRAM, {}, root.Path().string(), {{"HOME", root / "home"}},
                       {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
        EXPECT_EQ(result.ExitCode, c.Exit);
        EXPECT_EQ(result.StandardError, c.Error);
        // Each output written has its progress line, and its declared size and format.
        std::string progress;
        for (std::size_t i = 0; i < 6; ++i) {
            const HeadTexture& t = Textures[i / 2];
            const std::string output = "Out/" + TexturePath(i % 2 ? "male" : "female", t);
            const std::string size = std::to_string(t.Size);
            progress += i < c.Written ? output + "\n" : "";
            EXPECT_EQ(DescribeDds(root / output),
                      i < c.Written ? size + "x" + size + " " + t.Format : "");
        }
        EXPECT_EQ(result.StandardOutput, progress);
        RgbaImage written; // the seam that the installed texture shows is gone
        if (ReadTexture(root / ("Out/" + TexturePath("female", Textures[0])), written)) {
            EXPECT_GT(SeamStep(written, 48), -4);
        }
    }
}

// The demo workspace's outputs, pinned: a change of the pipeline that changes a written byte
// shows here. (FNV-1a, 64 bits, of each file.)
// Without mip chains they are the bytes the tool always wrote; with them, the chain is full, as
// the installed textures' are.
TEST(HeadFixTest, DemoOutputsAreTheKnownBytes) {
    const TempFolder root;
    const ProcessResult made =
        RunProcess(QUILLON_DEMO, {root / "demo", "--head-fix"}, root.Path().string());
    ASSERT_EQ(made.ExitCode, 0) << made.StandardError;
    const ProcessResult chains =
        RunProcess(QUILLON_PROGRAM, {}, root / "demo", {{"HOME", root / "home"}},
                   {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    ASSERT_EQ(chains.ExitCode, 0) << chains.StandardError;
    for (const char* file : {"female/femalehead.dds", "male/malehead_msn.dds"}) {
        EXPECT_EQ(
            DescribeDds(root / ("demo/Output/textures/actors/character/" + std::string(file))),
            std::string("1024x1024 ") + (file[0] == 'f' ? "DXT1" : "DXT5") + " 11 levels");
    }
    std::string config = ReadTextFile(root / "demo/Config.xml");
    config.insert(config.find("</QuillonConfig>"), "<MipMaps>none</MipMaps>");
    WriteTextFile(root / "demo/Config.xml", config);
    const ProcessResult run =
        RunProcess(QUILLON_PROGRAM, {}, root / "demo", {{"HOME", root / "home"}},
                   {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    const std::pair<const char*, std::uint64_t> outputs[] = {
        {"female/femalehead.dds", 0x49f9469874ae0aceu},
        {"female/femalehead_msn.dds", 0xca26ee28446e997cu},
        {"female/femalehead_s.dds", 0xb3df9c29909a4f08u},
        {"male/malehead.dds", 0x179b25274e629ce8u},
        {"male/malehead_msn.dds", 0x784943648f0da286u},
        {"male/malehead_s.dds", 0x6855e0d45df9f9d8u},
    };
    for (const auto& [file, expected] : outputs) {
        std::uint64_t hash = 0xcbf29ce484222325u;
        for (const char byte :
             ReadTextFile(root / ("demo/Output/textures/actors/character/" + std::string(file)))) {
            hash = (hash ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3u;
        }
        EXPECT_EQ(hash, expected) << file;
    }
}

// The console program runs the same job, also where the configuration does not ask for it.
TEST(HeadFixTest, TheConsoleProgramRunsTheSameJob) {
    const TempFolder root;
    Case complete{"complete", 0, "", 6, ""};
    complete.Config = "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>";
    MakeWorkspace(root, complete);
    const ProcessResult result =
        RunProcess(QUILLON_CLI, {}, root.Path().string(), {{"HOME", root / "home"}},
                   {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.StandardError, "Velloran's Quillon: Automatic Neck Seam fix Successful!\n");
    EXPECT_EQ(DescribeDds(root / ("Out/" + TexturePath("male", Textures[2]))), "32x32 RGB");
}
