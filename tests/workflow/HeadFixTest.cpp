// The headless head fix, run as the real program with no display, each case in a workspace of its
// own: a complete one, changed so that one thing is missing or different.
#include "imaging/DdsFormat.h"
#include "imaging/DdsWriter.h"
#include "platform/MessageBox.h"
#include "samples/SampleDds.h"
#include "samples/SampleImages.h"
#include "support/ProcessRunner.h"
#include "workflow/AutoHeadFix.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <iomanip>
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
    std::string Size = "";    // "<channel> <text>": the male sub set declares that Size instead
    std::string Folders = ""; // made where files would be written, separated by spaces
    // The installed file of a texture made from its pixels; by default the declared format.
    std::function<std::vector<std::uint8_t>(const HeadTexture&, const RgbaImage&)> Installed = {};
};

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteTextFile(path, std::string(bytes.begin(), bytes.end()));
}

// Everything the job needs, then the case's change. The installed textures (in "Data", or in the
// workspace itself when there is no GameDataPath) are twice the declared size and show a seam
// three quarters down, which the modifications cover.
void MakeWorkspace(const TempFolder& root, const Case& c) {
    WriteTextFile(root / "Config.xml", "<QuillonConfig>" + c.Config + "</QuillonConfig>");
    const std::string data = c.Config.find("GameDataPath") != std::string::npos ? "Data/" : "";
    std::vector<std::pair<std::string, std::string>> subSets{{"female", ""}, {"male", ""}};
    for (const HeadTexture& t : Textures) {
        for (auto& [subSet, channels] : subSets) {
            std::string xml =
                ChannelXml(t.Channel, subSet + "head" + t.Suffix, t.Size,
                           t.Format != std::string("RGB"), t.Format == std::string("DXT5"));
            if (subSet == "male" && c.Size.starts_with(std::string(t.Channel) + " ")) {
                const std::string declared = "<Size>" + std::to_string(t.Size) + "</Size>";
                xml.replace(xml.find(declared), declared.size(),
                            "<Size>" + c.Size.substr(c.Size.find(' ') + 1) + "</Size>");
            }
            channels += xml;
            const std::string path = root / (data + TexturePath(subSet, t));
            fs::create_directories(fs::path(path).parent_path());
            const int edge = t.Size * 2;
            const RgbaImage pixels = MakeSeamedTexture(t.Kind, edge, edge, edge * 3 / 4, 7);
            if (c.Installed) {
                WriteBytes(path, c.Installed(t, pixels));
            } else {
                ASSERT_TRUE(WriteDdsTexture(path, pixels, t.Format));
            }
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
    std::istringstream folders(c.Folders);
    for (std::string folder; folders >> folder;) {
        fs::create_directories(root / folder);
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
    const std::string noFile = "there is no such file\n"; // each message's reason, on its own line
    const auto badSize = [](const char* message, const char* channel, const char* size) {
        return std::string("Error: ") + message + " Set \"Head\", sub set \"male\", channel \"" +
               channel + "\": Size " + size + " is outside 0 to 16384.\n";
    };
    const auto missing = [](const HeadTexture& t) { return "Data/" + TexturePath("male", t); };
    // The path tried, then why nothing was found there.
    const auto notFound = [](const std::string& caption, const std::string& path) {
        return caption + ": " + NativePath(path) +
               " Neither the data folder nor a loaded archive holds it.\n";
    };
    const Case cases[] = {
        {"complete", 0, success, 6, ""},
        {"no Normal modification", 5, "Error: Failed to open Normal Mod Image " + noFile, 2,
         Textures[1].ModFile},
        {"second Color source missing", 2,
         notFound("Failed to open Color Source", "Data/" + TexturePath("male", Textures[0])), 1,
         "Data/" + TexturePath("male", Textures[0])},
        {"output folder below a file", 4, "Error: Failed to save Color output file\n", 0, "",
         "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Config.xml\\</TexOutputPath>"
         "<AutoHeadFix>true</AutoHeadFix>"},
        {"no GameDataPath: sources below the current directory", 0, success, 6, "",
         "<TexOutputPath>Out\\</TexOutputPath><AutoHeadFix>true</AutoHeadFix>"},
#ifdef QUILLON_PROGRAM_IS_WINDOW
        {"AutoHeadFix True: the window is asked for, and there is no display", 2,
         "quillon: no display is available for the window (set DISPLAY or WAYLAND_DISPLAY, or "
         "enable AutoHeadFix in Config.xml).\n",
         0, "", "<GameDataPath>Data\\</GameDataPath><AutoHeadFix>True</AutoHeadFix>"},
#endif
        {"no Head set", 0, success, 0, noHead},
        {"no Head set nor Color modification", 1, "Error: Failed to open Color Mod Image " + noFile,
         0, noHead + Textures[0].ModFile},
        {"no Head set nor Normal modification", 5,
         "Error: Failed to open Normal Mod Image " + noFile, 0, noHead + Textures[1].ModFile},
        {"no Head set nor Specular modification", 9,
         "Error: Failed to open Specular Mod Image " + noFile, 0, noHead + Textures[2].ModFile},
        {"second Normal source missing", 6,
         notFound("Failed to open Normal map Source", missing(Textures[1])), 3,
         missing(Textures[1])},
        {"second Specular source missing", 10,
         notFound("Failed to open Specular Source", missing(Textures[2])), 5, missing(Textures[2])},
        {"a negative Color size, written over the installed textures", 3,
         badSize("Failed to generate color composite", "Color", "-64"), 1, "",
         "<GameDataPath>Data\\</GameDataPath><AutoHeadFix>true</AutoHeadFix>", "Color -64"},
        {"a Normal size beyond the largest edge", 7,
         badSize("Failed to generate Normal map composite", "Normal", "100000"), 3, "",
         Case{}.Config, "Normal 100000"},
        {"a Specular size beyond 32 bits", 11,
         badSize("Failed to generate specular map composite", "Specular", "2147483647"), 5, "",
         Case{}.Config, "Specular 99999999999"},
        {"a folder where the second Normal output goes", 8,
         "Error: Failed to save Normal map output file\n", 3, "", Case{}.Config, "",
         "Out/" + TexturePath("male", Textures[1])},
        {"a folder where the second Specular output goes", 12,
         "Error: Failed to save specular map output file\n", 5, "", Case{}.Config, "",
         "Out/" + TexturePath("male", Textures[2])},
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
        // Each output written has its progress line, and its declared size and format. Without
        // an output folder the installed textures are the outputs: those not written stay.
        const bool ownFolder = c.Config.find("TexOutputPath") != std::string::npos;
        std::string progress;
        for (std::size_t i = 0; i < 6; ++i) {
            const HeadTexture& t = Textures[i / 2];
            const std::string output =
                (ownFolder ? "Out/" : "Data/") + TexturePath(i % 2 ? "male" : "female", t);
            const std::string size = std::to_string(i < c.Written ? t.Size : t.Size * 2);
            progress += i < c.Written ? NativePath(output) + "\n" : "";
            EXPECT_EQ(DescribeDds(root / output),
                      i < c.Written || !ownFolder ? size + "x" + size + " " + t.Format : "");
        }
        EXPECT_EQ(result.StandardOutput, progress);
        RgbaImage written; // the seam that the installed texture shows is gone
        if (ownFolder &&
            ReadTexture(root / ("Out/" + TexturePath("female", Textures[0])), written)) {
            EXPECT_GT(SeamStep(written, 48), -4);
        }
    }
}

// The boxes keep the system's caption and first line, and give the reason on the line after.
TEST(HeadFixTest, ABoxGivesTheReasonAfterTheMessage) {
    const std::string cut = "Data/" + TexturePath("male", Textures[0]);
    struct Run {
        Case Workspace;
        std::string Caption, Text;
    };
    const Run runs[] = {
        {{"no Normal modification", 5, "", 2, Textures[1].ModFile},
         "Error",
         "Failed to open Normal Mod Image\r\nthere is no such file"},
        {{"a Color source cut short", 2, "", 1, ""},
         "Failed to open Color Source",
         NativePath(cut) + "\r\nthe file ends at byte 1,000 of 8,320"},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.Workspace.What);
        const TempFolder root;
        MakeWorkspace(root, run.Workspace);
        if (run.Caption != "Error") {
            fs::resize_file(root / cut, 1000);
        }
        const CurrentDirectoryGuard cwd(root.Path());
        std::vector<MessageBoxRequest> boxes;
        SetMessageBoxHandler([&boxes](const MessageBoxRequest& box) {
            boxes.push_back(box);
            return msgbox::IDOK;
        });
        BlendSession session;
        session.LoadConfiguration({});
        session.StartEngine();
        EXPECT_EQ(RunAutoHeadFix(session), run.Workspace.Exit);
        SetMessageBoxHandler({});
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Caption, run.Caption);
        EXPECT_EQ(boxes[0].Text, run.Text);
    }
}

namespace {

// A written texture as pinned: the hash of its bytes (FNV-1a, 64 bits), and for the diagnosis
// when they change, their count and the mean of each channel of the top level it decodes to.
struct Pinned {
    const char* File;
    std::uint64_t Hash;
    std::size_t Bytes;
    std::array<double, 4> Mean;
};

// Empty when the file is the pinned one; else which file changed, and by how much.
std::string ChangeFrom(const Pinned& pin, const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3u;
    }
    if (hash == pin.Hash) {
        return "";
    }
    std::ostringstream change;
    change << pin.File << " is not the pinned file: " << bytes.size() << " bytes (pinned "
           << pin.Bytes << ")";
    RgbaImage image;
    if (!ReadTexture(path, image)) {
        return change.str() + ", and it does not read";
    }
    change << std::fixed << std::setprecision(3) << "; the channel means moved by";
    for (std::size_t c = 0; c < 4; ++c) {
        double sum = 0;
        for (std::size_t i = c; i < image.Pixels.size(); i += 4) {
            sum += image.Pixels[i];
        }
        change << " " << sum / static_cast<double>(image.Pixels.size() / 4) - pin.Mean[c];
    }
    return change.str() + " (R G B A, of 255)";
}

} // namespace

// The demo workspace's outputs, pinned: a change of the pipeline that changes a written byte
// shows here, with the file and how far it moved. Without mip chains: the DXT outputs are our
// encoders' bytes, the RGB ones as the tool always wrote them; with chains, the chain is full, as
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
    const Pinned outputs[] = {
        {"female/femalehead.dds", 0x4e3cc3c28efc0e9du, 524416, {212.953, 154.867, 125.262, 255}},
        {"female/femalehead_msn.dds",
         0xab6064778ce4dadcu,
         1048704,
         {132.471, 123.881, 252.086, 208.5}},
        {"female/femalehead_s.dds", 0xb3df9c29909a4f08u, 786560, {74.913, 74.913, 74.913, 255}},
        {"male/malehead.dds", 0xdb4898a08255a77eu, 524416, {212.958, 154.871, 125.271, 255}},
        {"male/malehead_msn.dds", 0x0150daafdec5f16du, 1048704, {132.471, 123.877, 252.086, 208.5}},
        {"male/malehead_s.dds", 0x6855e0d45df9f9d8u, 786560, {74.914, 74.914, 74.914, 255}},
    };
    for (const Pinned& pin : outputs) {
        EXPECT_EQ(ChangeFrom(pin, root / ("demo/Output/textures/actors/character/" +
                                          std::string(pin.File))),
                  "");
    }
}

// Installed DXT textures at the declared size with their chains, in blocks no encoder writes: in
// every output, with its full chain, each block whose footprint the modification leaves at zero
// alpha is the installed bytes, on every level, and every other block is encoded anew.
TEST(HeadFixTest, BlocksTheModificationLeavesAloneKeepTheInstalledBytes) {
    const TempFolder root;
    Case c{"installed at the declared size", 0, "", 6, ""};
    c.Config += "<MipMaps>full</MipMaps>";
    unsigned seed = 1;
    c.Installed = [&seed](const HeadTexture& t, const RgbaImage&) {
        TaskPool one(1);
        const std::string format = t.Format;
        return format == "RGB" ? EncodeDds(MakeSeamedTexture(t.Kind, t.Size, t.Size, 40, 7),
                                           TextureFormat::RGB, one)
                               : ArbitraryBlocksDds(format == "DXT1" ? TextureFormat::DXT1
                                                                     : TextureFormat::DXT5,
                                                    t.Size, seed++);
    };
    MakeWorkspace(root, c);
    const ProcessResult result =
        RunProcess(QUILLON_PROGRAM, {}, root.Path().string(), {{"HOME", root / "home"}},
                   {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    ASSERT_EQ(result.ExitCode, 0) << result.StandardError;
    for (const HeadTexture& t : Textures) {
        if (t.Format == std::string("RGB")) {
            continue;
        }
        const RgbaImage mod = MakeSeamMod(t.Kind, t.Size, t.Size, t.Size * 3 / 4, t.Size / 8);
        for (const char* subSet : {"female", "male"}) {
            SCOPED_TRACE(std::string(subSet) + " " + t.Channel);
            const std::string output = root / ("Out/" + TexturePath(subSet, t));
            EXPECT_EQ(DescribeDds(output), std::string("64x64 ") + t.Format + " 7 levels");
            const std::vector<CopiedBlockCount> levels = CompareBlocks(
                ReadTextFile(root / ("Data/" + TexturePath(subSet, t))), ReadTextFile(output), mod);
            ASSERT_EQ(levels.size(), 7u);
            EXPECT_GT(levels[0].Untouched, 64) << "the test needs untouched blocks";
            EXPECT_LT(levels[0].Untouched, 256 - 32) << "and touched ones";
            EXPECT_GT(levels[2].Untouched, 4) << "down the chain too";
            for (const CopiedBlockCount& count : levels) {
                EXPECT_EQ(count.UntouchedChanged, 0);
                EXPECT_EQ(count.TouchedSame, 0);
            }
        }
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

// Installed textures as current packs ship them: BC7 colour, BC5 normal map and DX10 RGBA8
// specular. The outputs must be exactly those of a workspace whose installed textures hold the
// same pixels uncompressed, each still in its channel's declared format.
TEST(HeadFixTest, Bc7Bc5AndDx10SourcesGiveTheOutputsOfTheirPixelsUncompressed) {
    const auto modern = [](const HeadTexture& t, const RgbaImage& pixels) {
        const std::uint32_t formats[] = {DXGI_FORMAT_BC7_UNORM, DXGI_FORMAT_BC5_UNORM,
                                         DXGI_FORMAT_R8G8B8A8_UNORM};
        return MakeDds(pixels, Dx10Format(formats[&t - Textures]));
    };
    const auto uncompressed = [&](const HeadTexture& t, const RgbaImage& pixels) {
        const std::vector<std::uint8_t> file = modern(t, pixels);
        RgbaImage decoded;
        EXPECT_TRUE(DecodeDds(file.data(), file.size(), true, decoded));
        // BC5 has no alpha: RGB, which loads as the BC5 file does.
        return MakeDds(decoded, decoded.HasAlpha
                                    ? MaskedFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 32,
                                                   {0xFF0000, 0xFF00, 0xFF, 0xFF000000})
                                    : MaskedFormat(DDPF_RGB, 24, {0xFF0000, 0xFF00, 0xFF, 0}));
    };
    std::vector<std::string> outputs[2];
    for (int run = 0; run < 2; ++run) {
        Case c{"installed textures", 0, "", 6, ""};
        c.Installed = run == 0 ? decltype(c.Installed)(modern) : uncompressed;
        const TempFolder root;
        MakeWorkspace(root, c);
        EXPECT_EQ(DescribeDds(root / ("Data/" + TexturePath("male", Textures[0]))),
                  run == 0 ? "128x128 DXGI 98" : "128x128 RGBA");
        const ProcessResult result =
            RunProcess(QUILLON_PROGRAM, {}, root.Path().string(), {{"HOME", root / "home"}},
                       {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.StandardError,
                  "Velloran's Quillon: Automatic Neck Seam fix Successful!\n");
        for (const HeadTexture& t : Textures) {
            for (const char* subSet : {"female", "male"}) {
                const std::string output = root / ("Out/" + TexturePath(subSet, t));
                const std::string size = std::to_string(t.Size);
                EXPECT_EQ(DescribeDds(output), size + "x" + size + " " + t.Format);
                outputs[run].push_back(ReadTextFile(output));
            }
        }
        RgbaImage written; // the seam is gone here too
        ASSERT_TRUE(ReadTexture(root / ("Out/" + TexturePath("female", Textures[0])), written));
        EXPECT_GT(SeamStep(written, 48), -4);
    }
    for (std::size_t i = 0; i < outputs[0].size(); ++i) {
        EXPECT_TRUE(outputs[0][i] == outputs[1][i]) << "output " << i << " differs";
    }
}
